# What `cmake --install` (and so the Debian package) puts where; DESTDIR is honoured by CMake itself.
include(GNUInstallDirs)

set(QUORVEX_APP_ID org.quorvex.monitor)

# The units go where systemd's pkg-config file says, for the prefix in use: its own answer for
# the system's prefix, otherwise the same folder relocated under this prefix (systemd also
# looks in /usr/local/lib/systemd/system), and never outside a prefix of the admin's choice.
pkg_get_variable(QUORVEX_SYSTEMD_PREFIX systemd prefix)
if(CMAKE_INSTALL_PREFIX STREQUAL QUORVEX_SYSTEMD_PREFIX)
  pkg_get_variable(QUORVEX_SYSTEMD_DEFAULT systemd systemdsystemunitdir)
else()
  execute_process(COMMAND ${PKG_CONFIG_EXECUTABLE} --define-variable=prefix=${CMAKE_INSTALL_PREFIX}
                          --define-variable=root_prefix=${CMAKE_INSTALL_PREFIX} --variable=systemdsystemunitdir systemd
                  OUTPUT_VARIABLE QUORVEX_SYSTEMD_DEFAULT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT QUORVEX_SYSTEMD_DEFAULT MATCHES "^${CMAKE_INSTALL_PREFIX}/")
    set(QUORVEX_SYSTEMD_DEFAULT ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
  endif()
endif()
# Empty, the folder follows the prefix even when a later run of CMake changes the prefix.
set(QUORVEX_UNIT_DIR "" CACHE PATH "Where the systemd units are installed (empty: ask pkg-config)")
if(NOT QUORVEX_UNIT_DIR)
  set(QUORVEX_UNIT_DIR ${QUORVEX_SYSTEMD_DEFAULT})
endif()

install(TARGETS quorvex-monitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The window module is private to the program.
install(TARGETS quorvex-window LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quorvex-monitor)
target_compile_definitions(quorvex_core PRIVATE
                           QUORVEX_MODULE_DIR="${CMAKE_INSTALL_FULL_LIBDIR}/quorvex-monitor")
install(FILES data/quorvex-monitor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# For the fleet: the JSON's schema, and the alert rules with the test promtool runs on them.
install(FILES docs/status.schema.json contrib/prometheus/quorvex-alerts.yml contrib/prometheus/quorvex-alerts.test.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvex-monitor)
install(FILES data/${QUORVEX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The notification agent starts with every graphical session; a user turns it off in the
# desktop's start-up settings.
install(FILES data/quorvex-monitor-notify.desktop DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart)
install(FILES data/${QUORVEX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/${QUORVEX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/icons/48x48/${QUORVEX_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
# The system service: the bus policy, the activation file (naming the installed program as
# the units do), the polkit actions and the interface's description.
install(FILES data/org.quorvex.Monitor1.conf DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/system.d)
install(FILES data/org.quorvex.Monitor1.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)
install(FILES data/org.quorvex.monitor.policy DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
file(READ ${CMAKE_SOURCE_DIR}/data/org.quorvex.Monitor1.service QUORVEX_ACTIVATION)
string(REPLACE "/usr/bin/quorvex-monitor" "${CMAKE_INSTALL_FULL_BINDIR}/quorvex-monitor" QUORVEX_ACTIVATION
       "${QUORVEX_ACTIVATION}")
file(WRITE ${CMAKE_BINARY_DIR}/dbus/org.quorvex.Monitor1.service "${QUORVEX_ACTIVATION}")
install(FILES ${CMAKE_BINARY_DIR}/dbus/org.quorvex.Monitor1.service DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/system-services)
# The units name the installed program by its full path, wherever the prefix puts it.
file(GLOB QUORVEX_UNITS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/contrib/systemd/*.service
                                          ${CMAKE_SOURCE_DIR}/contrib/systemd/*.timer)
foreach(unit ${QUORVEX_UNITS})
  get_filename_component(name ${unit} NAME)
  file(READ ${unit} text)
  string(REPLACE "/usr/bin/quorvex-monitor" "${CMAKE_INSTALL_FULL_BINDIR}/quorvex-monitor" text "${text}")
  file(WRITE ${CMAKE_BINARY_DIR}/units/${name} "${text}")
  install(FILES ${CMAKE_BINARY_DIR}/units/${name} DESTINATION ${QUORVEX_UNIT_DIR})
endforeach()

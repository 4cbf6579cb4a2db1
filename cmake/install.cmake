# What `cmake --install` (and so the Debian package) puts where; DESTDIR is honoured by CMake itself.
include(GNUInstallDirs)

set(QUORVEX_APP_ID org.quorvex.monitor)

pkg_get_variable(QUORVEX_SYSTEMD_DEFAULT systemd systemdsystemunitdir)
if(NOT QUORVEX_SYSTEMD_DEFAULT)
  set(QUORVEX_SYSTEMD_DEFAULT ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
endif()
set(QUORVEX_SYSTEMD_UNIT_DIR ${QUORVEX_SYSTEMD_DEFAULT} CACHE PATH "Where the systemd units are installed")

install(TARGETS quorvex-monitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The window module is private to the program.
install(TARGETS quorvex-window LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quorvex-monitor)
target_compile_definitions(quorvex_core PRIVATE
                           QUORVEX_MODULE_DIR="${CMAKE_INSTALL_FULL_LIBDIR}/quorvex-monitor")
install(FILES data/quorvex-monitor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/${QUORVEX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The notification agent starts with every graphical session; a user turns it off in the
# desktop's start-up settings.
install(FILES data/quorvex-monitor-notify.desktop DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart)
install(FILES data/${QUORVEX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/${QUORVEX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/icons/48x48/${QUORVEX_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
# The units name the installed program by its full path, wherever the prefix puts it.
file(GLOB QUORVEX_UNITS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/contrib/systemd/*.service
                                          ${CMAKE_SOURCE_DIR}/contrib/systemd/*.timer)
foreach(unit ${QUORVEX_UNITS})
  get_filename_component(name ${unit} NAME)
  file(READ ${unit} text)
  string(REPLACE "/usr/bin/quorvex-monitor" "${CMAKE_INSTALL_FULL_BINDIR}/quorvex-monitor" text "${text}")
  file(WRITE ${CMAKE_BINARY_DIR}/units/${name} "${text}")
  install(FILES ${CMAKE_BINARY_DIR}/units/${name} DESTINATION ${QUORVEX_SYSTEMD_UNIT_DIR})
endforeach()

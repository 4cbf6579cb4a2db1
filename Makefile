# Front door: make demo | make test | make run | make bench | make deb
BUILD    ?= build
PREFIX   ?= /usr/local
PACKAGES := g++ cmake ninja-build pkg-config libgtk-3-dev libgtest-dev libbenchmark-dev xvfb xauth \
            nlohmann-json3-dev python3-jsonschema prometheus systemd libsystemd-dev systemd-journal-remote \
            libpolkit-gobject-1-dev dbus-daemon python3-dbusmock
WERROR   := $(if $(filter true,$(CI)),ON,OFF)
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
XVFB     := xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"

.PHONY: deps build install demo run test sanitize fuzz bench screenshots deb clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing < /dev/null; \
	fi

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_WERROR=$(WERROR) \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) > /dev/null
	@cmake --build $(BUILD)

# DESTDIR=... stages the files for a package.
install: build
	cmake --install $(BUILD)

demo: build
	$(BUILD)/quorvex-monitor-demo

run: build
	$(BUILD)/quorvex-monitor

test: build
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j2

screenshots: build
	$(XVFB) $(BUILD)/quorvex-screenshots docs

# The soak (minutes in a plain build) runs in make test only.
# The toolkit's libraries keep allocations for the life of the process: their frames are suppressed,
# everything allocated by the program itself is still checked.
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
           LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

sanitize: deps
	@cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_WERROR=$(WERROR) -DQUORVEX_SANITIZE=ON > /dev/null
	@cmake --build $(BUILD)-sanitize
	cd $(BUILD)-sanitize && $(SAN_ENV) $(XVFB) ctest --output-on-failure -j2 --label-exclude soak

# About a minute per target, from the seed corpus in fuzz/corpus/<target>; not part of CI.
FUZZ_SECONDS ?= 60
fuzz: deps
	@dpkg-query -W -f='$${Status}' clang libclang-rt-14-dev 2>/dev/null | grep -c 'install ok installed' | grep -q 2 || \
	  (DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq clang libclang-rt-14-dev < /dev/null)
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_FUZZ=ON > /dev/null
	@cmake --build $(BUILD)-fuzz
	@for target in $(BUILD)-fuzz/*_fuzz; do \
	  name=$$(basename $$target _fuzz); mkdir -p $(BUILD)-fuzz/corpus/$$name; \
	  echo "== $$name"; \
	  $(SAN_ENV) $(XVFB) $$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $(CURDIR)/$(BUILD)-fuzz/corpus/$$name $(CURDIR)/fuzz/corpus/$$name || exit 1; \
	done

bench: deps
	@cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BENCH=ON > /dev/null
	@cmake --build $(BUILD)-bench
	$(XVFB) $(BUILD)-bench/quorvex-bench

# The Debian package, built from a copy of the tree (dpkg-buildpackage writes beside the source);
# the .deb is left in $(BUILD)-deb/.
DEB_PACKAGES := debhelper dpkg-dev lintian desktop-file-utils appstream systemd dbus-daemon polkitd libglib2.0-bin
deb: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(DEB_PACKAGES)"
	rm -rf $(BUILD)-deb && mkdir -p $(BUILD)-deb/source/quorvex-monitor
	git ls-files -co --exclude-standard -z | tar --null --ignore-failed-read -T - -cf - 2>/dev/null | \
	  tar -xf - -C $(BUILD)-deb/source/quorvex-monitor
	cd $(BUILD)-deb/source/quorvex-monitor && dpkg-buildpackage -us -uc -b
	mv $(BUILD)-deb/source/*.deb $(BUILD)-deb/
	@ls $(BUILD)-deb/*.deb

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-sanitize $(BUILD)-fuzz $(BUILD)-deb

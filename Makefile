# Front door for building, testing and running Kestrel8.
# Every target works on a fresh Debian machine: `make deps` installs what is missing.

PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev libxkbcommon-dev fonts-dejavu-core fonts-ipafont-gothic \
            googletest libgmock-dev libgtest-dev libbenchmark-dev \
            clang libclang-rt-14-dev xvfb xauth x11-utils imagemagick xdotool \
            dpkg-dev lintian desktop-file-utils appstream librsvg2-bin clang-format
# The Windows program is cross-compiled and tested under Wine: `make deps-windows`.
WINDOWS_PACKAGES := g++ cmake ninja-build googletest libgtest-dev \
                    g++-mingw-w64-x86-64-posix wine64 xvfb xauth nsis locales
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test test-loaded sanitize sanitize-address sanitize-thread run run-display-check bench fuzz install clean
.PHONY: package package-check deps-windows windows test-windows format format-check

all: build

deps:
	@$(call install_missing,$(PACKAGES))

deps-windows:
	@$(call install_missing,$(WINDOWS_PACKAGES))

define install_missing
	missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi
endef

build/build.ninja:
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release

build: build/build.ninja
	cmake --build build -j $(JOBS)

test: deps build
	cd build && ctest --output-on-failure -j $(JOBS)

# The suite with LOAD_LOOPS busy loops beside it: no test may depend on
# having the processors to itself. CI does not run it.
LOAD_LOOPS ?= 4

test-loaded: deps build
	sh tests/run_loaded.sh build $(LOAD_LOOPS) -j $(JOBS)

# AddressSanitizer and UndefinedBehaviorSanitizer over every test, then
# ThreadSanitizer over the tests that do not load Qt (Qt is not instrumented).
sanitize: deps sanitize-address sanitize-thread

sanitize-address:
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=address
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

sanitize-thread:
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=thread -DKESTREL_WITH_QT=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS)

# The console against the virtual DV adapter and radio in build/demo/.
# Without a display it says so before building anything.
PREFIX ?= /usr/local

run-display-check:
	@sh tools/run_demo.sh check-display

# Only the programs, so a first run does not wait for the tests to build.
run: run-display-check deps build/build.ninja
	cmake --build build -j $(JOBS) --target kestrel8 kestrel8-devices kestrel8-repeaters
	@sh tools/run_demo.sh build

# The programs (not the tests): the console, the repeater list importer, the
# virtual devices, a menu entry, icons, man pages and examples under $(PREFIX).
install: build/build.ninja
	cmake --build build -j $(JOBS) --target programs
	@if [ -w "$(PREFIX)" ] || { [ ! -e "$(PREFIX)" ] && [ -w "$$(dirname "$(PREFIX)")" ]; }; then \
	  cmake --install build --prefix "$(PREFIX)"; \
	else \
	  $(SUDO) cmake --install build --prefix "$(PREFIX)"; \
	fi
	@echo
	@echo "Installed under $(PREFIX). Start the console in a folder of its own:"
	@echo "    mkdir -p ~/kestrel8 && cd ~/kestrel8 && $(PREFIX)/bin/kestrel8"
	@echo "(the menu entry \"Kestrel8\" does the same). Examples: $(PREFIX)/share/kestrel8/examples/"
	@echo "Real serial ports need the dialout group: sudo usermod -aG dialout \$$USER, then log in again."

# build/kestrel8_<version>_<arch>.deb: the same files under /usr, for apt.
package: deps build/build.ninja
	cmake --build build -j $(JOBS) --target programs
	cd build && cpack -G DEB

# The package through lintian and the desktop and AppStream validators,
# installed, both programs started (the window under Xvfb), and removed
# again; tools/install/package_check.sh says where it installs.
package-check: package
	@sh tools/install/package_check.sh build

# Speed against the targets in docs/performance.md, printed as one table.
# Takes about a minute: real START pauses and quiet spells of 10 s.
bench: deps build
	@sh bench/run_benchmarks.sh build

# Every fuzz target (clang, libFuzzer, ASan+UBSan) for FUZZ_SECONDS each,
# from the seeds in fuzz/corpus/; finds and crashes stay in build-fuzz/.
FUZZ_SECONDS ?= 60

fuzz: deps
	cmake -S fuzz -B build-fuzz $(CMAKE_GEN) -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j $(JOBS)
	sh fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# build-win/kestrel8.exe and kestrel8-repeaters.exe, cross-compiled with
# mingw-w64, and what a Windows operator downloads: build-win/kestrel8-setup.exe
# (NSIS installer) and build-win/kestrel8-windows.zip (programs, README-Windows.txt,
# examples, the guide).
build-win/build.ninja:
	cmake -S . -B build-win $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

windows: deps-windows build-win/build.ninja
	cmake --build build-win -j $(JOBS) --target kestrel8_zip kestrel8_setup

# The Windows tests under Wine and Xvfb; the Wine prefix lives in build-win/.
# build-win/host is the Linux side: pseudo-terminals, the virtual devices.
build-win/host/build.ninja:
	cmake -S . -B build-win/host $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DKESTREL_WITH_QT=OFF \
	  -DKESTREL_TESTS=OFF -DKESTREL_WINE_TESTS=ON -DKESTREL_WIN_BUILD_DIR=$(CURDIR)/build-win

test-windows: windows build-win/host/build.ninja
	cmake --build build-win -j $(JOBS)
	cmake --build build-win/host -j $(JOBS) --target kestrel8-devices serial_port_wine_test console_wine_end_to_end_test
	xvfb-run -a -n $(XVFB_DISPLAY) sh tests/wine/run.sh build-win

XVFB_DISPLAY ?= 99

clean:
	rm -rf build build-asan build-tsan build-fuzz build-win

# Every C++ file as .clang-format lays it out; format-check fails on any
# difference and names the files.
FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format:
	clang-format -i $(FORMAT_FILES)

format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_FILES) && echo "format-check: every file is formatted"

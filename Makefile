# Front door for building, testing and running Kestrel8.
# Every target works on a fresh Debian machine: `make deps` installs what is missing.

PACKAGES := g++ cmake ninja-build pkg-config groff-base cmark-gfm qt6-base-dev libxkbcommon-dev fonts-dejavu-core fonts-ipafont-gothic \
            googletest libgmock-dev libgtest-dev libbenchmark-dev \
            clang libclang-rt-14-dev xvfb xauth x11-utils imagemagick xdotool \
            dpkg-dev lintian desktop-file-utils appstream librsvg2-bin clang-format \
            orca speech-dispatcher at-spi2-core dbus-daemon dbus-bin procps \
            libhamlib-utils ser2net socat
# The Windows program is cross-compiled and tested under Wine: `make deps-windows`.
WINDOWS_PACKAGES := g++ cmake ninja-build groff-base cmark-gfm mandoc googletest libgtest-dev \
                    g++-mingw-w64-x86-64-posix wine64 xvfb xauth nsis locales libhamlib-utils
# The arm64 build (Raspberry Pi OS 64-bit and other arm64 Debian machines) with
# Debian's multiarch libraries, its tests under qemu: `make deps-arm64`.
ARM64_PACKAGES := crossbuild-essential-arm64 qt6-base-dev:arm64 qt6-qpa-plugins:arm64 \
                  libgtest-dev:arm64 libgmock-dev:arm64 libbenchmark-dev:arm64 qemu-user-static
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
# Waits for another apt or dpkg instead of failing at once.
APT_GET := apt-get -o DPkg::Lock::Timeout=600
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test test-loaded sanitize sanitize-address sanitize-thread run run-display-check bench fuzz install clean
.PHONY: package package-check deps-windows windows test-windows format format-check
.PHONY: test-screen-reader deps-arm64 build-arm64 test-arm64 package-arm64 release

all: build

deps:
	@$(call install_missing,$(PACKAGES))

deps-windows:
	@$(call install_missing,$(WINDOWS_PACKAGES))

# arm64 joins dpkg's architectures once; install_missing then updates the
# package lists because the arm64 packages are missing.
deps-arm64:
	@dpkg --print-foreign-architectures | grep -qx arm64 || $(SUDO) dpkg --add-architecture arm64
	@$(call install_missing,$(PACKAGES) $(ARM64_PACKAGES))

define install_missing
	missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) $(APT_GET) update && DEBIAN_FRONTEND=noninteractive $(SUDO) $(APT_GET) install -y --no-install-recommends $$missing; \
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

# The window under the Orca screen reader, worked by keyboard against the
# virtual devices, on an X display, D-Bus session and speech server of its own.
test-screen-reader: deps build/build.ninja
	cmake --build build -j $(JOBS) --target kestrel8 kestrel8-devices
	bash tests/screen_reader/run.sh build

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
	xvfb-run -a -n $(XVFB_DISPLAY) -s "-screen 0 1280x1024x24 -noreset" sh tests/wine/run.sh build-win

XVFB_DISPLAY ?= 99

# build-arm64/: the programs and tests for arm64 Debian (Raspberry Pi OS
# 64-bit), cross-compiled with Debian's multiarch libraries.
build-arm64/build.ninja:
	cmake -S . -B build-arm64 $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake

build-arm64: build-arm64/build.ninja
	cmake --build build-arm64 -j $(JOBS)

# The suite under qemu-aarch64-static, less the tests labelled
# not-under-emulation (tests/CMakeLists.txt says why for each).
test-arm64: deps-arm64 build-arm64
	cd build-arm64 && ctest --output-on-failure -j $(JOBS) -LE not-under-emulation

# build-arm64/kestrel8_<version>_arm64.deb: the amd64 package's files built
# for arm64, its dependencies read from the arm64 libraries, then lintian,
# the validators and the file list compared with build/'s package.
package-arm64: deps-arm64 build-arm64/build.ninja
	cmake --build build-arm64 -j $(JOBS) --target programs
	cd build-arm64 && DEB_HOST_ARCH=arm64 cpack -G DEB
	@sh tools/install/package_check.sh build-arm64 arm64

# dist/: every file of a release and their SHA256SUMS, made from the committed
# tree only, so that the source tarball and the packages agree. Both packages
# pass lintian and the validators first.
RELEASE_BUILT := build-win/kestrel8-windows.zip build-win/kestrel8-setup.exe

release:
	@if [ -n "$$(git status --porcelain)" ]; then \
	  git status --short; \
	  echo "release: the tree has uncommitted changes (above); commit or stash them first" >&2; \
	  exit 1; \
	fi
	$(MAKE) package-check package-arm64 windows
	@version=$$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$$/\1/p' build/CPackConfig.cmake); \
	files="build/kestrel8_$${version}_amd64.deb build-arm64/kestrel8_$${version}_arm64.deb $(RELEASE_BUILT)"; \
	for f in $$files; do [ -f "$$f" ] || { echo "release: $$f is missing" >&2; exit 1; }; done; \
	rm -rf dist && mkdir dist && cp $$files dist/ && \
	git archive --format=tar.gz --prefix=kestrel8-$$version/ -o dist/kestrel8-$$version.tar.gz HEAD && \
	(cd dist && sha256sum $$(ls | grep -vx SHA256SUMS) > SHA256SUMS) && \
	echo "release: dist/ for kestrel8 $$version at $$(git rev-parse --short HEAD):" && ls -l dist

clean:
	rm -rf build build-asan build-tsan build-fuzz build-win build-arm64

# Every C++ file as .clang-format lays it out; format-check fails on any
# difference and names the files.
FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format:
	clang-format -i $(FORMAT_FILES)

format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_FILES) && echo "format-check: every file is formatted"

# Front end: installs what a fresh Debian machine lacks, then drives the CMake presets.
#   make demo   build and run the simulator's narrated session
#   make test   build every preset and run every test suite
#   make dll    build the shipped i686 K7.dll
#   make screenshot  photograph the real configuration dialog for the README

PACKAGES := g++ cmake make pkg-config googletest libgtest-dev libbenchmark-dev \
            libpugixml-dev libudev-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
            binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64 xvfb xauth
DEMO_PACKAGES := g++ cmake make pkg-config libgtest-dev googletest libbenchmark-dev libpugixml-dev libudev-dev
SCREENSHOT_PACKAGES := $(PACKAGES) imagemagick x11-utils

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
NATIVE_PRESETS := linux linux-sanitize
CROSS_PRESETS := win32 win64

.PHONY: all deps deps-demo deps-screenshot demo test dll screenshot clean

all: test

# Installs only what is missing; never wine32 or the i386 architecture.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

deps-demo:
	$(call install_missing,$(DEMO_PACKAGES))

deps-screenshot:
	$(call install_missing,$(SCREENSHOT_PACKAGES))

build/%/CMakeCache.txt:
	cmake --preset $* > /dev/null

configure-%: build/%/CMakeCache.txt
	@true

demo: deps-demo build/linux/CMakeCache.txt
	cmake --build --preset linux -j $(JOBS) --target k7sim
	./build/linux/k7sim demo

test: deps $(addprefix build/,$(addsuffix /CMakeCache.txt,$(NATIVE_PRESETS) $(CROSS_PRESETS)))
	@start=$$(date +%s); \
	for p in $(NATIVE_PRESETS) $(CROSS_PRESETS); do \
	  cmake --build --preset $$p -j $(JOBS) || exit 1; \
	done; \
	echo "build time: $$(( $$(date +%s) - start )) s"
	@for p in $(NATIVE_PRESETS) win64; do \
	  echo "== tests: $$p"; \
	  ctest --preset $$p -j $(JOBS) || exit 1; \
	done
	@./cmake/check-dll.sh build/win32/K7.dll

dll: deps build/win32/CMakeCache.txt
	cmake --build --preset win32 -j $(JOBS) --target K7
	@./cmake/check-dll.sh build/win32/K7.dll

# The real Win32 dialog under wine64 and Xvfb, grabbed from the X server.
screenshot: deps-screenshot
	cmake --preset win64 > /dev/null
	cmake --build --preset win64 -j $(JOBS) --target k7_dialog_shot
	./cmake/dialog-screenshot.sh build/win64 docs/config-dialog.png

clean:
	rm -rf build

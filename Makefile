# Front end: installs what a fresh Debian machine lacks, then drives the CMake presets.
#   make demo   build and run the simulator's narrated session
#   make test   build every preset and run every test suite
#   make dll    build the shipped i686 K7.dll
#   make dist   the release kit: dist/k7pendant-VERSION-win32.zip
#   make check-reproducible  build the kit in two clones and compare the bytes
#   make install-udev   let the logged-in user open the pendant on Linux
#   make screenshot  photograph the real configuration dialog for the README
#   make fuzz   run the libFuzzer targets for FUZZ_SECONDS each (default 600)
#   make bench  run the benchmarks of the plug-in alone and of the simulator

PACKAGES := g++ cmake make pkg-config googletest libgtest-dev libbenchmark-dev \
            libpugixml-dev libudev-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
            binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64 xvfb xauth libc6-i386
DEMO_PACKAGES := g++ cmake make pkg-config libgtest-dev googletest libbenchmark-dev libpugixml-dev libudev-dev
SCREENSHOT_PACKAGES := $(PACKAGES) imagemagick x11-utils
# clang and its runtimes (libFuzzer, the sanitizers) for the fuzz preset.
FUZZ_PACKAGES := clang libclang-rt-14-dev
# The release kit.
DIST_PACKAGES := zip
# The virtual machine that runs the i686 suites where 32-bit code cannot run.
VM_PACKAGES := qemu-system-x86 busybox-static kmod
BENCH_PACKAGES := $(DEMO_PACKAGES) time
FUZZ_SECONDS ?= 600
# Throughput for long runs: a smaller quarantine and no allocation stacks (run
# the target on a crash file to see a report with full stacks).
FUZZ_ASAN_OPTIONS := quarantine_size_mb=16:max_malloc_fill_size=0:malloc_context_size=0
FUZZ_TARGETS := tick profile dialog

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
NATIVE_PRESETS := linux linux-sanitize
CROSS_PRESETS := win32 win64

.PHONY: all deps deps-demo deps-screenshot deps-fuzz deps-bench deps-vm deps-dist vm-ready demo test dll dist check-reproducible install-udev screenshot fuzz bench clean

all: test

# Installs only what is missing; never wine32 or the i386 architecture.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO ./cmake/apt-retry.sh update -q && \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive ./cmake/apt-retry.sh install -y -q --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

deps-demo:
	$(call install_missing,$(DEMO_PACKAGES))

deps-screenshot:
	$(call install_missing,$(SCREENSHOT_PACKAGES))
deps-fuzz:
	$(call install_missing,$(FUZZ_PACKAGES))

deps-bench:
	$(call install_missing,$(BENCH_PACKAGES))

deps-vm:
	$(call install_missing,$(VM_PACKAGES))

deps-dist:
	$(call install_missing,$(DIST_PACKAGES))

build/%/CMakeCache.txt:
	cmake --preset $* > /dev/null

configure-%: build/%/CMakeCache.txt
	@true

demo: deps-demo build/linux/CMakeCache.txt
	cmake --build --preset linux -j $(JOBS) --target k7sim
	./build/linux/k7sim demo

# The i686 suites run the shipped DLL under 32-bit wine, unpacked from Debian's
# packages into build/wine32 once. Where the kernel executes 32-bit code (the
# i386 loader of libc6-i386 is the probe) they run natively; elsewhere inside a
# throwaway virtual machine (Debian's stock kernel under qemu, this machine's
# root shared over 9p), prepared into build/vm once. The summary says which.
CAN_RUN_32BIT := /lib/ld-linux.so.2 --version > /dev/null 2>&1
build/wine32/.complete:
	./cmake/fetch-wine32.sh build/wine32

build/vm/.complete: cmake/vm-prepare.sh cmake/vm-init.sh
	rm -f $@ && ./cmake/vm-prepare.sh build/vm

# The guest's tools, then the guest (beside the 32-bit wine, under make -j2).
vm-ready: deps-vm
	@$(MAKE) --no-print-directory build/vm/.complete

# The Windows suites mostly wait (wine's timers, its server, the emulated
# guest): each starts in the background as soon as its preset is built, while
# the next presets build beside it at a lower priority. What the i686 suites
# need (32-bit wine, the virtual machine) is prepared during the first build.
test: deps $(addprefix build/,$(addsuffix /CMakeCache.txt,$(NATIVE_PRESETS) $(CROSS_PRESETS)))
	@start=$$(date +%s); \
	stop() { ./cmake/suite-start.sh --stop win32; ./cmake/suite-start.sh --stop win64; }; \
	trap 'stop; exit 130' INT TERM; \
	if $(CAN_RUN_32BIT); then \
	  vm=""; prepare="build/wine32/.complete"; \
	  echo "i686 tests: natively, under the unpacked 32-bit wine"; \
	else \
	  vm="--vm"; prepare="-j2 build/wine32/.complete vm-ready"; \
	  echo "i686 tests: in a virtual machine (this kernel does not execute 32-bit x86 code)"; \
	fi; \
	$(MAKE) --no-print-directory $$prepare > build/i686-prepare.log 2>&1 & preparing=$$!; \
	cmake --build --preset win32 -j $(JOBS) && ./cmake/check-dll.sh build/win32/K7.dll; \
	built=$$?; wait $$preparing; prepared=$$?; cat build/i686-prepare.log; \
	[ $$built = 0 ] && [ $$prepared = 0 ] || exit 1; \
	./cmake/suite-start.sh -j $(JOBS) $$vm win32; \
	nice -n 10 cmake --build --preset win64 -j $(JOBS) || { stop; exit 1; }; \
	./cmake/suite-start.sh -j $(JOBS) win64; \
	for p in $(NATIVE_PRESETS); do \
	  nice -n 10 cmake --build --preset $$p -j $(JOBS) || { stop; exit 1; }; \
	done; \
	echo "build time: $$(( $$(date +%s) - start )) s"; \
	./cmake/run-suites.sh -j $(JOBS) $(NATIVE_PRESETS) --started win64 win32

dll: deps build/win32/CMakeCache.txt
	cmake --build --preset win32 -j $(JOBS) --target K7
	@./cmake/check-dll.sh build/win32/K7.dll

# The release kit dist/k7pendant-VERSION-win32.zip, VERSION the project's one
# version; check-reproducible builds it in two clones and compares the bytes.
VERSION := $(shell sed -n 's/^project.k7pendant VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

dist: dll deps-dist
	./cmake/make-dist.sh build/win32/K7.dll $(VERSION) dist

check-reproducible: deps deps-dist
	./cmake/check-reproducible.sh

# The pendant's udev rule, then udev told to apply it to what is plugged in now.
# Without a running udev (a container) the rule applies from the next start.
UDEV_RULES_DIR ?= /etc/udev/rules.d
UDEV_RULE := packaging/udev/70-k7pendant.rules

install-udev:
	@SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	$$SUDO install -D -m 0644 $(UDEV_RULE) $(UDEV_RULES_DIR)/$(notdir $(UDEV_RULE)) && \
	echo "installed $(UDEV_RULES_DIR)/$(notdir $(UDEV_RULE))" && \
	if command -v udevadm >/dev/null 2>&1 && $$SUDO udevadm control --reload-rules 2>/dev/null; then \
	  $$SUDO udevadm trigger --action=add --subsystem-match=hidraw; \
	  echo "udev reloaded: unplug and replug the pendant if it was plugged in"; \
	else \
	  echo "udev is not running here: the rule applies from the next start"; \
	fi
# The real Win32 dialog under wine64 and Xvfb, grabbed from the X server.
screenshot: deps-screenshot
	cmake --preset win64 > /dev/null
	cmake --build --preset win64 -j $(JOBS) --target k7_dialog_shot
	./cmake/dialog-screenshot.sh build/win64 docs/config-dialog.png

# Each libFuzzer target for FUZZ_SECONDS, from its seeds and the corpus it
# grew before (build/fuzz/tests/fuzz/corpus), then its executions and rate.
fuzz: deps-demo deps-fuzz build/fuzz/CMakeCache.txt
	cmake --build --preset fuzz -j $(JOBS)
	@for t in $(FUZZ_TARGETS); do \
	  work=build/fuzz/tests/fuzz/corpus/$$t; mkdir -p $$work; \
	  case $$t in tick) len=192;; dialog) len=512;; *) len=4096;; esac; \
	  echo "== fuzz $$t for $(FUZZ_SECONDS) s"; \
	  ASAN_OPTIONS=$(FUZZ_ASAN_OPTIONS) ./build/fuzz/tests/fuzz/k7_fuzz_$$t \
	    -max_total_time=$(FUZZ_SECONDS) -max_len=$$len -timeout=10 \
	    -rss_limit_mb=1024 -print_final_stats=1 $$work tests/fuzz/corpus/$$t \
	    > build/fuzz/fuzz-$$t.log 2>&1 || { tail -40 build/fuzz/fuzz-$$t.log; exit 1; }; \
	  runs=$$(sed -n 's/^stat::number_of_executed_units: *//p' build/fuzz/fuzz-$$t.log); \
	  rate=$$(sed -n 's/^stat::average_exec_per_sec: *//p' build/fuzz/fuzz-$$t.log); \
	  echo "fuzz $$t: $$runs executions, $$rate per second"; \
	done

# The benchmarks of the plug-in alone (Google Benchmark), then the simulator:
# every trace in tests/traces, and a trace of a million ticks.
bench: deps-bench build/linux/CMakeCache.txt
	cmake --build --preset linux -j $(JOBS) --target k7_bench k7sim
	./build/linux/tests/k7_bench --benchmark_min_time=0.5
	@./tests/bench/sim_run.sh build/linux/k7sim tests/traces

clean:
	rm -rf build

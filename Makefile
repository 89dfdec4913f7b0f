# Front end: installs what a fresh Debian machine lacks, then drives the CMake presets.
#   make demo   build and run the simulator's narrated session
#   make test   build every preset and run every test suite
#   make dll    build the shipped i686 K7.dll
#   make fuzz   run the libFuzzer targets for FUZZ_SECONDS each (default 600)
#   make bench  run the benchmarks of the plug-in alone and of the simulator

PACKAGES := g++ cmake make pkg-config googletest libgtest-dev libbenchmark-dev \
            libpugixml-dev libudev-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
            binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64 xvfb xauth
DEMO_PACKAGES := g++ cmake make pkg-config libgtest-dev googletest libbenchmark-dev libpugixml-dev libudev-dev
# clang and its runtimes (libFuzzer, the sanitizers) for the fuzz preset.
FUZZ_PACKAGES := clang libclang-rt-14-dev
BENCH_PACKAGES := $(DEMO_PACKAGES) time
FUZZ_SECONDS ?= 600
# Throughput for long runs: a smaller quarantine and no allocation stacks (run
# the target on a crash file to see a report with full stacks).
FUZZ_ASAN_OPTIONS := quarantine_size_mb=16:max_malloc_fill_size=0:malloc_context_size=0
FUZZ_TARGETS := tick profile dialog

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
NATIVE_PRESETS := linux linux-sanitize
CROSS_PRESETS := win32 win64

.PHONY: all deps deps-demo deps-fuzz deps-bench demo test dll fuzz bench clean

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

deps-fuzz:
	$(call install_missing,$(FUZZ_PACKAGES))

deps-bench:
	$(call install_missing,$(BENCH_PACKAGES))

build/%/CMakeCache.txt:
	cmake --preset $* > /dev/null

configure-%: build/%/CMakeCache.txt
	@true

demo: deps-demo build/linux/CMakeCache.txt
	cmake --build --preset linux -j $(JOBS) --target k7sim
	./build/linux/k7sim demo

test: deps deps-fuzz $(addprefix build/,$(addsuffix /CMakeCache.txt,$(NATIVE_PRESETS) $(CROSS_PRESETS) fuzz))
	@start=$$(date +%s); \
	for p in $(NATIVE_PRESETS) $(CROSS_PRESETS) fuzz; do \
	  cmake --build --preset $$p -j $(JOBS) || exit 1; \
	done; \
	echo "build time: $$(( $$(date +%s) - start )) s"
	@for p in $(NATIVE_PRESETS) fuzz win64; do \
	  echo "== tests: $$p"; \
	  ctest --preset $$p -j $(JOBS) || exit 1; \
	done
	@./cmake/check-dll.sh build/win32/K7.dll

dll: deps build/win32/CMakeCache.txt
	cmake --build --preset win32 -j $(JOBS) --target K7
	@./cmake/check-dll.sh build/win32/K7.dll

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

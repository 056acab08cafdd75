# Entry points for a fresh Debian machine: `make run`, `make test`, `make windows` and `make fuzz`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PACKAGES    = cmake g++ make git libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
              libtomlplusplus-dev libeigen3-dev libsuitesparse-dev libopenblas-dev gmsh python3-meshio python3-numpy \
              petsc-dev openmpi-bin
BENCH_REPETITIONS ?= 10
WINDOWS_BUILD    ?= build-windows
WINDOWS_PACKAGES  = cmake g++-mingw-w64-x86-64 wine64
FUZZ_BUILD       ?= build-fuzz
FUZZ_SECONDS     ?= 60
FUZZ_PACKAGES     = cmake make clang libclang-rt-dev libtomlplusplus-dev

.PHONY: deps build run test test-release test-sanitized bench windows fuzz clean

deps:
	@scripts/install-deps.sh $(PACKAGES)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/xefhost info
	./$(BUILD)/xefhost solve examples/cylinder/cylinder.toml --refine 3 -o out

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-sanitized: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DMOLR_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

test: test-release test-sanitized

# Kernel benchmarks (median of BENCH_REPETITIONS, interleaved, with the kernel/reference ratios at
# the end), the host's assembly per element on one and two threads, then the scale table from 10^4
# to 10^7 triangles (SIZES=1e4,1e5 for a short one). The bench goes into the main build folder so
# that the scale runs use its xefhost.
bench: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMOLR_BUILD_BENCH=ON
	cmake --build $(BUILD) -j$(JOBS)
	./$(BUILD)/bench/bench_kernels --benchmark_repetitions=$(BENCH_REPETITIONS) \
	  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
	./$(BUILD)/bench/bench_assembly --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	BUILD=$(BUILD) bench/scale/run_scale.sh

# MOLR.W64.dll cross-built with MinGW-w64, its export table checked and its test host run under Wine.
windows:
	@scripts/install-deps.sh $(WINDOWS_PACKAGES)
	JOBS=$(JOBS) scripts/build-windows.sh $(WINDOWS_BUILD)

# libFuzzer targets (fuzz/README.md): the readers of .msh files, problem files and element
# descriptions, built with clang and sanitizers in their own folder, each run for FUZZ_SECONDS on a
# copy of its seed corpus. Fails on any crash, leak, timeout or sanitizer report.
fuzz:
	@scripts/install-deps.sh $(FUZZ_PACKAGES)
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLR_FUZZ=ON -DMOLR_BUILD_HOST=OFF -DMOLR_BUILD_TESTS=OFF
	cmake --build $(FUZZ_BUILD) --target molr_fuzzers -j$(JOBS)
	fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD) $(FUZZ_BUILD)

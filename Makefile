# Entry points for a fresh Debian machine: `make run`, `make test` and `make windows`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PACKAGES    = cmake g++ make git libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
              libtomlplusplus-dev libeigen3-dev libsuitesparse-dev libopenblas-dev gmsh python3-meshio python3-numpy
BENCH_REPETITIONS ?= 10
WINDOWS_BUILD    ?= build-windows
WINDOWS_PACKAGES  = cmake g++-mingw-w64-x86-64 wine64

.PHONY: deps build run test test-release test-sanitized bench windows clean

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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD)

# Entry points for a fresh Debian machine: `make run`, `make test` and `make windows`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PACKAGES    = cmake g++ make git libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
              libtomlplusplus-dev libeigen3-dev libsuitesparse-dev libopenblas-dev gmsh python3-meshio python3-numpy
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

# MOLR.W64.dll cross-built with MinGW-w64, its export table checked and its test host run under Wine.
windows:
	@scripts/install-deps.sh $(WINDOWS_PACKAGES)
	JOBS=$(JOBS) scripts/build-windows.sh $(WINDOWS_BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD)

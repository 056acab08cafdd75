#!/usr/bin/env bash
# Cross-builds MOLR.W64.dll, the example element DLLs and the Windows test host with MinGW-w64
# from the same sources as the Linux build, then checks the export and import tables of every
# element DLL and runs the host under Wine. All checks always run; the script fails if any fails.
# The example elements are the targets that examples/elements/ registers in MOLR_EXAMPLE_ELEMENTS,
# each built as BUILD/examples/NAME.dll; one registered but not built fails the export check.
# Usage: build-windows.sh [build folder, default build-windows]; JOBS sets the build's parallelism.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DMOLR_BUILD_HOST=OFF -DMOLR_BUILD_TESTS=OFF
cmake --build "$build" -j"${JOBS:-2}"

# The cache holds the registered example targets as NAME;NAME;...
examples=$(sed -n 's/^MOLR_EXAMPLE_ELEMENTS:INTERNAL=//p' "$build/CMakeCache.txt" | tr ';' ' ')
dlls=("$build/MOLR.W64.dll")
for name in $examples; do
  dlls+=("$build/examples/$name.dll")
done

status=0
scripts/check-dll-exports.sh "${dlls[@]}" || status=1
scripts/run-windows-checks.sh "$build" || status=1
exit "$status"

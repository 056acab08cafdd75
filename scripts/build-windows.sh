#!/usr/bin/env bash
# Cross-builds MOLR.W64.dll and the Windows test host with MinGW-w64 from the same sources as the
# Linux build, then checks the DLL's export and import tables and runs the host under Wine. Both
# checks always run; the script fails if either fails.
# Usage: build-windows.sh [build folder, default build-windows]; JOBS sets the build's parallelism.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DMOLR_BUILD_HOST=OFF -DMOLR_BUILD_TESTS=OFF
cmake --build "$build" -j"${JOBS:-2}"

status=0
scripts/check-dll-exports.sh "$build/MOLR.W64.dll" || status=1
scripts/run-windows-checks.sh "$build" || status=1
exit "$status"

#!/usr/bin/env bash
# The scale table of `make bench`: 10^4 to 10^7 triangles; SIZES=1e4,1e5 for a quicker one.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/../../${BUILD:-build}"
exec /usr/bin/python3 "$here/scale_table.py" --sizes "${SIZES:-1e4,1e5,1e6,1e7}" \
  --xefhost "$build/xefhost" --element "$build/MOLR.so" "$@"

#!/usr/bin/env bash
# Runs the benchmark cantilever (NX x NY squares, default 2000 x 200) with xefhost and with each
# installed peer, RUNS times each (default 3), interleaved so that a slow spell of the machine
# hits all alike, and prints the table of medians. Nothing is written into the source tree:
# everything goes to OUT (default: a new temporary folder), which is kept for inspection.
#
#   bench/peers/run.sh [NX NY]
#   OUT=/tmp/peers RUNS=3 XEFHOST=build/xefhost ELEMENT=build/MOLR.so bench/peers/run.sh 200 20
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
nx="${1:-2000}"
ny="${2:-200}"
runs="${RUNS:-3}"
xefhost="${XEFHOST:-$root/build/xefhost}"
element="${ELEMENT:-$root/build/MOLR.so}"
out="${OUT:-$(mktemp -d /tmp/molr-peers.XXXXXX)}"
python=/usr/bin/python3

for tool in "$xefhost" "$element" /usr/bin/time; do
  [ -e "$tool" ] || {
    echo "missing $tool (build the project; install the package time)" >&2
    exit 1
  }
done
mkdir -p "$out/mesh" "$out/runs"
rm -f "$out"/runs/*
echo "output folder $out"
"$python" "$root/bench/cantilever_mesh.py" --nx "$nx" --ny "$ny" -o "$out/mesh"

# The peers run single-threaded: one process, and no threads in BLAS or OpenMP (left to itself,
# OpenBLAS would start a thread per core for FreeFEM's factorization). xefhost runs as it ships,
# assembling and factorizing on every core, and once more on one thread for comparison.
#
# OpenBLAS 0.3.21 falls back to its generic kernels on CPUs newer than it knows; xefhost then starts
# itself again with its AVX2 kernels, the peers do not. BLAS_CORE=Haswell gives every program those
# kernels (OPENBLAS_CORETYPE), for a comparison of the programs alone.
single=(env OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 MKL_NUM_THREADS=1
  FF_LOADPATH=/usr/lib/freefem++)
if [ -n "${BLAS_CORE:-}" ]; then
  export OPENBLAS_CORETYPE="$BLAS_CORE"
  echo "every program runs with OPENBLAS_CORETYPE=$BLAS_CORE"
fi
programs=(xefhost xefhost1)
declare -A command
command[xefhost]="$xefhost solve $out/mesh/cantilever.toml --element $element"
command[xefhost]+=" -o $out/xefhost-out"
command[xefhost1]="${single[*]} $xefhost solve $out/mesh/cantilever.toml --element $element"
command[xefhost1]+=" -o $out/xefhost1-out"

if command -v FreeFem++-nw > /dev/null && [ -e /usr/lib/freefem++/gmsh.so ] \
  && command -v gmsh > /dev/null; then
  # FreeFEM reads Gmsh 2.2 text only (its 2.2 binary reading is broken); converting is untimed.
  gmsh -0 "$out/mesh/cantilever.msh" -format msh22 -o "$out/mesh/cantilever22.msh" > /dev/null
  programs+=(freefem)
  command[freefem]="${single[*]} FreeFem++-nw -v 0 $here/cantilever.edp"
  command[freefem]+=" -mesh $out/mesh/cantilever22.msh"
else
  echo "FreeFEM is not installed (bench/peers/install.sh installs it): skipped"
fi

if "$python" -c "import dolfinx, meshio" 2> /dev/null; then
  # Two runs on a tiny mesh fill the form compiler's cache, so the timed runs compile nothing.
  "$python" "$root/bench/cantilever_mesh.py" --nx 2 --ny 1 -o "$out/warm-up" > /dev/null
  for _ in 1 2; do
    "${single[@]}" "$python" "$here/cantilever_dolfinx.py" "$out/warm-up/cantilever.msh" \
      > "$out/warm-up/dolfinx.log" 2>&1
  done
  programs+=(dolfinx)
  command[dolfinx]="${single[*]} $python $here/cantilever_dolfinx.py $out/mesh/cantilever.msh"
else
  echo "DOLFINx is not installed (bench/peers/install.sh installs it): skipped"
fi

if command -v g++ > /dev/null && [ -e /usr/include/eigen3/Eigen/CholmodSupport ] \
  && [ -e /usr/include/suitesparse/cholmod.h ]; then
  # Compiled here, untimed, into OUT: the source tree stays clean.
  if g++ -O2 -DNDEBUG -std=c++17 -Wall -Wextra -I/usr/include/eigen3 -I/usr/include/suitesparse \
    "$here/cantilever_plain.cpp" -o "$out/cantilever_plain" -lcholmod > "$out/plain-build.log" 2>&1
  then
    programs+=(plain)
    command[plain]="${single[*]} $out/cantilever_plain $out/mesh/cantilever.msh"
  else
    echo "the plain C++ peer did not compile: see $out/plain-build.log"
  fi
else
  echo "g++, Eigen or CHOLMOD headers missing (make deps installs them): plain C++ peer skipped"
fi

for ((i = 1; i <= runs; i++)); do
  for program in "${programs[@]}"; do
    echo "run $i of $runs: $program"
    # shellcheck disable=SC2086 # the commands are word lists
    /usr/bin/time -f "%e %M %U %S" -o "$out/runs/$program-$i.time" ${command[$program]} \
      > "$out/runs/$program-$i.log" 2>&1 || echo "$program failed: see $out/runs/$program-$i.log"
  done
done

echo
echo "cantilever $nx x $ny, $(date -u +%Y-%m-%d), $(nproc) cores"
"$python" "$here/report.py" "$out" "${programs[@]}"

#!/usr/bin/env bash
# Rewrites the .msh seeds of fuzz/corpus/msh_reader/ from the repository's geometries, in both
# versions the reader takes, text and binary, as the installed gmsh writes them. The element size
# is coarse so that each seed stays a few KB: libFuzzer mutates small inputs far faster.
set -euo pipefail
cd "$(dirname "$0")/.."
out=fuzz/corpus/msh_reader
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# name, geometry, extra gmsh options
seeds=(
  "patch examples/patch/patch.geo -setnumber h 0.7"
  "cylinder examples/cylinder/cylinder.geo -setnumber h 0.6"
  "cylinder_quadratic examples/cylinder/cylinder_quadratic.geo -setnumber h 0.8"
  "cylinder_quadrilateral examples/cylinder/cylinder_quadrilateral.geo -setnumber h 0.6"
  "mixed tests/data/msh/mixed.geo"
  "plate fuzz/model/plate.geo"
)
# gmsh's log goes to the scratch folder; it is shown only when gmsh fails.
mesh() { gmsh "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log"; return 1; }; }
for seed in "${seeds[@]}"; do
  read -r name geometry options <<<"$seed"
  for format in msh22 msh41; do
    # shellcheck disable=SC2086 # the options are separate words
    mesh "$geometry" -2 $options -format "$format" -o "$out/${name}_$format.msh"
    # shellcheck disable=SC2086
    mesh "$geometry" -2 $options -format "$format" -bin -o "$out/${name}_${format}_bin.msh"
  done
done
# Parametric coordinates appear only on request.
mesh tests/data/msh/mixed.geo -2 -format msh41 -parametric -o "$out/mixed_msh41_parametric.msh"
# The model alone, no mesh, as the host asks gmsh for it to estimate a mesh's size.
mesh examples/cylinder/cylinder.geo -0 -format msh41 -o "$out/cylinder_model_only_msh41.msh"

#!/usr/bin/env bash
# Installs the peer programs of the comparison from Debian (bookworm names): FreeFEM, whose
# UMFPACK solver is built in and whose Gmsh reader is a plugin of libfreefem++, with gmsh to
# convert the mesh for that reader; DOLFINx 0.5 with PETSc and MUMPS, and meshio, through which
# DOLFINx reads the same Gmsh file that xefhost reads. Installing twice changes nothing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/../../scripts/install-deps.sh" freefem++ libfreefem++ gmsh python3-dolfinx python3-meshio \
  python3-numpy time

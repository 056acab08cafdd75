#!/usr/bin/python3
"""The benchmark cantilever in DOLFINx 0.5: P1 plane-strain elasticity on the mesh that xefhost
reads (the Gmsh 4.1 file, through meshio), solved by PETSc with a MUMPS Cholesky factorization
(PETSc's own LU where PETSc was built without MUMPS).

    OMP_NUM_THREADS=1 /usr/bin/python3 cantilever_dolfinx.py cantilever.msh

The clamped edge and the tip are found by their coordinates, x = 0 and x = 10, which are exactly
the curves "clamped" and "tip" of the file; the facet count on the tip is checked against the
file's line elements.
"""
import sys
import time

import meshio
import numpy as np
import ufl
from dolfinx import fem, mesh
from dolfinx.fem.petsc import apply_lifting, assemble_matrix, assemble_vector, set_bc
from mpi4py import MPI
from petsc4py import PETSc

LENGTH = 10.0
E, NU = 1000.0, 0.3
MU = E / (2 * (1 + NU))
LAMBDA = E * NU / ((1 + NU) * (1 - 2 * NU))  # plane strain
TRACTION = (0.0, -1.0)


def read_mesh(path):
    """The triangles of the Gmsh file and the number of its line elements on the tip (x = 10)."""
    source = meshio.read(path)
    points = np.ascontiguousarray(source.points[:, :2])
    triangles = source.cells_dict["triangle"].astype(np.int64)
    lines = source.cells_dict["line"]
    tip_lines = int(np.sum(np.all(np.isclose(points[lines, 0], LENGTH), axis=1)))
    domain = ufl.Mesh(ufl.VectorElement("Lagrange", "triangle", 1))
    return mesh.create_mesh(MPI.COMM_WORLD, triangles, points, domain), tip_lines


def forms(beam, tip_facets):
    space = fem.VectorFunctionSpace(beam, ("Lagrange", 1))
    u, w = ufl.TrialFunction(space), ufl.TestFunction(space)

    def sigma(v):
        strain = ufl.sym(ufl.grad(v))
        return 2 * MU * strain + LAMBDA * ufl.tr(strain) * ufl.Identity(2)

    tags = mesh.meshtags(beam, 1, tip_facets, np.full(len(tip_facets), 1, dtype=np.int32))
    ds = ufl.Measure("ds", domain=beam, subdomain_data=tags)
    traction = fem.Constant(beam, PETSc.ScalarType(TRACTION))
    stiffness = fem.form(ufl.inner(sigma(u), ufl.grad(w)) * ufl.dx)
    load = fem.form(ufl.inner(traction, w) * ds(1))
    return space, stiffness, load


def main():
    start = time.perf_counter()
    beam, tip_lines = read_mesh(sys.argv[1])
    dim = beam.topology.dim
    beam.topology.create_connectivity(dim - 1, dim)
    tip_facets = mesh.locate_entities_boundary(beam, dim - 1,
                                               lambda x: np.isclose(x[0], LENGTH))
    clamped = mesh.locate_entities_boundary(beam, dim - 1, lambda x: np.isclose(x[0], 0.0))
    mesh_time = time.perf_counter() - start
    if len(tip_facets) != tip_lines:
        sys.exit("the tip has %d facets but the file %d lines" % (len(tip_facets), tip_lines))

    start = time.perf_counter()
    space, stiffness, load = forms(beam, tip_facets)
    jit_time = time.perf_counter() - start

    start = time.perf_counter()
    fixed = fem.locate_dofs_topological(space, dim - 1, clamped)
    bc = fem.dirichletbc(np.zeros(2, dtype=PETSc.ScalarType), fixed, space)
    matrix = assemble_matrix(stiffness, bcs=[bc])
    matrix.assemble()
    rhs = assemble_vector(load)
    apply_lifting(rhs, [stiffness], bcs=[[bc]])
    rhs.ghostUpdate(addv=PETSc.InsertMode.ADD, mode=PETSc.ScatterMode.REVERSE)
    set_bc(rhs, [bc])
    assembly_time = time.perf_counter() - start

    start = time.perf_counter()
    solver = PETSc.KSP().create(beam.comm)
    solver.setOperators(matrix)
    solver.setType("preonly")
    factor = solver.getPC()
    if PETSc.Sys.hasExternalPackage("mumps"):
        matrix.setOption(PETSc.Mat.Option.SPD, True)
        factor.setType("cholesky")
        factor.setFactorSolverType("mumps")
    else:
        factor.setType("lu")
    displacement = fem.Function(space)
    solver.solve(rhs, displacement.vector)
    displacement.x.scatter_forward()
    solve_time = time.perf_counter() - start

    values = displacement.x.array.reshape(-1, 2)
    x = space.tabulate_dof_coordinates()
    corner = np.flatnonzero(np.isclose(x[:, 0], LENGTH) & np.isclose(x[:, 1], 0.0))
    print("nodes %d, triangles %d, unknowns %d, %s %s" %
          (beam.geometry.x.shape[0], beam.topology.index_map(dim).size_local, values.size,
           factor.getType(), factor.getFactorSolverType()))
    print("time mesh %.3f s, jit %.3f s, assembly %.3f s, solve %.3f s" %
          (mesh_time, jit_time, assembly_time, solve_time))
    print("tip deflection %.10g" % values[corner[0], 1])
    print("largest displacement %.10g" % np.max(np.linalg.norm(values, axis=1)))
    print("strain energy %.10g" % (0.5 * rhs.dot(displacement.vector)))


if __name__ == "__main__":
    main()

// Each rank's elements through the element's kernels into PETSc objects laid out by the
// distributed mesh: a matrix of block size the unknowns per node, preallocated from the plex's
// adjacency, and global vectors whose shared entries PETSc sums and exchanges.
#pragma once

#include "distributed_mesh.h"
#include "element_kernels.h"
#include "model.h"

#include <petscmat.h>

#include <vector>

namespace xefhost {

class DistributedAssembly {
  public:
    // piece: the model built on mesh.localPiece(); both must outlive this object.
    DistributedAssembly(const DistributedMesh& mesh, const Model& piece);
    ~DistributedAssembly();
    DistributedAssembly(const DistributedAssembly&) = delete;
    DistributedAssembly& operator=(const DistributedAssembly&) = delete;

    // Collective. The caller destroys what it gets.
    Mat createMatrix() const;
    Vec createVector() const;

    // Adds every local element's internal force at the displacements `u` (a global vector) into
    // `force`, and its stiffness into `stiffness` when given; both are zeroed first.
    void assemble(ElementKernels& kernels, Vec u, Vec force, Mat stiffness) const;

    // The global vector of a field given at this rank's model nodes ([nodes][dofsPerNode]);
    // shared nodes take the owner's value.
    void scatter(const std::vector<double>& nodal, Vec global) const;

  private:
    const Model& piece_;
    DM dm_;
    std::vector<PetscInt> localDof_; // [model dofs]: index in the plex's local vectors
};

} // namespace xefhost

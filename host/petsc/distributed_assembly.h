// Each rank's elements through the element's kernels into PETSc objects laid out by the
// distributed mesh: a matrix of block size the unknowns per node, preallocated from the piece's
// elements, and global vectors whose shared entries PETSc sums and exchanges.
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
    // `force`, its stiffness into `stiffness` and |K_e| |u_e| into `magnitude` when given; each
    // is zeroed first.
    void assemble(ElementKernels& kernels, Vec u, Vec force, Mat stiffness,
                  Vec magnitude = nullptr) const;

    // The global vector of a field given at this rank's model nodes ([nodes][dofsPerNode]);
    // shared nodes take the owner's value.
    void scatter(const std::vector<double>& nodal, Vec global) const;
    // The values of a global vector at this rank's model unknowns.
    std::vector<double> gather(Vec global) const;
    // Per model unknown of this rank, the sum of every rank's value there: what one process
    // holding the whole model would have.
    std::vector<double> summed(const std::vector<double>& local) const;
    // Whether this rank owns the model unknown (each shared one has one owner).
    bool owns(size_t dof) const { return owned_[dof]; }
    // The model unknown's index in the plex's local vectors, as the matrix's local numbering.
    PetscInt localIndex(size_t dof) const { return localDof_[dof]; }

  private:
    const Model& piece_;
    DM dm_;
    std::vector<PetscInt> localDof_;   // [model dofs]: index in the plex's local vectors
    std::vector<PetscInt> nodeVertex_; // [model nodes]: the plex vertex, counted from the first
    std::vector<char> owned_;          // [model dofs]
};

} // namespace xefhost

// Each rank's elements through the element's kernels into PETSc objects laid out by the
// distributed mesh: a matrix of block size the unknowns per node, preallocated from the piece's
// elements, and global vectors whose shared entries are summed and exchanged here.
//
// The layout is read from the mesh once, in the constructor; after that the mesh may go. The
// plex costs some hundreds of bytes per cell, more than the matrix, and the solve needs only the
// numbering of the unknowns, which the piece's node tags carry.
#pragma once

#include "distributed_mesh.h"
#include "element_kernels.h"
#include "model.h"

#include <petscmat.h>
#include <petscsf.h>

#include <vector>

namespace xefhost {

class DistributedAssembly {
  public:
    // Collective. piece: the model built on mesh.localPiece(); it must outlive this object, the
    // mesh need not.
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
    bool owns(size_t dof) const { return slot_[dof / piece_.dofsPerNode] >= 0; }
    // The model unknown's index in the matrix's local numbering, which is the model's own.
    PetscInt localIndex(size_t dof) const { return static_cast<PetscInt>(dof); }

  private:
    // The model's values at its unknowns from this rank's part of a global array, and back.
    void spread(const PetscScalar* global, double* model) const;
    void add(const double* model, PetscScalar* global) const;

    const Model& piece_;
    std::vector<PetscInt> firstBlock_; // [ranks + 1]: each rank's block rows from its first on
    std::vector<PetscInt> slot_;       // [model nodes]: the owned block, or -(1 + the halo node)
    size_t haloNodes_ = 0;             // model nodes that other ranks own
    PetscSF halo_ = nullptr;           // the halo's unknowns (leaves) to their owners' (roots)
};

} // namespace xefhost

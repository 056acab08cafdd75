// Newton's problem held in pieces, one per rank: each rank's model of its piece of the
// distributed mesh, assembled by DistributedAssembly into one PETSc matrix and solved by
// PetscKsp. Loads, fixes and prescribed values are summed over the ranks that share a node, so
// that every rank sees what a process holding the whole model would; each shared unknown is
// counted in Newton's norms by its owner.
#pragma once

#include "distributed_assembly.h"
#include "newton_system.h"
#include "petsc_ksp.h"

#include <memory>

namespace xefhost {

class DistributedNewtonSystem : public NewtonSystem {
  public:
    // Collective. The piece's model, kernels and assembly must outlive this object. Given the
    // interpolations of the mesh's refinements, the solver is geometric multigrid on them.
    DistributedNewtonSystem(const Model& piece, ElementKernels& kernels,
                            const DistributedAssembly& assembly,
                            std::vector<VertexInterpolation> refinements = {});
    ~DistributedNewtonSystem() override;

    size_t dofCount() const override { return fixed_.size(); }
    bool fixed(size_t dof) const override { return fixed_[dof]; }
    double prescribed(size_t dof) const override { return prescribed_[dof]; }
    double externalForce(size_t dof) const override { return externalForce_[dof]; }
    bool counted(size_t dof) const override { return assembly_.owns(dof); }

    void assemble(const std::vector<double>& u, std::vector<double>& force,
                  std::vector<double>* magnitude, bool tangent) override;
    void analyze() override;
    void factorize() override;
    void solve(const std::vector<double>& residual, std::vector<double>& du) override;
    bool iterates() const override;
    double sum(double value) const override;
    double max(double value) const override;

    std::string summary() const;
    // Stored entries of the stiffness matrix over every rank.
    size_t matrixEntries() const;

  private:
    const Model& piece_;
    ElementKernels& kernels_;
    const DistributedAssembly& assembly_;
    std::vector<char> fixed_;
    std::vector<double> prescribed_, externalForce_;
    std::vector<PetscInt> fixedLocal_; // the plex's local indices of the fixed unknowns
    Mat matrix_ = nullptr;
    // The displacements' vector takes the correction and the forces' the right-hand side: each
    // is read out before the other use, and a vector is 16 bytes a node.
    Vec u_ = nullptr, force_ = nullptr, magnitude_ = nullptr;
    std::vector<OwnedMat> prolongations_; // over every unknown, coarsest first
    std::unique_ptr<PetscKsp> ksp_;
};

} // namespace xefhost

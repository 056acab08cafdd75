// What Newton's iterations need of a discrete problem, whether one process holds it whole or
// several hold a piece each: the unknowns held here, which of them are fixed and loaded, the
// internal force and tangent assembled at given displacements, the linear solves, and sums over
// every process. Vectors are indexed by the unknowns held here; an unknown that several
// processes hold has the same value on each, and is counted in sums by one of them.
#pragma once

#include <cstddef>
#include <vector>

namespace xefhost {

class NewtonSystem {
  public:
    virtual ~NewtonSystem() = default;

    virtual size_t dofCount() const = 0;
    virtual bool fixed(size_t dof) const = 0;
    virtual double prescribed(size_t dof) const = 0;    // at the full load, where fixed
    virtual double externalForce(size_t dof) const = 0; // at the full load
    // Whether this process counts the unknown in sums: every unknown is counted exactly once.
    virtual bool counted(size_t dof) const = 0;

    // The internal force at u, summed over every element at each unknown, into force; with
    // magnitude, |K_e| |u_e| summed likewise (the size of the terms, for the backward error); with
    // tangent, the stiffness too, for the next factorize.
    virtual void assemble(const std::vector<double>& u, std::vector<double>& force,
                          std::vector<double>* magnitude, bool tangent) = 0;
    // Once, before the first factorize; throws ResourceError where the solve would not fit.
    virtual void analyze() = 0;
    // Of the last tangent; throws SingularModelError.
    virtual void factorize() = 0;
    // du = K^-1 residual over the free unknowns (residual's fixed entries are ignored; du's are 0).
    virtual void solve(const std::vector<double>& residual, std::vector<double>& du) = 0;
    // Whether a solve iterates to a tolerance of its own (see LinearSolver::iterates).
    virtual bool iterates() const = 0;

    // Over every process.
    virtual double sum(double value) const = 0;
    virtual double max(double value) const = 0;
};

} // namespace xefhost

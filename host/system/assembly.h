// Adding every element's internal force and stiffness into the global arrays, on all threads.
#pragma once

#include "element_kernels.h"
#include "element_partition.h"
#include "sparse_system.h"

#include <vector>

namespace xefhost {

struct AssemblyTargets {
    std::vector<double>* internalForce = nullptr; // [dofs], fixed unknowns included
    SparseSystem* system = nullptr;               // stiffness into system->values, if given
    // |K_e| |u_e| summed per unknown, if given: the size of the terms whose sum is the internal
    // force, against which its round-off is judged.
    std::vector<double>* magnitude = nullptr;
};

// Zeroes the targets, then adds every element's contribution. u holds every unknown. Throws
// NonFiniteOutputError, naming the first element at fault, when a sum is not finite.
void assemble(const Model& model, ElementKernels& kernels, const ElementPartition& partition,
              const std::vector<double>& u, const AssemblyTargets& targets);

} // namespace xefhost

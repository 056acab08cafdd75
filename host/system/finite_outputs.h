// Kernel outputs must be finite before they become a result. The assembly checks its sums, which
// costs one pass over them; only when a sum is not finite are the elements called again, one by
// one in mesh order, to name the first that returned a non-finite value.
#pragma once

#include "element_kernels.h"
#include "model.h"

#include <vector>

namespace xefhost {

// True when every value is finite.
bool allFinite(const std::vector<double>& values, int threads);

// Throws NonFiniteOutputError naming the first element whose tangent kernel returns a non-finite
// internal force, or stiffness entry when withStiffness, at the displacements u, and the entry.
// When every element's outputs are finite the sums overflowed, and the error says so.
[[noreturn]] void throwNonFiniteTangent(const Model& model, ElementKernels& kernels,
                                        const std::vector<double>& u, bool withStiffness);

} // namespace xefhost

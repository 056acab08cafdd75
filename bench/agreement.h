// The check that keeps the timing ratios honest: the library's kernels, called through the record,
// and the closed-form references must give the same numbers on a few elements, so a reference that
// skips work cannot make a kernel look slow, nor a wrong one make it look fast.
#pragma once

#include "reference_kernels.h"
#include "triangle_set.h"

#include <ostream>

namespace molrbench {

// Relative agreement demanded of every output, scaled by the largest value of its group.
constexpr double kAgreement = 1e-12;

// Compares the first elements of the set; reports each disagreement on log and returns false if
// there was any.
bool kernelsAgreeWithReferences(TriangleSet& set, Material material, std::ostream& log);

} // namespace molrbench

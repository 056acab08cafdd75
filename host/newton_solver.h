// Newton iterations on residual = internal force - external force, Dirichlet by elimination.
#pragma once

#include "analysis.h"
#include "element_kernels.h"
#include "sparse_system.h"

#include <functional>
#include <string>

namespace xefhost {

// Solves the analysis's model in place (u, internalForce, residualNorms, stage times) and fills
// reactions, energy and the largest displacement. progress(stage) is called as stages begin.
void solveNewton(Analysis& analysis, ElementKernels& kernels,
                 const std::function<void(const std::string&)>& progress);

} // namespace xefhost

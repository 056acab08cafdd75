// Newton iterations on residual = internal force - external force, Dirichlet by elimination.
#pragma once

#include "analysis.h"
#include "element_kernels.h"
#include "sparse_system.h"

#include <functional>
#include <string>

namespace xefhost {

// From this many nodes on, and with a second thread, the mesh is cut in two halves whose unknowns
// are factorized side by side; below it one thread's factorization takes milliseconds.
constexpr size_t kSplitFromNodes = 50000;

// Solves the analysis's model in place (u, internalForce, residualNorms, stage times) and fills
// reactions, energy and the largest displacement. progress(stage) is called as stages begin.
void solveNewton(Analysis& analysis, ElementKernels& kernels,
                 const std::function<void(const std::string&)>& progress,
                 size_t splitFromNodes = kSplitFromNodes);

} // namespace xefhost

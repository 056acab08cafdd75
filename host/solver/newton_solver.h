// Newton iterations on residual = internal force - external force, Dirichlet by elimination.
#pragma once

#include "analysis.h"
#include "element_kernels.h"
#include "sparse_system.h"

#include <functional>
#include <string>

namespace xefhost {

// How the stiffness is factorized: whole, or as two halves of the mesh side by side with their
// separator last (see SplitFactorization). Automatic splits from kSplitFromNodes nodes on and with
// a second thread; below that one thread's whole factorization takes milliseconds. Either way the
// mesh is factorized whole where no straight cut gives a small separator.
enum class Factorization { Automatic, Whole, Split };
constexpr size_t kSplitFromNodes = 50000;

// Solves the analysis's model in place (u, internalForce, residualNorms, stage times) and fills
// reactions, energy and the largest displacement. progress(stage) is called as stages begin.
void solveNewton(Analysis& analysis, ElementKernels& kernels,
                 const std::function<void(const std::string&)>& progress,
                 Factorization factorization = Factorization::Automatic);

} // namespace xefhost

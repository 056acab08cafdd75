// One level of `xefhost solve`, as a pipeline whose data flow one way: the model's linear system
// (built once), the Cholesky solver, Newton's iterations, and the summary of equilibrium.
#pragma once

#include "analysis.h"
#include "element_kernels.h"
#include "linear_system.h"
#include "stage_clock.h"

namespace xefhost {

// Solves analysis.model: checks its supports, then fills u, the internal force, the system's and
// the factor's figures, the stage costs and the summary. Throws SingularModelError where the
// model can move freely.
void solveLevel(Analysis& analysis, ElementKernels& kernels, const ProgressReport& progress,
                Factorization factorization = Factorization::Automatic);

} // namespace xefhost

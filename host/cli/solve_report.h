// What `xefhost solve` prints of each solved level and of the convergence over the levels.
#pragma once

#include "analysis.h"
#include "problem.h"
#include "solve_level.h"

#include <ostream>
#include <vector>

namespace xefhost {

// The level's sizes, solver, stage costs, load steps, residuals, equilibrium and errors.
void printSummary(const Analysis& a, const LevelSolution& solution, const Problem& problem,
                  std::ostream& out);

// The error norms of every level and their observed rates under halving of the element size.
void printConvergence(const std::vector<Analysis>& levels, std::ostream& out);

} // namespace xefhost

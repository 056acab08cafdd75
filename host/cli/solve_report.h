// What `xefhost solve` prints of each solved level and of the convergence over the levels.
#pragma once

#include "analysis.h"
#include "problem.h"
#include "solve_level.h"

#include <ostream>
#include <string>
#include <vector>

namespace xefhost {

// The level's sizes, solver, stage costs, load steps, residuals, equilibrium and errors.
void printSummary(const Analysis& a, const LevelSolution& solution, const Problem& problem,
                  std::ostream& out);

// Prints the level's summary and keeps it in `levels`; only the finest level keeps its model,
// solution and post-processed values, which the result files need.
void keepLevel(std::vector<Analysis>& levels, Analysis level, const LevelSolution& solution,
               const Problem& problem, bool finest, std::ostream& out);

// What the result files leave out and why, then the files written.
void printWritten(const Analysis& finest, const std::vector<std::string>& written,
                  std::ostream& out);

// The error norms of every level and their observed rates under halving of the element size.
void printConvergence(const std::vector<Analysis>& levels, std::ostream& out);

} // namespace xefhost

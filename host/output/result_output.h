// Writing an analysis's results: ParaView file, picture and summary.
#pragma once

#include "analysis.h"
#include "problem.h"

#include <string>
#include <vector>

namespace xefhost {

// What the result files of this level leave out and why, for the run's notes; the .json and the
// .svg carry them too.
std::vector<std::string> outputNotes(const Analysis& finest);

// Writes NAME.vtu, NAME.svg and NAME.json into folder as one set (AtomicFileSet: all three
// appear, or none changes) and returns their paths.
std::vector<std::string> writeResults(const std::string& folder, const std::string& name,
                                      const Problem& problem, const Analysis& finest,
                                      const std::vector<Analysis>& levels);

} // namespace xefhost

// The result files of a level solved in pieces on several MPI ranks. Each rank writes the .vtu of
// its piece (NAME-R.vtu); rank 0 writes NAME.pvtu, which ties the pieces together for ParaView,
// NAME.json from figures already reduced over the ranks, and NAME.svg from a raster whose cell
// sums every rank adds to: no rank gathers the mesh. Nothing is renamed into place before every
// rank has staged its files, and the .pvtu, summary and picture appear after the pieces.
#pragma once

#include "analysis.h"
#include "problem.h"

#include <string>
#include <vector>

namespace xefhost {

// Collective. `levels` as on one process, except that each level's model, solution and
// post-processed values are this rank's piece. Returns the paths rank 0 wrote (the .pvtu, the
// .svg and the .json) on rank 0, and this rank's piece elsewhere.
std::vector<std::string> writeDistributedResults(const std::string& folder, const std::string& name,
                                                 const Problem& problem,
                                                 const std::vector<Analysis>& levels);

} // namespace xefhost

// `xefhost solve` on several MPI ranks (`mpirun -n N xefhost solve ...` with the PETSc method).
// Rank 0 reads or meshes the coarse mesh and checks the whole coarse model (its groups,
// materials and supports); PETSc distributes the mesh and refines it, so that the fine mesh
// exists only in pieces; each rank builds, assembles and post-processes its piece through the
// element library; Newton's loop runs on PETSc; every figure of the report is a reduction over
// the ranks, which rank 0 alone prints. Each rank writes its piece of the results, rank 0 the
// .pvtu that ties them, the summary and the picture, all committed together.
//
// Any rank's failure ends every rank (MPI_Abort) with that failure's exit code, after printing
// it: a rank left waiting in a collective call would hang the job.
#pragma once

#include "element_library.h"
#include "problem.h"
#include "solve_command.h"

#include <ostream>

namespace xefhost {

// PETSc's runtime must be up, on more than one rank.
int runDistributedSolve(const SolveOptions& options, const Problem& problem,
                        const ElementLibrary& library, std::ostream& out);

} // namespace xefhost

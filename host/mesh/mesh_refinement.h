// Uniform refinement of a first-order mesh read from a file.
#pragma once

#include "mesh.h"

namespace xefhost {

// Splits every 3-node triangle and every 4-node quadrilateral into four and every 2-node line
// into two, through new mid-edge nodes shared by neighbours (and a new centre node in each
// quadrilateral); physical tags and point elements are kept. Second-order elements would need the
// geometry their mid nodes follow: they make it throw MeshError naming their kind.
Mesh refineUniformly(const Mesh& mesh);

// Throws MeshError, before any work, where refining the mesh's surface elements `refine` times
// would give more than `limit` of them, naming the counts and the way out.
void requireRefinableSize(const Mesh& mesh, int refine, double limit);

} // namespace xefhost

// Uniform refinement of a triangle mesh read from a file.
#pragma once

#include "mesh.h"

namespace xefhost {

// Splits every 3-node triangle into four and every 2-node line into two through new mid-edge
// nodes shared by neighbours; physical tags and point elements are kept. Other element types
// cannot be split this way and make it throw MeshError.
Mesh refineTriangles(const Mesh& mesh);

} // namespace xefhost

// Reading Gmsh's .msh files into the host's mesh record. The format is read here rather than
// through Gmsh's library, whose licence this project's cannot take.
#pragma once

#include "mesh.h"

#include <string>

namespace xefhost {

// Reads a Gmsh .msh file, format 2.2 or 4.1, ASCII or binary. Throws MeshError naming the file
// and the line (ASCII) or byte offset (binary) where the file stops making sense.
Mesh readMsh(const std::string& path);

// The same for a file that may hold the model alone, as `gmsh -0` writes it: no $Nodes or
// $Elements section is required, and the surfaces' bounding boxes tell the model's extent.
Mesh readMshModel(const std::string& path);

} // namespace xefhost

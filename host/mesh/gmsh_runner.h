// Meshing a .geo geometry by running the gmsh program as a separate process.
#pragma once

#include <stdexcept>
#include <string>

namespace xefhost {

class GmshError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Meshes geometry in 2D with the given element size into mshPath (binary format 4.1). The size
// is passed both as the geometry's constant "h" and as the largest element size.
void meshGeometry(const std::string& geometry, double elementSize, const std::string& mshPath);

} // namespace xefhost

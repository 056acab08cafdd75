// Meshing a .geo geometry by running the gmsh program as a separate process. The process is
// started directly (not through a shell), ends when the host ends, and gets no terminal input, so
// that it never waits on a prompt.
#pragma once

#include <stdexcept>
#include <string>

namespace xefhost {

class GmshError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The most triangles the host lets gmsh make: ten times what the embedded solver has solved on
// this class of machine, so that only a mistaken size is refused.
constexpr double kMaxMeshedTriangles = 1e8;

// An upper estimate of the triangles gmsh makes of geometry at elementSize: the surfaces'
// bounding boxes over the area of an equilateral triangle of that side. gmsh writes the model,
// unmeshed, to scratchPath, which is removed again.
double estimateTriangles(const std::string& geometry, double elementSize,
                         const std::string& scratchPath);

// Throws GmshError when the estimate at elementSize exceeds kMaxMeshedTriangles, naming the size,
// the estimate and the smallest size the host takes.
void requireMeshableSize(const std::string& geometry, double elementSize,
                         const std::string& scratchPath);

// Meshes geometry in 2D with the given element size into mshPath (binary format 4.1). The size
// is passed both as the geometry's constant "h" and as the largest element size.
void meshGeometry(const std::string& geometry, double elementSize, const std::string& mshPath);

} // namespace xefhost

// A mesh as the host holds it: nodes, element blocks by Gmsh element type, physical groups.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace xefhost {

// A mesh file could not be read: the message names the file, the line (ASCII) or byte offset
// (binary) where possible, and what was expected.
class MeshError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct PhysicalGroup {
    int dimension = 0;
    int tag = 0;
    std::string name; // empty when the file gives none
};

// All elements of one Gmsh element type, connectivity as 0-based node indices into Mesh.
struct ElementBlock {
    int gmshType = 0; // 1 line2, 2 tri3, 3 quad4, 8 line3, 9 tri6, 15 point, 16 quad8, ...
    int dimension = 0;
    int nodesPerElement = 0;
    std::vector<int64_t> ids;          // Gmsh element tags, one per element
    std::vector<int> physicalTag;      // one per element, 0 when the element has none
    std::vector<int32_t> connectivity; // [elementCount][nodesPerElement]

    size_t size() const { return ids.size(); }
};

// A model surface's extent in the plane, as format 4.1 lists it before any mesh exists.
struct SurfaceBox {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct Mesh {
    std::vector<double> coords;   // [nodeCount][3]
    std::vector<int64_t> nodeIds; // Gmsh node tag of each node index
    std::vector<PhysicalGroup> groups;
    std::vector<ElementBlock> blocks;
    std::vector<SurfaceBox> surfaceBoxes; // from format 4.1's $Entities; empty for 2.2

    size_t nodeCount() const { return nodeIds.size(); }
    // The block of one Gmsh element type, or null.
    const ElementBlock* block(int gmshType) const;
    // The group of a name, or null.
    const PhysicalGroup* group(const std::string& name) const;
};

} // namespace xefhost

// The Gmsh element types this reader takes: nodes per element and dimension.
#pragma once

namespace xefhost {

struct MshElementType {
    int gmshType;
    int nodes;
    int dimension;
};

// The type of a Gmsh type number, or null when this reader does not know it.
const MshElementType* findMshElementType(int gmshType);

} // namespace xefhost

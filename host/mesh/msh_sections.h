// What the readers of the two .msh versions share, and their entry points.
#pragma once

#include "msh_cursor.h"
#include "msh_mesh_builder.h"

#include <string>

namespace xefhost {

// Each reads the section whose header the cursor has just passed, or returns false when the
// version has no use for it, so that the caller skips it.
bool readMshSection22(MshCursor& cursor, const std::string& name, MshMeshBuilder& builder);
bool readMshSection41(MshCursor& cursor, const std::string& name, MshMeshBuilder& builder);

// Reads a node or element tag, which Gmsh requires to be positive.
template <class T> int64_t readMshTag(MshCursor& cursor, const char* what) {
    const T tag = cursor.value<T>(what);
    if (tag <= 0) {
        cursor.fail(std::string("expected ") + what + ", found " + std::to_string(tag) +
                    ", which is not positive");
    }
    return static_cast<int64_t>(tag);
}

// Fails unless 0 <= dimension <= 3.
void checkMshDimension(const MshCursor& cursor, int dimension);

// Indexes the nodes at the end of a $Nodes section, failing on a repeated tag.
void indexMshNodes(const MshCursor& cursor, MshMeshBuilder& builder);

// The block of an element type just read, failing on a type this reader does not know.
ElementBlock& mshElementBlock(const MshCursor& cursor, MshMeshBuilder& builder, int gmshType);

// Reads one node tag of an element and appends its node index to the connectivity.
template <class T>
void readMshElementNode(MshCursor& cursor, const MshMeshBuilder& builder, ElementBlock& block) {
    const int64_t tag = cursor.value<T>("a node tag");
    const int32_t index = builder.node(tag);
    if (index < 0) {
        cursor.fail("element " + std::to_string(block.ids.back()) + " references unknown node " +
                    std::to_string(tag));
    }
    block.connectivity.push_back(index);
}

} // namespace xefhost

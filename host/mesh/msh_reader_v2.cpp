// Sections of the legacy format 2.2: one $Nodes and one $Elements list, the physical tag being
// the first of each element's tags.
#include "msh_sections.h"

namespace xefhost {

namespace {

void readNodes(MshCursor& cursor, MshMeshBuilder& builder) {
    const auto count = cursor.text<uint64_t>("the number of nodes");
    if (cursor.binary()) {
        cursor.endLine();
    }
    builder.reserveNodes(cursor.fitting(count, 4));
    for (uint64_t i = 0; i < count; ++i) {
        builder.addNodeTag(readMshTag<int32_t>(cursor, "a node tag"));
        const double x = cursor.value<double>("a node coordinate");
        const double y = cursor.value<double>("a node coordinate");
        builder.addNodeCoordinates(x, y, cursor.value<double>("a node coordinate"));
    }
    cursor.endSection("Nodes");
    indexMshNodes(cursor, builder);
}

// The part of an element after its type and tag count, the same in text and binary files.
void readElementTail(MshCursor& cursor, MshMeshBuilder& builder, ElementBlock& block, int64_t id,
                     int32_t tagCount) {
    int physical = 0;
    for (int32_t t = 0; t < tagCount; ++t) {
        const int32_t tag = cursor.value<int32_t>("an element tag");
        if (t == 0) {
            physical = tag;
        }
    }
    if (physical != 0 && (block.physicalTag.empty() || block.physicalTag.back() != physical)) {
        builder.useGroup(block.dimension, physical);
    }
    MshMeshBuilder::addElement(block, id, physical);
    for (int n = 0; n < block.nodesPerElement; ++n) {
        readMshElementNode<int32_t>(cursor, builder, block);
    }
}

int32_t readTagCount(MshCursor& cursor) {
    const auto count = cursor.value<int32_t>("the number of element tags");
    if (count < 0) {
        cursor.fail("expected the number of element tags, found " + std::to_string(count));
    }
    return count;
}

void readTextElements(MshCursor& cursor, MshMeshBuilder& builder, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        const int64_t id = readMshTag<int32_t>(cursor, "an element number");
        ElementBlock& block =
            mshElementBlock(cursor, builder, cursor.text<int32_t>("an element type"));
        readElementTail(cursor, builder, block, id, readTagCount(cursor));
    }
}

// Binary elements come in groups of one type and tag count.
void readBinaryElements(MshCursor& cursor, MshMeshBuilder& builder, uint64_t count) {
    for (uint64_t done = 0; done < count;) {
        ElementBlock& block =
            mshElementBlock(cursor, builder, cursor.raw<int32_t>("an element type"));
        const auto inGroup = cursor.raw<int32_t>("the number of elements of the group");
        if (inGroup <= 0 || static_cast<uint64_t>(inGroup) > count - done) {
            cursor.fail("expected between 1 and " + std::to_string(count - done) +
                        " elements in the group, found " + std::to_string(inGroup));
        }
        const int32_t tagCount = readTagCount(cursor);
        const size_t values = 1 + static_cast<size_t>(tagCount) + block.nodesPerElement;
        MshMeshBuilder::reserveElements(block, cursor.fitting(inGroup, values));
        for (int32_t i = 0; i < inGroup; ++i) {
            const int64_t id = readMshTag<int32_t>(cursor, "an element number");
            readElementTail(cursor, builder, block, id, tagCount);
        }
        done += static_cast<uint64_t>(inGroup);
    }
}

void readElements(MshCursor& cursor, MshMeshBuilder& builder) {
    const auto count = cursor.text<uint64_t>("the number of elements");
    if (cursor.binary()) {
        cursor.endLine();
        readBinaryElements(cursor, builder, count);
    } else {
        readTextElements(cursor, builder, count);
    }
    cursor.endSection("Elements");
}

} // namespace

bool readMshSection22(MshCursor& cursor, const std::string& name, MshMeshBuilder& builder) {
    if (name == "Nodes") {
        readNodes(cursor, builder);
    } else if (name == "Elements") {
        readElements(cursor, builder);
    } else {
        return false;
    }
    return true;
}

} // namespace xefhost

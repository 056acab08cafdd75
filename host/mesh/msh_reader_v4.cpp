// Sections of format 4.1: nodes and elements come in blocks per model entity, and elements take
// their physical tag from their entity as listed in $Entities.
#include "msh_sections.h"

namespace xefhost {

namespace {

void readEntities(MshCursor& cursor, MshMeshBuilder& builder) {
    uint64_t counts[4];
    for (uint64_t& count : counts) {
        count = cursor.value<uint64_t>("a number of entities");
    }
    for (int dimension = 0; dimension < 4; ++dimension) {
        for (uint64_t i = 0; i < counts[dimension]; ++i) {
            const auto entity = cursor.value<int32_t>("an entity tag");
            // A point gives its coordinates, other entities their bounding box.
            double bounds[6];
            for (int c = 0; c < (dimension == 0 ? 3 : 6); ++c) {
                bounds[c] = cursor.value<double>("an entity coordinate");
            }
            if (dimension == 2) {
                builder.addSurfaceBox({bounds[0], bounds[1], bounds[3], bounds[4]});
            }
            const auto physicalCount = cursor.value<uint64_t>("a number of physical tags");
            int physical = 0;
            for (uint64_t p = 0; p < physicalCount; ++p) {
                const auto tag = cursor.value<int32_t>("a physical tag");
                physical = p == 0 ? tag : physical;
            }
            builder.setEntityPhysical(dimension, entity, physical);
            if (dimension > 0) {
                const auto boundaryCount = cursor.value<uint64_t>("a number of boundary entities");
                for (uint64_t b = 0; b < boundaryCount; ++b) {
                    cursor.value<int32_t>("a boundary entity tag");
                }
            }
        }
    }
    cursor.endSection("Entities");
}

// The model entity that a $Nodes or $Elements block belongs to.
struct Entity {
    int dimension;
    int tag;
};

Entity readEntity(MshCursor& cursor) {
    Entity result{};
    result.dimension = cursor.value<int32_t>("an entity dimension");
    checkMshDimension(cursor, result.dimension);
    result.tag = cursor.value<int32_t>("an entity tag");
    return result;
}

// The number of items in a block, which must fit in the `left` of the section's count.
uint64_t readBlockCount(MshCursor& cursor, uint64_t left) {
    const auto count = cursor.value<uint64_t>("the number of items in the block");
    if (count > left) {
        cursor.fail("the block holds " + std::to_string(count) + " items, more than the " +
                    std::to_string(left) + " left of the section's count");
    }
    return count;
}

// Reads the section's block count and item count, and skips the smallest and largest tags.
uint64_t readSectionHeader(MshCursor& cursor, uint64_t& blocks) {
    blocks = cursor.value<uint64_t>("the number of entity blocks");
    const auto count = cursor.value<uint64_t>("the number of items");
    cursor.value<uint64_t>("the smallest tag");
    cursor.value<uint64_t>("the largest tag");
    return count;
}

void checkSectionCount(MshCursor& cursor, uint64_t declared, uint64_t left) {
    if (left != 0) {
        cursor.fail("the blocks hold " + std::to_string(declared - left) + " items, not the " +
                    std::to_string(declared) + " that the section announces");
    }
}

void readNodes(MshCursor& cursor, MshMeshBuilder& builder) {
    uint64_t blocks = 0;
    const uint64_t total = readSectionHeader(cursor, blocks);
    builder.reserveNodes(cursor.fitting(total, 4));
    uint64_t left = total;
    for (uint64_t b = 0; b < blocks; ++b) {
        const Entity entity = readEntity(cursor);
        const auto parametric = cursor.value<int32_t>("the parametric flag");
        if (parametric != 0 && parametric != 1) {
            cursor.fail("expected the parametric flag 0 or 1, found " + std::to_string(parametric));
        }
        const uint64_t count = readBlockCount(cursor, left);
        // All tags of the block come first, then each node's coordinates.
        for (uint64_t i = 0; i < count; ++i) {
            builder.addNodeTag(readMshTag<int64_t>(cursor, "a node tag"));
        }
        const int parameters = parametric == 1 ? entity.dimension : 0;
        for (uint64_t i = 0; i < count; ++i) {
            const double x = cursor.value<double>("a node coordinate");
            const double y = cursor.value<double>("a node coordinate");
            builder.addNodeCoordinates(x, y, cursor.value<double>("a node coordinate"));
            for (int p = 0; p < parameters; ++p) {
                cursor.value<double>("a parametric coordinate");
            }
        }
        left -= count;
    }
    checkSectionCount(cursor, total, left);
    cursor.endSection("Nodes");
    indexMshNodes(cursor, builder);
}

void readElements(MshCursor& cursor, MshMeshBuilder& builder) {
    uint64_t blocks = 0;
    const uint64_t total = readSectionHeader(cursor, blocks);
    uint64_t left = total;
    for (uint64_t b = 0; b < blocks; ++b) {
        const Entity entity = readEntity(cursor);
        ElementBlock& block =
            mshElementBlock(cursor, builder, cursor.value<int32_t>("an element type"));
        const uint64_t count = readBlockCount(cursor, left);
        MshMeshBuilder::reserveElements(
            block, cursor.fitting(count, 1 + static_cast<size_t>(block.nodesPerElement)));
        const int physical = builder.entityPhysical(entity.dimension, entity.tag);
        if (physical != 0) {
            builder.useGroup(entity.dimension, physical);
        }
        for (uint64_t i = 0; i < count; ++i) {
            MshMeshBuilder::addElement(block, readMshTag<int64_t>(cursor, "an element tag"),
                                       physical);
            for (int n = 0; n < block.nodesPerElement; ++n) {
                readMshElementNode<int64_t>(cursor, builder, block);
            }
        }
        left -= count;
    }
    checkSectionCount(cursor, total, left);
    cursor.endSection("Elements");
}

} // namespace

bool readMshSection41(MshCursor& cursor, const std::string& name, MshMeshBuilder& builder) {
    if (name == "Entities") {
        readEntities(cursor, builder);
    } else if (name == "Nodes") {
        readNodes(cursor, builder);
    } else if (name == "Elements") {
        readElements(cursor, builder);
    } else {
        return false;
    }
    return true;
}

} // namespace xefhost

#include "msh_mesh_builder.h"

#include <algorithm>

namespace xefhost {

namespace {

// Makes room for `extra` more items without giving up geometric growth, which an exact
// reserve per entity block would.
template <class T> void makeRoom(std::vector<T>& items, size_t extra) {
    if (items.capacity() - items.size() < extra) {
        items.reserve(std::max(items.size() + extra, 2 * items.capacity()));
    }
}

} // namespace

void MshMeshBuilder::reserveNodes(size_t count) {
    makeRoom(mesh_.nodeIds, count);
    makeRoom(mesh_.coords, 3 * count);
}

ElementBlock* MshMeshBuilder::block(int gmshType) {
    if (gmshType != lastType_ || mesh_.blocks.empty()) {
        const auto found =
            std::find_if(mesh_.blocks.begin(), mesh_.blocks.end(),
                         [&](const ElementBlock& b) { return b.gmshType == gmshType; });
        lastBlock_ = static_cast<size_t>(found - mesh_.blocks.begin());
        if (found == mesh_.blocks.end()) {
            const MshElementType* type = findMshElementType(gmshType);
            if (!type) {
                return nullptr;
            }
            ElementBlock& added = mesh_.blocks.emplace_back();
            added.gmshType = gmshType;
            added.dimension = type->dimension;
            added.nodesPerElement = type->nodes;
        }
        lastType_ = gmshType;
    }
    return &mesh_.blocks[lastBlock_];
}

void MshMeshBuilder::reserveElements(ElementBlock& block, size_t count) {
    makeRoom(block.ids, count);
    makeRoom(block.physicalTag, count);
    makeRoom(block.connectivity, count * static_cast<size_t>(block.nodesPerElement));
}

void MshMeshBuilder::nameGroup(int dimension, int tag, std::string name) {
    groups_[{dimension, tag}] = std::move(name);
}

void MshMeshBuilder::useGroup(int dimension, int tag) {
    groups_.try_emplace({dimension, tag});
}

int MshMeshBuilder::entityPhysical(int dimension, int entity) const {
    const auto& entities = entityPhysical_[dimension];
    const auto found = entities.find(entity);
    return found == entities.end() ? 0 : found->second;
}

Mesh MshMeshBuilder::finish() {
    for (const auto& [key, name] : groups_) {
        mesh_.groups.push_back({key.first, key.second, name});
    }
    std::sort(mesh_.blocks.begin(), mesh_.blocks.end(),
              [](const ElementBlock& a, const ElementBlock& b) { return a.gmshType < b.gmshType; });
    return std::move(mesh_);
}

} // namespace xefhost

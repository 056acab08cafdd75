// Gathers what the section readers of a .msh file find and turns it into a Mesh.
#pragma once

#include "mesh.h"
#include "msh_element_types.h"
#include "msh_node_index.h"

#include <array>
#include <map>
#include <unordered_map>
#include <utility>

namespace xefhost {

class MshMeshBuilder {
  public:
    void reserveNodes(size_t count);
    void addNodeTag(int64_t tag) { mesh_.nodeIds.push_back(tag); }
    void addNodeCoordinates(double x, double y, double z) {
        mesh_.coords.insert(mesh_.coords.end(), {x, y, z});
    }
    size_t nodeCount() const { return mesh_.nodeIds.size(); }
    // Makes the nodes added so far findable; returns false with the tag when a tag repeats.
    bool indexNodes(int64_t& duplicate) { return nodeIndex_.build(mesh_.nodeIds, duplicate); }
    // The index of a node tag, or -1 when no node has it.
    int32_t node(int64_t tag) const { return nodeIndex_.find(tag); }

    // The block collecting one element type; null when the type is unknown.
    ElementBlock* block(int gmshType);
    static void reserveElements(ElementBlock& block, size_t count);
    static void addElement(ElementBlock& block, int64_t id, int physicalTag) {
        block.ids.push_back(id);
        block.physicalTag.push_back(physicalTag);
    }

    void nameGroup(int dimension, int tag, std::string name);
    // Records a group that elements belong to, named or not.
    void useGroup(int dimension, int tag);

    // Elements of a model entity take the entity's first physical tag (0 when none).
    void addSurfaceBox(const SurfaceBox& box) { mesh_.surfaceBoxes.push_back(box); }
    void setEntityPhysical(int dimension, int entity, int physicalTag) {
        entityPhysical_[dimension][entity] = physicalTag;
    }
    int entityPhysical(int dimension, int entity) const;

    Mesh finish();

  private:
    Mesh mesh_;
    MshNodeIndex nodeIndex_;
    int lastType_ = 0;
    size_t lastBlock_ = 0;
    std::map<std::pair<int, int>, std::string> groups_; // by (dimension, tag)
    std::array<std::unordered_map<int, int>, 4> entityPhysical_;
};

} // namespace xefhost

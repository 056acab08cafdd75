#include "mesh_refinement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <unordered_map>

namespace xefhost {

namespace {

class MidpointTable {
  public:
    explicit MidpointTable(Mesh& mesh) : mesh_(mesh) { next_ = maxNodeId(mesh) + 1; }

    int32_t midpoint(int32_t a, int32_t b) {
        const uint64_t key =
            static_cast<uint64_t>(std::min(a, b)) << 32 | static_cast<uint32_t>(std::max(a, b));
        const auto found = index_.find(key);
        if (found != index_.end()) {
            return found->second;
        }
        const auto node = static_cast<int32_t>(mesh_.nodeIds.size());
        for (int c = 0; c < 3; ++c) {
            mesh_.coords.push_back(0.5 * (mesh_.coords[3 * a + c] + mesh_.coords[3 * b + c]));
        }
        mesh_.nodeIds.push_back(next_++);
        index_.emplace(key, node);
        return node;
    }

    // A new node at the mean of a quadrilateral's corners; no neighbour shares it.
    int32_t centre(const int32_t* corners) {
        const auto node = static_cast<int32_t>(mesh_.nodeIds.size());
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += mesh_.coords[3 * corners[k] + c];
            }
            mesh_.coords.push_back(0.25 * sum);
        }
        mesh_.nodeIds.push_back(next_++);
        return node;
    }

  private:
    static int64_t maxNodeId(const Mesh& mesh) {
        return mesh.nodeIds.empty() ? 0
                                    : *std::max_element(mesh.nodeIds.begin(), mesh.nodeIds.end());
    }
    Mesh& mesh_;
    int64_t next_;
    std::unordered_map<uint64_t, int32_t> index_;
};

// "6-node triangles" and the like, for the message that names what cannot be split.
std::string elementKind(const ElementBlock& block) {
    const char* shape = block.gmshType == 8                            ? "lines"
                        : block.gmshType == 9                          ? "triangles"
                        : block.gmshType == 10 || block.gmshType == 16 ? "quadrilaterals"
                                                                       : "elements";
    return std::to_string(block.nodesPerElement) + "-node " + shape;
}

void append(ElementBlock& block, int64_t& id, int tag, std::initializer_list<int32_t> nodes) {
    block.ids.push_back(id++);
    block.physicalTag.push_back(tag);
    block.connectivity.insert(block.connectivity.end(), nodes);
}

} // namespace

Mesh refineUniformly(const Mesh& mesh) {
    Mesh fine;
    fine.coords = mesh.coords;
    fine.nodeIds = mesh.nodeIds;
    fine.groups = mesh.groups;
    MidpointTable mid(fine);
    int64_t id = 1;
    for (const ElementBlock& block : mesh.blocks) {
        ElementBlock out;
        out.gmshType = block.gmshType;
        out.dimension = block.dimension;
        out.nodesPerElement = block.nodesPerElement;
        for (size_t e = 0; e < block.size(); ++e) {
            const int32_t* n = &block.connectivity[e * block.nodesPerElement];
            const int tag = block.physicalTag[e];
            switch (block.gmshType) {
            case 15: // point
                append(out, id, tag, {n[0]});
                break;
            case 1: { // 2-node line
                const int32_t m = mid.midpoint(n[0], n[1]);
                append(out, id, tag, {n[0], m});
                append(out, id, tag, {m, n[1]});
                break;
            }
            case 3: { // 4-node quadrilateral: four corner quadrilaterals around a centre node
                const int32_t a = mid.midpoint(n[0], n[1]);
                const int32_t b = mid.midpoint(n[1], n[2]);
                const int32_t c = mid.midpoint(n[2], n[3]);
                const int32_t d = mid.midpoint(n[3], n[0]);
                const int32_t m = mid.centre(n);
                append(out, id, tag, {n[0], a, m, d});
                append(out, id, tag, {a, n[1], b, m});
                append(out, id, tag, {m, b, n[2], c});
                append(out, id, tag, {d, m, c, n[3]});
                break;
            }
            case 2: { // 3-node triangle: three corner triangles and the middle one
                const int32_t a = mid.midpoint(n[0], n[1]);
                const int32_t b = mid.midpoint(n[1], n[2]);
                const int32_t c = mid.midpoint(n[2], n[0]);
                append(out, id, tag, {n[0], a, c});
                append(out, id, tag, {a, n[1], b});
                append(out, id, tag, {c, b, n[2]});
                append(out, id, tag, {a, b, c});
                break;
            }
            default:
                throw MeshError("refining a .msh mesh splits 3-node triangles, 4-node "
                                "quadrilaterals and 2-node lines only; the mesh has " +
                                elementKind(block) + " (Gmsh type " +
                                std::to_string(block.gmshType) +
                                "): give a .geo geometry to refine by re-meshing");
            }
        }
        fine.blocks.push_back(std::move(out));
    }
    return fine;
}

void requireRefinableSize(const Mesh& mesh, int refine, double limit) {
    size_t surfaceElements = 0;
    for (const ElementBlock& block : mesh.blocks) {
        surfaceElements += block.dimension == 2 ? block.size() : 0;
    }
    const double finest = static_cast<double>(surfaceElements) * std::pow(4.0, refine);
    if (finest > limit) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "refining %zu elements %d times would give %.3g, more than the %.0e the "
                      "host meshes; ask for fewer levels (--refine)",
                      surfaceElements, refine, finest, limit);
        throw MeshError(text);
    }
}

} // namespace xefhost

// The benchmark cantilever in miniature, as a host model: [0, 10] x [0, 1] in nx x ny squares,
// left edge clamped, a downward load of 1 shared by the nodes of the right edge.
#pragma once

#include "grid_mesh.h"
#include "model.h"

#include <numeric>

namespace molrtest {

constexpr double kE = 1000.0, kNu = 0.3;

// The mesh as a model of the plane-strain element, nothing fixed and nothing loaded.
inline xefhost::Model modelOf(const TriangleMesh& mesh) {
    xefhost::Model model;
    model.nodesPerElement = 3;
    model.dofsPerNode = 2;
    model.dataCount = 2;
    model.coords = mesh.coords;
    model.elements = mesh.triangles;
    const size_t nodes = mesh.coords.size() / 3;
    model.nodeIds.resize(nodes);
    std::iota(model.nodeIds.begin(), model.nodeIds.end(), 1);
    model.elementIds.resize(mesh.triangles.size() / 3);
    std::iota(model.elementIds.begin(), model.elementIds.end(), 1);
    model.elementMaterial.assign(model.elementIds.size(), 0);
    model.materials = {kE, kNu};
    model.fixed.assign(2 * nodes, 0);
    model.prescribed.assign(2 * nodes, 0.0);
    model.externalForce.assign(2 * nodes, 0.0);
    return model;
}

inline xefhost::Model strip(int nx, int ny) {
    TriangleMesh mesh;
    addRectangle(mesh, 0, 0, 10, 1, nx, ny);
    xefhost::Model model = modelOf(mesh);
    const size_t nodes = model.nodeCount();
    for (size_t n = 0; n < nodes; ++n) {
        if (model.coords[3 * n] == 0.0) {
            model.fixed[2 * n] = model.fixed[2 * n + 1] = 1;
        }
        if (model.coords[3 * n] == 10.0) {
            model.externalForce[2 * n + 1] = -1.0 / (ny + 1);
        }
    }
    return model;
}

} // namespace molrtest

// The benchmark cantilever as a host model, built in memory: [0,10]x[0,1] as nx x ny squares,
// each split by its diagonal from (i,j) to (i+1,j+1); E = 1000, nu = 0.3; left edge clamped,
// traction (0, -1) on the right edge.
#pragma once

#include "model.h"

#include <numeric>

namespace molrbench {

inline xefhost::Model cantileverModel(int nx, int ny) {
    xefhost::Model model;
    model.nodesPerElement = 3;
    model.dofsPerNode = 2;
    model.dataCount = 2;
    model.materials = {1000.0, 0.3};
    const auto at = [&](int i, int j) { return static_cast<int32_t>(j * (nx + 1) + i); };
    for (int j = 0; j <= ny; ++j) {
        for (int i = 0; i <= nx; ++i) {
            model.coords.insert(model.coords.end(), {10.0 * i / nx, 1.0 * j / ny, 0.0});
        }
    }
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            model.elements.insert(model.elements.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1),
                                                         at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    const size_t nodes = model.coords.size() / 3;
    model.nodeIds.resize(nodes);
    std::iota(model.nodeIds.begin(), model.nodeIds.end(), 1);
    model.elementIds.resize(model.elements.size() / 3);
    std::iota(model.elementIds.begin(), model.elementIds.end(), 1);
    model.elementMaterial.assign(model.elementIds.size(), 0);
    model.fixed.assign(2 * nodes, 0);
    model.prescribed.assign(2 * nodes, 0.0);
    model.externalForce.assign(2 * nodes, 0.0);
    for (int j = 0; j <= ny; ++j) {
        model.fixed[2 * at(0, j)] = model.fixed[2 * at(0, j) + 1] = 1;
        model.externalForce[2 * at(nx, j) + 1] = (j == 0 || j == ny ? 0.5 : 1.0) / ny * -1.0;
    }
    return model;
}

} // namespace molrbench

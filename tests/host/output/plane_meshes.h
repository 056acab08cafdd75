// Rectangles meshed with any plane element shape, the nodes of each element in the element's own
// order (the utility layer's reference-node order), for tests of the result files.
#pragma once

#include "XEMUtility.h"
#include "model.h"

#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace molrtest {

inline const char* planeTopology(int nodesPerElement) {
    switch (nodesPerElement) {
    case 3:
        return "T1";
    case 6:
        return "T2";
    case 4:
        return "Q1";
    case 8:
        return "Q2S";
    case 9:
        return "Q2";
    default:
        throw std::invalid_argument("no plane shape of " + std::to_string(nodesPerElement));
    }
}

// A physical point of a reference point: triangles by their area coordinates over the corners
// p[0..2], quadrilaterals bilinearly over p[0..3] counter-clockwise from (-1, -1).
inline std::pair<double, double> placeReferencePoint(const double* reference, bool triangle,
                                                     const double (*p)[2]) {
    if (triangle) {
        const double L[3] = {reference[0], reference[1], 1 - reference[0] - reference[1]};
        return {L[0] * p[0][0] + L[1] * p[1][0] + L[2] * p[2][0],
                L[0] * p[0][1] + L[1] * p[1][1] + L[2] * p[2][1]};
    }
    const double xi = reference[0], eta = reference[1];
    const double N[4] = {(1 - xi) * (1 - eta) / 4, (1 + xi) * (1 - eta) / 4,
                         (1 + xi) * (1 + eta) / 4, (1 - xi) * (1 + eta) / 4};
    return {N[0] * p[0][0] + N[1] * p[1][0] + N[2] * p[2][0] + N[3] * p[3][0],
            N[0] * p[0][1] + N[1] * p[1][1] + N[2] * p[2][1] + N[3] * p[3][1]};
}

// [0, width] x [0, height] in nx x ny rectangles (two triangles each for triangles), every node
// then moved by `warp`; elements counter-clockwise.
inline xefhost::Model planeModel(int nodesPerElement, int nx, int ny, double width, double height,
                                 const std::function<void(double&, double&)>& warp = nullptr) {
    const char* topology = planeTopology(nodesPerElement);
    const bool triangle = topology[0] == 'T';
    const double* reference = XEFSetReferenceNodes(topology);
    xefhost::Model model;
    model.nodesPerElement = nodesPerElement;
    model.dofsPerNode = 2;
    std::map<std::pair<long, long>, int32_t> nodeAt; // by position in 1/1000 of a cell
    const auto addElement = [&](const double(*corners)[2]) {
        for (int k = 0; k < nodesPerElement; ++k) {
            auto [x, y] = placeReferencePoint(&reference[3 * k], triangle, corners);
            const std::pair<long, long> key{std::lround(x / width * nx * 1000),
                                            std::lround(y / height * ny * 1000)};
            const auto found = nodeAt.find(key);
            if (found != nodeAt.end()) {
                model.elements.push_back(found->second);
                continue;
            }
            const auto node = static_cast<int32_t>(model.nodeIds.size());
            nodeAt[key] = node;
            if (warp) {
                warp(x, y);
            }
            model.coords.insert(model.coords.end(), {x, y, 0.0});
            model.nodeIds.push_back(node + 1);
            model.elements.push_back(node);
        }
        model.elementIds.push_back(static_cast<int64_t>(model.elementIds.size()) + 1);
        model.elementMaterial.push_back(0);
    };
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            const double x0 = width * i / nx, x1 = width * (i + 1) / nx;
            const double y0 = height * j / ny, y1 = height * (j + 1) / ny;
            if (triangle) {
                const double lower[3][2] = {{x0, y0}, {x1, y0}, {x1, y1}};
                const double upper[3][2] = {{x0, y0}, {x1, y1}, {x0, y1}};
                addElement(lower);
                addElement(upper);
            } else {
                const double square[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
                addElement(square);
            }
        }
    }
    model.fixed.assign(model.dofCount(), 0);
    model.prescribed.assign(model.dofCount(), 0.0);
    model.externalForce.assign(model.dofCount(), 0.0);
    return model;
}

} // namespace molrtest

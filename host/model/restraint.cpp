#include "restraint.h"

#include "model_errors.h"

#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace xefhost {

namespace {

int32_t root(std::vector<int32_t>& parent, int32_t n) {
    while (parent[n] != n) {
        parent[n] = parent[parent[n]];
        n = parent[n];
    }
    return n;
}

// Connected parts of the mesh: one representative node of each node's part.
std::vector<int32_t> partOfEachNode(const Model& model) {
    std::vector<int32_t> parent(model.nodeCount());
    std::iota(parent.begin(), parent.end(), 0);
    const int npe = model.nodesPerElement;
    for (size_t e = 0; e < model.elementCount(); ++e) {
        const int32_t first = root(parent, model.elements[e * npe]);
        for (int k = 1; k < npe; ++k) {
            const int32_t other = root(parent, model.elements[e * npe + k]);
            parent[other] = first;
        }
    }
    for (size_t n = 0; n < parent.size(); ++n) {
        parent[n] = root(parent, static_cast<int32_t>(n));
    }
    return parent;
}

// What the fixed displacements of one part rule out. A rigid motion (tx - t y, ty + t x) is zero
// at a fixed x at height y only if tx = t y, and at a fixed y at abscissa x only if ty = -t x: with
// both directions held somewhere, the part can still turn exactly when all its fixed x share one
// height and all its fixed y one abscissa, about that point.
struct PartHold {
    size_t firstNode = 0;
    std::vector<char> held;            // [dofsPerNode]: some displacement of the component fixed
    bool sharedLine[2] = {true, true}; // all fixed x at one y; all fixed y at one x
    double line[2] = {0.0, 0.0};
};

std::string componentName(int c) {
    return c == 0 ? "x" : c == 1 ? "y" : "component " + std::to_string(c + 1);
}

std::string partName(const Model& model, int32_t firstNode, bool onePart) {
    return onePart ? "the model"
                   : "the part of the mesh with node " + std::to_string(model.nodeIds[firstNode]);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string point(double x, double y) {
    return "(" + number(x) + ", " + number(y) + ")";
}

} // namespace

void requireRestraint(const Model& model) {
    const std::vector<int32_t> part = partOfEachNode(model);
    const int d = model.dofsPerNode;
    // Each part is named by its first node.
    std::vector<int32_t> index(model.nodeCount(), -1);
    std::vector<PartHold> holds;
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        if (index[part[n]] < 0) {
            index[part[n]] = static_cast<int32_t>(holds.size());
            holds.push_back({n, std::vector<char>(d, 0), {true, true}, {0.0, 0.0}});
        }
    }
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        PartHold& h = holds[index[part[n]]];
        for (int c = 0; c < d; ++c) {
            if (!model.fixed[n * d + c]) {
                continue;
            }
            if (c < 2) {
                const double across = model.coords[3 * n + 1 - c];
                h.sharedLine[c] = h.sharedLine[c] && (!h.held[c] || h.line[c] == across);
                h.line[c] = across;
            }
            h.held[c] = 1;
        }
    }
    for (const PartHold& h : holds) {
        const std::string who =
            partName(model, static_cast<int32_t>(h.firstNode), holds.size() == 1);
        for (int c = 0; c < d; ++c) {
            if (!h.held[c]) {
                throw SingularModelError(who + " can move freely: no displacement is fixed in " +
                                         componentName(c));
            }
        }
        if (d == 2 && h.sharedLine[0] && h.sharedLine[1]) {
            throw SingularModelError(who + " can move freely: it can turn about " +
                                     point(h.line[1], h.line[0]) +
                                     ", for every fixed x lies at y = " + number(h.line[0]) +
                                     " and every fixed y at x = " + number(h.line[1]));
        }
    }
}

} // namespace xefhost

#include "check_patch_layout.h"

#include <algorithm>
#include <cmath>

namespace xefhost::check {

namespace {

// Elements, corners counter-clockwise, and the patch's outline, counter-clockwise.
struct Layout {
    std::vector<std::vector<Point>> elements;
    std::vector<Point> outline;
};

Layout triangleFan() {
    const Point interior = {0.45, 0.52};
    Layout layout;
    layout.outline = {{0.0, 0.0}, {1.1, -0.1}, {1.3, 0.9}, {0.6, 1.25}, {-0.15, 0.8}};
    for (size_t e = 0; e < layout.outline.size(); ++e) {
        layout.elements.push_back(
            {interior, layout.outline[e], layout.outline[(e + 1) % layout.outline.size()]});
    }
    return layout;
}

// The 0.24 x 0.12 patch of quadrilaterals common in the literature, five times larger.
Layout quadrilateralPatch() {
    const std::vector<Point> inner = {{0.2, 0.1}, {0.9, 0.15}, {0.8, 0.4}, {0.4, 0.4}};
    Layout layout;
    layout.outline = {{0.0, 0.0}, {1.2, 0.0}, {1.2, 0.6}, {0.0, 0.6}};
    layout.elements.push_back(inner);
    for (size_t b = 0; b < 4; ++b) {
        const size_t next = (b + 1) % 4;
        layout.elements.push_back({layout.outline[b], layout.outline[next], inner[next], inner[b]});
    }
    return layout;
}

double distanceToSegment(const Point& p, const Point& a, const Point& b) {
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double t =
        std::clamp(((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

// Two elements place a shared node by different arithmetic, so positions match to round-off.
int patchNode(Patch& patch, double x, double y, int dofs) {
    for (size_t g = 0; g < patch.positions.size(); ++g) {
        if (std::hypot(patch.positions[g][0] - x, patch.positions[g][1] - y) < 1e-12) {
            return static_cast<int>(g);
        }
    }
    patch.positions.push_back({x, y});
    patch.dofs.push_back(dofs);
    return static_cast<int>(patch.positions.size()) - 1;
}

} // namespace

Patch buildPatch(const CheckContext& context) {
    const ElSpec& es = context.record();
    const Layout layout =
        *context.shape == PlaneShape::Triangle ? triangleFan() : quadrilateralPatch();
    Patch patch;
    for (const std::vector<Point>& corners : layout.elements) {
        const std::vector<double> coords = context.placeNodes(corners);
        std::vector<int> nodes;
        for (int k = 0; k < es.nodeCount; ++k) {
            nodes.push_back(patchNode(patch, coords[3 * k], coords[3 * k + 1], es.nodeDofs[k]));
        }
        patch.elementNodes.push_back(nodes);
    }
    const size_t sides = layout.outline.size();
    for (size_t g = 0; g < patch.positions.size(); ++g) {
        bool boundary = false;
        for (size_t b = 0; b < sides; ++b) {
            boundary = boundary || distanceToSegment(patch.positions[g], layout.outline[b],
                                                     layout.outline[(b + 1) % sides]) < 1e-12;
        }
        patch.onBoundary.push_back(boundary);
        patch.offsets.push_back(patch.unknownCount);
        patch.unknownCount += patch.dofs[g];
    }
    return patch;
}

} // namespace xefhost::check

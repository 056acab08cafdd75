#include "check_context.h"

#include "check_reference_data.h"

#include <algorithm>
#include <cmath>

namespace xefhost::check {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string kernelBlockerOf(const ElSpec& es, const std::vector<double>& points,
                            const std::vector<double>& referenceNodes,
                            const std::optional<PlaneShape>& shape) {
    const std::string topology = es.topology ? es.topology : "";
    if (points.empty()) {
        return "the bench cannot build the points of integration code " +
               std::to_string(es.intCode);
    }
    if (static_cast<int>(points.size() / 4) != es.intPointCount) {
        return "intPointCount " + std::to_string(es.intPointCount) + " does not match the " +
               std::to_string(points.size() / 4) + " points of code " + std::to_string(es.intCode);
    }
    if (referenceNodes.empty()) {
        return "the bench has no reference nodes for topology \"" + topology + "\"";
    }
    if (!shape) {
        return "topology " + topology + " is not a triangle or a quadrilateral";
    }
    if (static_cast<int>(referenceNodes.size() / 3) != es.nodeCount) {
        return "topology " + topology + " has " + std::to_string(referenceNodes.size() / 3) +
               " nodes, the element " + std::to_string(es.nodeCount);
    }
    return "";
}

std::string motionBlockerOf(const ElSpec& es) {
    for (int k = 0; k < es.nodeCount; ++k) {
        if (es.nodeDofs[k] < es.dimensions) {
            return "node " + std::to_string(k + 1) + " carries fewer unknowns than the " +
                   std::to_string(es.dimensions) + " displacement components";
        }
    }
    return "";
}

} // namespace

CheckContext::CheckContext(const ElementLibrary& library_, unsigned long long seed_,
                           std::optional<int> workSize_)
    : library(library_), element(library_, -1, -1), seed(seed_), workSize(workSize_),
      points(pointsForCode(element.record().intCode)),
      referenceNodes(referenceNodesFor(element.record().topology ? element.record().topology : "")),
      shape(planeShapeOf(element.record().topology ? element.record().topology : "")),
      kernelBlocker(kernelBlockerOf(element.record(), points, referenceNodes, shape)),
      motionBlocker(motionBlockerOf(element.record())) {}

Random CheckContext::random(unsigned salt) const {
    std::seed_seq sequence{static_cast<unsigned>(seed), static_cast<unsigned>(seed >> 32), salt};
    return Random(sequence);
}

std::unique_ptr<KernelHarness> CheckContext::harness() const {
    return std::make_unique<KernelHarness>(library, -1, points, workReals());
}

size_t CheckContext::workReals() const {
    return std::max(kBenchWorkReals, static_cast<size_t>(std::max(workSize.value_or(0), 0)));
}

std::vector<double> CheckContext::placeNodes(const std::vector<Point>& corners) const {
    return check::placeNodes(*shape, referenceNodes, corners);
}

ElementState CheckContext::randomElement(Random& random) const {
    // A regular triangle or square of unit side, turned and shifted at random, each corner moved
    // by up to 0.12 along each axis: convex and far from degenerate, never the same shape twice.
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const int corners = cornerCount(*shape);
    const double radius = 0.5 / std::sin(kPi / corners);
    const double turn = kPi * unit(random);
    const double shift[2] = {2.0 * unit(random), 2.0 * unit(random)};
    std::vector<Point> placed(corners);
    for (int c = 0; c < corners; ++c) {
        const double angle = turn + 2.0 * kPi * c / corners;
        placed[c][0] = shift[0] + radius * std::cos(angle) + 0.12 * unit(random);
        placed[c][1] = shift[1] + radius * std::sin(angle) + 0.12 * unit(random);
    }
    return {placeNodes(placed), std::vector<double>(record().dofCount, 0.0)};
}

ElementState CheckContext::randomState(Random& random) const {
    ElementState state = randomElement(random);
    std::uniform_real_distribution<double> small(-0.01, 0.01);
    for (double& u : state.unknowns) {
        u = small(random);
    }
    return state;
}

} // namespace xefhost::check

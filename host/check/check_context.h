// What every check of `xefhost check` shares: the loaded library, its default description, the
// points and reference nodes the bench builds for it, and random elements to try it on.
#pragma once

#include "check_harness.h"
#include "check_shapes.h"

#include <memory>
#include <optional>
#include <random>
#include <string>

namespace xefhost::check {

using Random = std::mt19937_64;

struct CheckContext {
    CheckContext(const ElementLibrary& library, unsigned long long seed,
                 std::optional<int> workSize);

    const ElementLibrary& library;
    ElementDescription element; // the default description: code -1, default data
    unsigned long long seed;
    std::optional<int> workSize;
    std::vector<double> points;         // of the default code, empty when the bench has none
    std::vector<double> referenceNodes; // of the topology, empty when the bench has none
    std::optional<PlaneShape> shape;    // of the topology, none when it is not plane
    // Why the kernels cannot be called on a random element, empty when they can.
    std::string kernelBlocker;
    // Why the unknowns cannot be read as displacements, empty when they can: every node must
    // carry at least `dimensions` unknowns, its first ones being the displacement components.
    std::string motionBlocker;

    const ElSpec& record() const { return element.record(); }
    // A generator of its own for each check, so that checks do not depend on each other's order.
    Random random(unsigned salt) const;
    // Reals of work for plain kernel calls: the author's --work-size, and never fewer than the
    // bench's own minimum.
    size_t workReals() const;
    std::unique_ptr<KernelHarness> harness() const;

    // A distorted element of the topology's shape, sides about 1 long, away from the origin,
    // corners counter-clockwise. Only when kernelBlocker is empty.
    ElementState randomElement(Random& random) const;
    // The same with random unknowns of size about 0.01.
    ElementState randomState(Random& random) const;
    // Node positions [nodeCount][3] of the straight-sided element with these corners.
    std::vector<double> placeNodes(const std::vector<Point>& corners) const;
};

} // namespace xefhost::check

// Integration points and reference nodes the bench hands to an element, as a host would, taken
// from the library's catalogue and topology tables.
#pragma once

#include "check_shapes.h"

#include <optional>
#include <string>
#include <vector>

namespace xefhost::check {

// The points of an integration code in the host's layout for ElSpec.intPoints: four reals per
// point (xi, eta, zeta, weight). Empty when the bench cannot build them.
std::vector<double> pointsForCode(int code);

// The codes whose rules the bench can build on the same reference domain as `code`, `code`
// itself among them, in ascending order. Empty when the bench cannot build `code`.
std::vector<int> codesOnSameDomain(int code);

// The whole reference-node table of a topology, three reals per node, as many nodes as the
// topology has. Empty when the catalogue does not know the topology.
std::vector<double> referenceNodesFor(const std::string& topology);

// The plane shape of a topology's reference element; none for the lines and solids, and for a code
// the catalogue does not know.
std::optional<PlaneShape> planeShapeOf(const std::string& topology);

} // namespace xefhost::check

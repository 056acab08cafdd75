// Integration points and reference nodes the bench hands to an element, as a host would, taken
// from the library's catalogue and topology tables.
#pragma once

#include <string>
#include <vector>

namespace xefhost::check {

// The points of an integration code in the host's layout for ElSpec.intPoints: four reals per
// point (xi, eta, zeta, weight). Empty when the bench cannot build them.
std::vector<double> pointsForCode(int code);

// The codes whose rules the bench can build on the same reference domain as `code`, `code`
// itself among them, in ascending order. Empty when the bench cannot build `code`.
std::vector<int> codesOnSameDomain(int code);

// The reference-node table of a topology, three reals per node. Empty when the catalogue does not
// know the topology.
std::vector<double> referenceNodesFor(const std::string& topology, int nodeCount);

// True for the triangle topologies, whose reference-node triples are area coordinates.
bool isTriangleTopology(const std::string& topology);

} // namespace xefhost::check

// Integration points and reference nodes the bench hands to an element, as a host would. They come
// from a small table of the rules and topologies the bench knows; this file is the one place to
// widen that table or replace it by the library's own catalogue.
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

// The reference-node table of a topology, three reals per node. Empty when the bench does not
// know the topology.
std::vector<double> referenceNodesFor(const std::string& topology);

// True for the triangle topologies, whose reference-node triples are area coordinates.
bool isTriangleTopology(const std::string& topology);

} // namespace xefhost::check

#include "check_reference_data.h"

#include "XEMUtility.h"
#include "integration_points.h"

#include <cmath>
#include <iterator>
#include <vector>

namespace xefhost::check {

namespace {

// A rule's reference domain, told by its dimension and the measure its weights add up to (line 2,
// square 4, cube 8, triangle 1/2, tetrahedron 1/6).
struct Domain {
    int dimension;
    long measure; // weight sum in units of 1/6, rounded
    bool operator==(const Domain& other) const {
        return dimension == other.dimension && measure == other.measure;
    }
};

bool domainOf(int code, Domain& domain) {
    if (code < 1 || code > 43) {
        return false;
    }
    int count = 0;
    const double* points = XEFIntPoints(&code, &count);
    double sum = 0;
    for (int g = 0; g < count; ++g) {
        sum += points[4 * g + 3];
    }
    domain = {nd[code], std::lround(6 * sum)};
    return true;
}

// The catalogue's topologies with the sizes of their tables, which the lookup by code does not
// give; the surface topologies P and S share the triangle's and quadrilateral's reference nodes.
struct Topology {
    const char* code;
    const double* nodes;
    size_t reals;
    std::optional<PlaneShape> shape;
};

#define MOLR_TOPOLOGY(code, shape)                                                                 \
    { #code, top##code, std::size(top##code), shape }
const Topology kTopologies[] = {
    MOLR_TOPOLOGY(L1, std::nullopt),
    MOLR_TOPOLOGY(L2, std::nullopt),
    MOLR_TOPOLOGY(T1, PlaneShape::Triangle),
    MOLR_TOPOLOGY(T2, PlaneShape::Triangle),
    MOLR_TOPOLOGY(Q1, PlaneShape::Quadrilateral),
    MOLR_TOPOLOGY(Q2, PlaneShape::Quadrilateral),
    MOLR_TOPOLOGY(C1, std::nullopt),
    MOLR_TOPOLOGY(C2, std::nullopt),
    MOLR_TOPOLOGY(P1, PlaneShape::Triangle),
    MOLR_TOPOLOGY(P2, PlaneShape::Triangle),
    MOLR_TOPOLOGY(S1, PlaneShape::Quadrilateral),
    MOLR_TOPOLOGY(S2, PlaneShape::Quadrilateral),
    MOLR_TOPOLOGY(O1, std::nullopt),
    MOLR_TOPOLOGY(O2, std::nullopt),
    MOLR_TOPOLOGY(H1, std::nullopt),
    MOLR_TOPOLOGY(H2, std::nullopt),
    MOLR_TOPOLOGY(Q2S, PlaneShape::Quadrilateral),
    MOLR_TOPOLOGY(H2S, std::nullopt),
};
#undef MOLR_TOPOLOGY

} // namespace

std::vector<double> pointsForCode(int code) {
    std::vector<int> idata(256, 0);
    const IntegrationPoints points(code, idata.data());
    if (!points.data() || points.count() <= 0 || idata[XEFErrorStatus] == 3) {
        return {};
    }
    return std::vector<double>(points.data(), points.data() + 4 * points.count());
}

std::vector<int> codesOnSameDomain(int code) {
    std::vector<int> codes;
    Domain domain{}, other{};
    if (!domainOf(code, domain)) {
        return codes;
    }
    for (int candidate = 1; candidate <= 43; ++candidate) {
        if (domainOf(candidate, other) && other == domain) {
            codes.push_back(candidate);
        }
    }
    return codes;
}

std::vector<double> referenceNodesFor(const std::string& topology) {
    for (const Topology& entry : kTopologies) {
        if (topology == entry.code) {
            return std::vector<double>(entry.nodes, entry.nodes + entry.reals);
        }
    }
    return {};
}

std::optional<PlaneShape> planeShapeOf(const std::string& topology) {
    for (const Topology& entry : kTopologies) {
        if (topology == entry.code) {
            return entry.shape;
        }
    }
    return std::nullopt;
}

} // namespace xefhost::check

#include "check_reference_data.h"

#include "XEMUtility.h"
#include "integration_points.h"

#include <cmath>
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

std::vector<double> referenceNodesFor(const std::string& topology, int nodeCount) {
    const double* nodes = XEFSetReferenceNodes(topology.c_str());
    if (!nodes || nodeCount <= 0) {
        return {};
    }
    return std::vector<double>(nodes, nodes + 3 * nodeCount);
}

bool isTriangleTopology(const std::string& topology) {
    return !topology.empty() && (topology[0] == 'T' || topology[0] == 'P');
}

} // namespace xefhost::check

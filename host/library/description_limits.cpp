#include "description_limits.h"

namespace xefhost {

namespace {

void requireWithin(const std::string& library, const char* field, long long value, int low,
                   int high) {
    if (value < low || value > high) {
        throw DescriptionError(library + ": the description's " + field + " is " +
                               std::to_string(value) + ", outside " + std::to_string(low) + " to " +
                               std::to_string(high) + ", which the host takes");
    }
}

} // namespace

void validateDescription(const ElSpec& es, const std::string& library) {
    requireWithin(library, "dimensions", es.dimensions, 1, 3);
    requireWithin(library, "nodeCount", es.nodeCount, 1, kMaxNodes);
    requireWithin(library, "dofCount", es.dofCount, 1, kMaxUnknowns);
    if (es.nodeDofs) {
        for (int k = 0; k < es.nodeCount; ++k) {
            const std::string field = "nodeDofs[" + std::to_string(k) + "]";
            requireWithin(library, field.c_str(), es.nodeDofs[k], 0, kMaxUnknownsPerNode);
        }
    }
    requireWithin(library, "dataCount", es.dataCount, 0, kMaxDataValues);
    requireWithin(library, "gpostCount", es.gpostCount, 0, kMaxQuantities);
    requireWithin(library, "npostCount", es.npostCount, 0, kMaxQuantities);
    requireWithin(library, "intPointCount", es.intPointCount, 0, kMaxPoints);
}

} // namespace xefhost

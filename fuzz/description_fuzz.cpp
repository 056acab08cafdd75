// The description validator on random records: it either accepts a record whose every count
// lies within the host's bounds, or throws DescriptionError; it reads no list past its count.
#include "description_limits.h"
#include "fuzz_check.h"
#include "fuzzed_description.h"

#include <cstddef>
#include <cstdint>

namespace {

bool within(int value, int low, int high) {
    return value >= low && value <= high;
}

void checkAccepted(const ElSpec& s) {
    MOLR_FUZZ_CHECK(within(s.dimensions, 1, 3));
    MOLR_FUZZ_CHECK(within(s.nodeCount, 1, xefhost::kMaxNodes));
    MOLR_FUZZ_CHECK(within(s.dofCount, 1, xefhost::kMaxUnknowns));
    MOLR_FUZZ_CHECK(within(s.dataCount, 0, xefhost::kMaxDataValues));
    MOLR_FUZZ_CHECK(within(s.gpostCount, 0, xefhost::kMaxQuantities));
    MOLR_FUZZ_CHECK(within(s.npostCount, 0, xefhost::kMaxQuantities));
    MOLR_FUZZ_CHECK(within(s.intPointCount, 0, xefhost::kMaxPoints));
    for (int k = 0; s.nodeDofs && k < s.nodeCount; ++k) {
        MOLR_FUZZ_CHECK(within(s.nodeDofs[k], 0, xefhost::kMaxUnknownsPerNode));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const molrfuzz::FuzzedDescription description(data, size);
    try {
        xefhost::validateDescription(description.record(), "fuzzed-library");
        checkAccepted(description.record());
    } catch (const xefhost::DescriptionError&) {
    }
    return 0;
}

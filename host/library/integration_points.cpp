#include "integration_points.h"

#include "XEMUtility.h"

#include <cstdlib>

namespace xefhost {

namespace {

// Codes above 999 name two or three rules, whose product the library builds for the caller.
constexpr int kLargestSingleCode = 999;

} // namespace

IntegrationPoints::IntegrationPoints(int code, int* idata) : code_(code) {
    points_ = XEFMultiIntPoints(&code_, idata, &count_, &componentCounts_[0], &componentCounts_[1],
                                &componentCounts_[2], 1);
}

IntegrationPoints::~IntegrationPoints() {
    if (code_ > kLargestSingleCode) {
        std::free(points_);
    }
}

} // namespace xefhost

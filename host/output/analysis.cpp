#include "analysis.h"

#include <cmath>

namespace xefhost {

double Analysis::imbalance() const {
    const double scale = forceScale;
    const double rest = std::hypot(applied[0] + reaction[0], applied[1] + reaction[1]);
    return scale > 0 ? rest / scale : rest;
}

} // namespace xefhost

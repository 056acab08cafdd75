// The integration points of a code, as the host stores them in ElSpec.intPoints.
#pragma once

#include <array>

namespace xefhost {

// The points XEFMultiIntPoints hands out for a code: the library's own table for a single code
// (borrowed, left alone) or a calloc'ed block for a composite code (owned, freed here).
class IntegrationPoints {
  public:
    // idata: the host's IData, where the library reports a composite code of more than three
    // dimensions (entry 8 set to 3; the points then stay zero).
    IntegrationPoints(int code, int* idata);
    ~IntegrationPoints();
    IntegrationPoints(const IntegrationPoints&) = delete;
    IntegrationPoints& operator=(const IntegrationPoints&) = delete;

    int code() const { return code_; }
    // count() records of xi, eta, zeta, weight; null when the code names no rule.
    const double* data() const { return points_; }
    int count() const { return count_; }
    // Points of the first, second and third component rule (0 where the code has none).
    const std::array<int, 3>& componentCounts() const { return componentCounts_; }

  private:
    int code_;
    int count_ = 0;
    std::array<int, 3> componentCounts_{};
    double* points_ = nullptr;
};

} // namespace xefhost

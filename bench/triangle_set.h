// Distinct random triangles and displacement states, laid out as a host's model holds them: three
// coordinates per node, two unknowns per node, each element with its own three nodes.
#pragma once

#include <cstddef>
#include <vector>

namespace molrbench {

class TriangleSet {
  public:
    // count well-shaped, counter-clockwise triangles drawn from a fixed seed.
    explicit TriangleSet(size_t count);

    size_t size() const { return count_; }
    // x, y, z of node k (0..2) of element e; the three nodes are consecutive.
    double* coords(size_t e, int k) { return &coords_[9 * e + 3 * k]; }
    // ux, uy of node k of element e; the three nodes are consecutive.
    double* current(size_t e, int k) { return &current_[6 * e + 2 * k]; }

  private:
    size_t count_;
    std::vector<double> coords_;
    std::vector<double> current_;
};

} // namespace molrbench

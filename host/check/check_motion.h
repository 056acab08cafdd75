// Rigid motions and frame changes of an element, read through the displacement unknowns: the
// first `dimensions` unknowns of every node. Other unknowns (pressures, temperatures, ...) are
// scalars: rigid motions leave them at zero and frame changes leave them alone.
#pragma once

#include "check_harness.h"

#include <vector>

namespace xefhost::check {

// Unknowns of the rigid motions of the element at `coords`: one translation per axis, then one
// infinitesimal rotation of size `angle` per coordinate plane, about the origin.
std::vector<Eigen::VectorXd> rigidMotions(const ElSpec& es, const std::vector<double>& coords,
                                          double translation, double angle);

// Number of independent rigid motions in the element's space.
int rigidMotionCount(const ElSpec& es);

// The matrix that turns the element's unknowns by the plane rotation of `angle` (2D elements).
Eigen::MatrixXd unknownRotation(const ElSpec& es, double angle);

} // namespace xefhost::check

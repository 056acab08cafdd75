#include "check_motion.h"

#include <cmath>

namespace xefhost::check {

std::vector<Eigen::VectorXd> rigidMotions(const ElSpec& es, const std::vector<double>& coords,
                                          double translation, double angle) {
    const std::vector<int> offsets = nodeOffsets(es);
    const int dimensions = es.dimensions;
    std::vector<Eigen::VectorXd> motions;
    for (int axis = 0; axis < dimensions; ++axis) {
        Eigen::VectorXd u = Eigen::VectorXd::Zero(es.dofCount);
        for (int k = 0; k < es.nodeCount; ++k) {
            u[offsets[k] + axis] = translation;
        }
        motions.push_back(u);
    }
    for (int a = 0; a < dimensions; ++a) {
        for (int b = a + 1; b < dimensions; ++b) {
            Eigen::VectorXd u = Eigen::VectorXd::Zero(es.dofCount);
            for (int k = 0; k < es.nodeCount; ++k) {
                u[offsets[k] + a] = -angle * coords[3 * k + b];
                u[offsets[k] + b] = angle * coords[3 * k + a];
            }
            motions.push_back(u);
        }
    }
    return motions;
}

int rigidMotionCount(const ElSpec& es) {
    return es.dimensions * (es.dimensions + 1) / 2;
}

Eigen::MatrixXd unknownRotation(const ElSpec& es, double angle) {
    const std::vector<int> offsets = nodeOffsets(es);
    Eigen::MatrixXd rotation = Eigen::MatrixXd::Identity(es.dofCount, es.dofCount);
    const double c = std::cos(angle), s = std::sin(angle);
    for (int k = 0; k < es.nodeCount; ++k) {
        const int x = offsets[k], y = offsets[k] + 1;
        rotation(x, x) = c;
        rotation(x, y) = -s;
        rotation(y, x) = s;
        rotation(y, y) = c;
    }
    return rotation;
}

} // namespace xefhost::check

// Corner and mode gradients of the incompatible-mode quadrilateral, and its plane-strain constants.
#include "incompatible_quad.h"

namespace incompatible_quad {

namespace {

constexpr double kCornerXi[kNodes] = {-1.0, 1.0, 1.0, -1.0};
constexpr double kCornerEta[kNodes] = {-1.0, -1.0, 1.0, 1.0};

} // namespace

Jacobian centreJacobian(NodeValues** nv) {
    Jacobian j{0.0, 0.0, 0.0, 0.0};
    for (int k = 0; k < kNodes; ++k) {
        const double* c = nv[k]->coords;
        j.xXi += 0.25 * kCornerXi[k] * c[0];
        j.xEta += 0.25 * kCornerEta[k] * c[0];
        j.yXi += 0.25 * kCornerXi[k] * c[1];
        j.yEta += 0.25 * kCornerEta[k] * c[1];
    }
    return j;
}

PointGradients pointGradients(NodeValues** nv, const Jacobian& centre, const double* point) {
    const double xi = point[0], eta = point[1];
    double dXi[kShapes], dEta[kShapes];
    for (int k = 0; k < kNodes; ++k) {
        dXi[k] = 0.25 * kCornerXi[k] * (1.0 + kCornerEta[k] * eta);
        dEta[k] = 0.25 * kCornerEta[k] * (1.0 + kCornerXi[k] * xi);
    }
    Jacobian here{0.0, 0.0, 0.0, 0.0};
    for (int k = 0; k < kNodes; ++k) {
        const double* c = nv[k]->coords;
        here.xXi += dXi[k] * c[0];
        here.xEta += dEta[k] * c[0];
        here.yXi += dXi[k] * c[1];
        here.yEta += dEta[k] * c[1];
    }
    const double det = here.xXi * here.yEta - here.xEta * here.yXi;
    PointGradients g{};
    for (int k = 0; k < kNodes; ++k) {
        g.dx[k] = (here.yEta * dXi[k] - here.yXi * dEta[k]) / det;
        g.dy[k] = (here.xXi * dEta[k] - here.xEta * dXi[k]) / det;
    }
    if (kModes > 0) {
        // J0^-1 (det J0 / det J) is the centre's adjugate over det J: weighted by the area of each
        // point, the mode gradients sum to adj(J0) times the rule's sum of d(1 - xi^2)/dxi, zero
        // for a rule symmetric about the centre, whatever the shape of the element.
        const Jacobian& j = kTaylorCorrection ? centre : here;
        const double modeXi[2] = {-2.0 * xi, 0.0};
        const double modeEta[2] = {0.0, -2.0 * eta};
        for (int m = 0; m < kModes / 2; ++m) {
            g.dx[kNodes + m] = (j.yEta * modeXi[m] - j.yXi * modeEta[m]) / det;
            g.dy[kNodes + m] = (j.xXi * modeEta[m] - j.xEta * modeXi[m]) / det;
        }
    }
    g.area = point[3] * det;
    return g;
}

Lame unitLame(const ElSpec* es) {
    const double nu = es->data[1];
    return {nu / ((1.0 + nu) * (1.0 - 2.0 * nu)), 1.0 / (2.0 * (1.0 + nu))};
}

} // namespace incompatible_quad

#include "checks.h"

namespace xefhost::check {

const std::vector<CheckFamily>& checkFamilies() {
    static const std::vector<CheckFamily> families = {
        {"description", {"description"}, checkDescription},
        {"tangent", {"tangent"}, checkTangent},
        {"rigid-mode", {"rigid-residual", "rigid-modes"}, checkRigidModes},
        {"patch", {"patch"}, checkPatch},
        {"frame", {"frame"}, checkFrameInvariance},
        {"rule", {"point-count", "rule-independence"}, checkRules},
        {"work-vector", {"work-tangent", "work-post"}, checkWorkVector},
        {"determinism", {"determinism", "thread-safety"}, checkDeterminism},
    };
    return families;
}

} // namespace xefhost::check

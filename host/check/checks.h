// The check families of `xefhost check`. Each returns one or more results, in the order printed.
#pragma once

#include "check_context.h"
#include "check_report.h"

namespace xefhost::check {

// Counts, names, integration code and reference nodes agree with each other.
std::vector<CheckResult> checkDescription(const CheckContext& context);
// The tangent is the derivative of the residual: central differences against both triangles.
std::vector<CheckResult> checkTangent(const CheckContext& context);
// Rigid motions give no residual, and the matrix has exactly as many zero eigenvalues.
std::vector<CheckResult> checkRigidModes(const CheckContext& context);
// A linear field prescribed on the boundary of a distorted patch is reproduced inside it.
std::vector<CheckResult> checkPatch(const CheckContext& context);
// Turning and shifting the element turns its matrix and residual, nothing more.
std::vector<CheckResult> checkFrameInvariance(const CheckContext& context);
// Point counts agree with the rules, and constant-strain results depend on the weight sum only.
std::vector<CheckResult> checkRules(const CheckContext& context);
// How much of the work vector each kernel writes, and that it reads nothing it did not write.
std::vector<CheckResult> checkWorkVector(const CheckContext& context);
// Repeated and concurrent calls give bitwise equal results.
std::vector<CheckResult> checkDeterminism(const CheckContext& context);

// A family as the bench runs it, with the names of the checks it returns, so that a family whose
// process died can still be reported check by check.
struct CheckFamily {
    const char* name;
    std::vector<const char*> checks;
    std::vector<CheckResult> (*run)(const CheckContext& context);
};

// The eight families above, in report order.
const std::vector<CheckFamily>& checkFamilies();

} // namespace xefhost::check

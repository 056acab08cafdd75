// Runs each check family in a child process of its own, so that an element's kernels can neither
// take the bench down nor hold it up: a crash, a write past an output, an early exit or a call that
// never returns becomes a FAIL of the family's checks, naming what happened and the call that was
// running, and the families after it still run.
#pragma once

#include "checks.h"

namespace xefhost::check {

// The family's results as it returned them, or one FAIL per check of the family when its process
// did not report within `timeoutSeconds`.
std::vector<CheckResult> runIsolated(const CheckFamily& family, const CheckContext& context,
                                     double timeoutSeconds);

} // namespace xefhost::check

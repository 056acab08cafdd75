// How a failed command ends: its message on standard error and an exit code by what failed, so
// that scripts can tell a faulty element library (2) and an unconverged or non-finite solve (3)
// from wrong input (1).
#pragma once

#include <exception>

namespace xefhost {

// Prints "xefhost: " and the message, and returns the exit code.
int reportFailure(const std::exception& error);

} // namespace xefhost

// In a family's child process: a write past a guarded output faults, and the handler installed here
// names the output and the overrun in a fault record for the bench before the signal ends the
// process as it would have without it.
#pragma once

namespace xefhost::check {

// Catches SIGSEGV and SIGBUS on an alternate stack, so that an overflowed stack is caught too, and
// writes the fault record to `fd`.
void catchFaultsInto(int fd);

} // namespace xefhost::check

// How much more memory this process may take, known before a large allocation is tried: under an
// address-space limit an allocation that does not fit can fail deep inside a library that then
// retries for ever, instead of saying so.
#pragma once

#include <string>

namespace xefhost {

struct MemoryBudget {
    double bytes = 0;   // the least of the limits below; infinity where none is known
    std::string source; // which one: "the address-space limit (ulimit -v)", ...
};

// The least of: the address-space limit (RLIMIT_AS) less the process's virtual size, the
// control group's memory limit less its use, and the memory the system has available.
MemoryBudget memoryBudget();

} // namespace xefhost

// `xefhost check`: a verification bench for any element library that exports XEFSetElSpec.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace xefhost {

struct CheckOptions {
    std::string library = "build/MOLR.so";
    bool json = false;
    std::optional<int> workSize; // reals the author allows the kernels, when given
    unsigned long long seed = 1;
    // Seconds each check family may take in its own process before it is stopped and fails: far
    // beyond what a sound element needs, so that only a kernel that never returns reaches it.
    double timeout = 60.0;
};

// Runs every check and prints the report; returns 0 when all pass, 1 when one fails, 4 when none
// fails but some could not run (the element is then not verified), and 2 when the library cannot
// be used at all (the reason then goes to `errors`, or into the JSON document). Each family runs
// in a process of its own: a kernel that crashes, writes past an output or never returns fails
// that family's checks, and the others still run.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& errors);

} // namespace xefhost

// `xefhost info`: what an element library says about itself.
#pragma once

#include <ostream>
#include <string>

namespace xefhost {

struct InfoOptions {
    std::string library = "build/MOLR.so";
    bool hasIntCode = false;
    int intCode = -1;
    // Also list the points and weights of the requested code (the element's own without one).
    bool listPoints = false;
};

// Prints the description; returns the process exit code.
int runInfo(const InfoOptions& options, std::ostream& out);

} // namespace xefhost

#include "stage_clock.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace xefhost {

double residentPeakBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::istringstream fields(line.substr(6));
            double kib = 0;
            fields >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

StageClock::StageClock() : last_(std::chrono::steady_clock::now()) {}

void StageClock::finish(std::vector<StageCost>& costs, const std::string& stage) {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - last_).count();
    const double peak = residentPeakBytes();
    auto found = std::find_if(costs.begin(), costs.end(),
                              [&](const StageCost& c) { return c.name == stage; });
    if (found == costs.end()) {
        costs.push_back({stage, seconds, peak});
    } else {
        found->seconds += seconds;
        found->peakBytes = std::max(found->peakBytes, peak);
    }
    last_ = std::chrono::steady_clock::now();
}

} // namespace xefhost

#include "memory_budget.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace xefhost {

namespace {

// A "Key: value kB" line of a /proc file, in bytes; NaN when absent.
double procField(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) {
            std::istringstream value(line.substr(key.size() + 1));
            double kiB = NAN;
            value >> kiB;
            return kiB * 1024;
        }
    }
    return NAN;
}

// A file holding one number, or NaN (also for "max").
double numberIn(const char* file) {
    std::ifstream in(file);
    double value = NAN;
    in >> value;
    return in ? value : NAN;
}

void consider(MemoryBudget& budget, double bytes, const char* source) {
    if (std::isfinite(bytes) && bytes < budget.bytes) {
        budget.bytes = std::max(bytes, 0.0);
        budget.source = source;
    }
}

} // namespace

MemoryBudget memoryBudget() {
    MemoryBudget budget{HUGE_VAL, "no limit known"};
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        consider(budget,
                 static_cast<double>(limit.rlim_cur) - procField("/proc/self/status", "VmSize"),
                 "the address-space limit (ulimit -v)");
    }
    consider(budget,
             numberIn("/sys/fs/cgroup/memory.max") - numberIn("/sys/fs/cgroup/memory.current"),
             "the control group's memory limit");
    consider(budget, procField("/proc/meminfo", "MemAvailable"), "the memory the system has free");
    return budget;
}

} // namespace xefhost

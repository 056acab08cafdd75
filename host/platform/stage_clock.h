// Wall time and peak resident memory of each stage of a run, for the figures xefhost reports.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace xefhost {

// Told the name of each stage as it begins, so that long runs can show where they are.
using ProgressReport = std::function<void(const std::string& stage)>;

struct StageCost {
    std::string name;
    double seconds = 0;
    // The process's resident high-water mark at the end of the stage (so far in the run); 0 if
    // the system does not say. Where it rises, the stage raised the peak.
    double peakBytes = 0;
};

// Largest resident memory of this process so far (VmHWM), in bytes; 0 where the system does not
// say.
double residentPeakBytes();

class StageClock {
  public:
    StageClock();
    // Charges the time since the last call (or since construction) to the stage, adding to an
    // earlier stage of the same name, and starts timing the next one.
    void finish(std::vector<StageCost>& costs, const std::string& stage);

  private:
    std::chrono::steady_clock::time_point last_;
};

} // namespace xefhost

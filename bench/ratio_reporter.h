// Console output of Google Benchmark followed by the figure the benchmarks exist for: each library
// kernel's cost per element divided by its closed-form reference's.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace molrbench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // Each pair names the kernel's and the reference's benchmark, without arguments. Benchmarks
    // that time both themselves and report a "ratio" counter are listed as they are.
    struct Pair {
        std::string label;
        std::string kernel;
        std::string reference;
    };
    explicit RatioReporter(std::vector<Pair> pairs, double goal)
        : pairs_(std::move(pairs)), goal_(goal) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    // Elements per second of one benchmark instance: the median over repetitions where there were
    // repetitions, else the one run.
    struct Rate {
        double perSecond = 0.0;
        bool median = false;
    };
    // Counters of a benchmark that timed kernel and reference together ("kernel_ns",
    // "reference_ns", "ratio"): the medians over repetitions, else the one run.
    struct Paired {
        double kernelNs = 0.0, referenceNs = 0.0, ratio = 0.0;
        bool median = false;
    };
    std::vector<Pair> pairs_;
    double goal_;
    std::map<std::string, Rate> rates_;
    std::map<std::string, Paired> paired_;
};

} // namespace molrbench

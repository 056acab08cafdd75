// Per-element cost of the library's kernels, called through the record as a host calls them, next
// to the cost of closed-form reference kernels doing the same arithmetic on plain arrays.
#include "agreement.h"
#include "module_element.h"
#include "ratio_reporter.h"
#include "reference_kernels.h"
#include "triangle_set.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace {

using molrbench::Material;
using molrbench::ModuleElement;
using molrbench::TriangleSet;

// Distinct triangles swept per iteration: their coordinates and unknowns (7.5 MiB) do not stay in
// the first two cache levels, as in a real mesh.
constexpr int64_t kElements = int64_t{1} << 16;
constexpr Material kMaterial{210.0, 0.3};
constexpr double kGoal = 1.2;

TriangleSet& triangles() {
    static TriangleSet set(kElements);
    return set;
}

// Reports one element as one item, and the time per element as a counter.
void countElements(benchmark::State& state, size_t count) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
    state.counters["per_element"] = benchmark::Counter(
        static_cast<double>(count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The references' material and outputs in one heap object, for the reason given in ModuleElement.
struct ReferenceData {
    Material material;
    double p[6];
    double K[36];
    double pointRows[3][6];
    double nodeRows[3][4];
    double stored[3];
};

// Calls one(e) for every triangle of the benchmark's range, per iteration.
template <class One> void timeEach(benchmark::State& state, One one) {
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            one(e);
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

// The tangent kernel adds into its outputs; the host zeroes them between elements, which is the
// host's cost and is left out here for the kernel and the reference alike.
void tangentKernel(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto element = ModuleElement::create(kMaterial);
    timeEach(state, [&](size_t e) {
        element->bind(set, e);
        element->tangent();
    });
}

void tangentReference(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto data = std::make_unique<ReferenceData>(ReferenceData{kMaterial, {}, {}, {}, {}, {}});
    timeEach(state, [&](size_t e) {
        molrbench::referenceTangent(set.coords(e, 0), set.current(e, 0), data->material, data->p,
                                    data->K);
    });
}

void postKernel(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto element = ModuleElement::create(kMaterial);
    timeEach(state, [&](size_t e) {
        element->bind(set, e);
        element->post();
    });
}

// The reference writes as many point rows as the kernel, for the same default rule; false, and
// the benchmark skipped, where it has too few rows for that.
bool referenceHasRowsFor(benchmark::State& state, int points) {
    if (points > 3) {
        state.SkipWithError("the default rule has more points than the reference has rows");
        return false;
    }
    return true;
}

void postReference(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto data = std::make_unique<ReferenceData>(ReferenceData{kMaterial, {}, {}, {}, {}, {}});
    const int points = ModuleElement::create(kMaterial)->pointCount();
    if (!referenceHasRowsFor(state, points)) {
        return;
    }
    timeEach(state, [&](size_t e) {
        molrbench::referencePost(set.coords(e, 0), set.current(e, 0), data->material, points,
                                 data->pointRows, data->nodeRows, data->stored);
    });
}

// Kernel and reference timed in alternation, block by block over the same triangles, in one
// benchmark: a slow spell of the machine (seconds long on a shared virtual machine, long enough to
// move the separate benchmarks' medians by 20 %) then weighs on both alike. Each block is timed
// kernel first and reference first in turn, as the second one finds the block's data in cache.
// Reports both costs per element and their ratio.
template <class Kernel, class Reference>
void paired(benchmark::State& state, Kernel kernel, Reference reference) {
    using Clock = std::chrono::steady_clock;
    constexpr size_t kBlock = 1024;
    const size_t count = static_cast<size_t>(state.range(0));
    double seconds[2] = {0.0, 0.0};
    for (auto _ : state) {
        for (size_t first = 0, block = 0; first < count; first += kBlock, ++block) {
            const size_t last = std::min(count, first + kBlock);
            for (size_t turn = 0; turn < 2; ++turn) {
                const size_t which = (block + turn) % 2;
                const auto start = Clock::now();
                for (size_t e = first; e < last; ++e) {
                    if (which == 0) {
                        kernel(e);
                    } else {
                        reference(e);
                    }
                }
                benchmark::ClobberMemory();
                seconds[which] += std::chrono::duration<double>(Clock::now() - start).count();
            }
        }
    }
    const double elements = static_cast<double>(state.iterations()) * static_cast<double>(count);
    state.counters["kernel_ns"] = 1e9 * seconds[0] / elements;
    state.counters["reference_ns"] = 1e9 * seconds[1] / elements;
    state.counters["ratio"] = seconds[0] / seconds[1];
}

void tangentPaired(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto element = ModuleElement::create(kMaterial);
    const auto data = std::make_unique<ReferenceData>(ReferenceData{kMaterial, {}, {}, {}, {}, {}});
    paired(
        state,
        [&](size_t e) {
            element->bind(set, e);
            element->tangent();
        },
        [&](size_t e) {
            molrbench::referenceTangent(set.coords(e, 0), set.current(e, 0), data->material,
                                        data->p, data->K);
        });
}

void postPaired(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto element = ModuleElement::create(kMaterial);
    const auto data = std::make_unique<ReferenceData>(ReferenceData{kMaterial, {}, {}, {}, {}, {}});
    const int points = element->pointCount();
    if (!referenceHasRowsFor(state, points)) {
        return;
    }
    paired(
        state,
        [&](size_t e) {
            element->bind(set, e);
            element->post();
        },
        [&](size_t e) {
            molrbench::referencePost(set.coords(e, 0), set.current(e, 0), data->material, points,
                                     data->pointRows, data->nodeRows, data->stored);
        });
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    try {
        if (!molrbench::kernelsAgreeWithReferences(triangles(), kMaterial, std::cerr)) {
            std::cerr << "the kernels and their references disagree: no timing is meaningful\n";
            return 1;
        }
    } catch (const std::runtime_error& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    benchmark::RegisterBenchmark("SKR/kernel", tangentKernel)->Arg(kElements);
    benchmark::RegisterBenchmark("SKR/reference", tangentReference)->Arg(kElements);
    benchmark::RegisterBenchmark("SPP/kernel", postKernel)->Arg(kElements);
    benchmark::RegisterBenchmark("SPP/reference", postReference)->Arg(kElements);
    benchmark::RegisterBenchmark("SKR/paired", tangentPaired)->Arg(kElements);
    benchmark::RegisterBenchmark("SPP/paired", postPaired)->Arg(kElements);
    molrbench::RatioReporter reporter(
        {{"SKR", "SKR/kernel", "SKR/reference"}, {"SPP", "SPP/kernel", "SPP/reference"}}, kGoal);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

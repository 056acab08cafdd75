// Per-element cost of the library's kernels, called through the record as a host calls them, next
// to the cost of closed-form reference kernels doing the same arithmetic on plain arrays.
#include "agreement.h"
#include "module_element.h"
#include "ratio_reporter.h"
#include "reference_kernels.h"
#include "triangle_set.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <vector>

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

// The tangent kernel adds into its outputs; the host zeroes them between elements, which is the
// host's cost and is left out here for the kernel and the reference alike.
void tangentKernel(benchmark::State& state) {
    TriangleSet& set = triangles();
    ModuleElement element(kMaterial);
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            element.bind(set, e);
            element.tangent();
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

void tangentReference(benchmark::State& state) {
    TriangleSet& set = triangles();
    std::vector<double> p(6), K(36);
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            molrbench::referenceTangent(set.coords(e, 0), set.current(e, 0), kMaterial, p.data(),
                                        K.data());
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

void postKernel(benchmark::State& state) {
    TriangleSet& set = triangles();
    ModuleElement element(kMaterial);
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            element.bind(set, e);
            element.post();
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

void postReference(benchmark::State& state) {
    TriangleSet& set = triangles();
    const int points = ModuleElement(kMaterial).pointCount();
    std::vector<double> rows(6 * static_cast<size_t>(points));
    auto* pointRows = reinterpret_cast<double(*)[6]>(rows.data());
    double nodeRows[3][4], stored[3];
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            molrbench::referencePost(set.coords(e, 0), set.current(e, 0), kMaterial, points,
                                     pointRows, nodeRows, stored);
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
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
    molrbench::RatioReporter reporter(
        {{"SKR", "SKR/kernel", "SKR/reference"}, {"SPP", "SPP/kernel", "SPP/reference"}}, kGoal);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

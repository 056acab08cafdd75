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

// The tangent kernel adds into its outputs; the host zeroes them between elements, which is the
// host's cost and is left out here for the kernel and the reference alike.
void tangentKernel(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto element = ModuleElement::create(kMaterial);
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            element->bind(set, e);
            element->tangent();
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

void tangentReference(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto data = std::make_unique<ReferenceData>(ReferenceData{kMaterial, {}, {}, {}, {}, {}});
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            molrbench::referenceTangent(set.coords(e, 0), set.current(e, 0), data->material,
                                        data->p, data->K);
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

void postKernel(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto element = ModuleElement::create(kMaterial);
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            element->bind(set, e);
            element->post();
        }
        benchmark::ClobberMemory();
    }
    countElements(state, count);
}

// The reference writes as many point rows as the kernel, for the same default rule.
void postReference(benchmark::State& state) {
    TriangleSet& set = triangles();
    const auto data = std::make_unique<ReferenceData>(ReferenceData{kMaterial, {}, {}, {}, {}, {}});
    const int points = ModuleElement::create(kMaterial)->pointCount();
    if (points > 3) {
        state.SkipWithError("the default rule has more points than the reference has rows");
        return;
    }
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t e = 0; e < count; ++e) {
            molrbench::referencePost(set.coords(e, 0), set.current(e, 0), data->material, points,
                                     data->pointRows, data->nodeRows, data->stored);
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

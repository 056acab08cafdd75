// Host assembly of the 800,000-triangle cantilever: the element kernel through the record, then
// the scatter into the compressed matrix through precomputed positions, per element, on one and
// on two threads.
#include "assembly.h"
#include "cantilever_model.h"
#include "element_library.h"
#include "node_ordering.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace xefhost;

struct Fixture {
    ElementLibrary library{MOLR_MODULE_PATH};
    Model model = molrbench::cantileverModel(2000, 200);
    ElementKernels kernels{library, model, -1};
    SparseSystem system;
    std::vector<double> u, force;
    std::vector<int32_t> elementOrder;

    Fixture() {
        const NodeGraph graph = buildNodeGraph(model);
        const std::vector<int32_t> order =
            fillReducingNodeOrder(model, graph, NodeOrdering::MinimumDegree);
        system = buildSparseSystem(model, graph, order);
        locateElementEntries(model, system, 1);
        std::vector<int32_t> rank(order.size());
        for (size_t k = 0; k < order.size(); ++k) {
            rank[order[k]] = static_cast<int32_t>(k);
        }
        elementOrder = matrixOrderOfElements(model, rank);
        u.assign(model.dofCount(), 1e-3);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void countElements(benchmark::State& state, size_t elements) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(elements));
    state.counters["ns_per_element"] = benchmark::Counter(
        static_cast<double>(state.iterations() * elements),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void assembly(benchmark::State& state, bool matrix) {
    Fixture& f = fixture();
    const ElementPartition partition =
        partitionElements(f.model, f.elementOrder, static_cast<int>(state.range(0)));
    const AssemblyTargets targets{&f.force, matrix ? &f.system : nullptr, nullptr};
    assemble(f.model, f.kernels, partition, f.u, targets);
    for (auto _ : state) {
        assemble(f.model, f.kernels, partition, f.u, targets);
        benchmark::DoNotOptimize(f.system.values.data());
    }
    countElements(state, f.model.elementCount());
}

void BM_AssemblyMatrixAndForce(benchmark::State& state) {
    assembly(state, true);
}
void BM_AssemblyForceOnly(benchmark::State& state) {
    assembly(state, false);
}

// The floor of the matrix part: one fixed element matrix added through the same positions in the
// same element order, with no kernel call, records or forces around it.
void BM_ScatterOnly(benchmark::State& state) {
    Fixture& f = fixture();
    const int entries = f.system.entriesPerElement;
    std::vector<double> element(entries);
    for (int k = 0; k < entries; ++k) {
        element[k] = 1.0 + k;
    }
    double* values = f.system.values.data();
    for (auto _ : state) {
        for (const int32_t e : f.elementOrder) {
            const int32_t* position = &f.system.positions[static_cast<size_t>(e) * entries];
            for (int k = 0; k < entries; ++k) {
                values[position[k]] += element[k];
            }
        }
        benchmark::DoNotOptimize(values);
    }
    countElements(state, f.model.elementCount());
}

BENCHMARK(BM_AssemblyMatrixAndForce)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AssemblyForceOnly)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScatterOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

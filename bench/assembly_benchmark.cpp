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
            fillReducingNodeOrder(graph, NodeOrdering::MinimumDegree);
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
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.model.elementCount()));
    state.counters["ns_per_element"] = benchmark::Counter(
        static_cast<double>(state.iterations() * f.model.elementCount()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_AssemblyMatrixAndForce(benchmark::State& state) {
    assembly(state, true);
}
void BM_AssemblyForceOnly(benchmark::State& state) {
    assembly(state, false);
}

BENCHMARK(BM_AssemblyMatrixAndForce)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AssemblyForceOnly)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

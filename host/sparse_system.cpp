#include "sparse_system.h"

#include "huge_pages.h"

#include <algorithm>
#include <stdexcept>

namespace xefhost {

SparseSystem buildSparseSystem(const Model& model, const NodeGraph& graph,
                               const std::vector<int32_t>& nodeOrder) {
    SparseSystem system;
    const int d = model.dofsPerNode;

    // Each node's free unknowns are numbered together, in the elimination order of the nodes.
    system.equation.assign(model.dofCount(), -1);
    int64_t next = 0;
    for (int32_t node : nodeOrder) {
        for (int c = 0; c < d; ++c) {
            if (model.fixed[static_cast<size_t>(node) * d + c]) {
                continue;
            }
            if (next == INT32_MAX) {
                throw std::runtime_error("more unknowns than the solver's 32-bit indices hold");
            }
            system.equation[static_cast<size_t>(node) * d + c] = static_cast<int32_t>(next++);
        }
    }
    system.size = static_cast<int32_t>(next);

    // Column by column: the column's own unknown and the later free unknowns of the node's
    // neighbours, ascending.
    system.columnStart.assign(system.size + 1, 0);
    std::vector<int32_t> rows, around;
    rows.reserve(graph.neighbours.size() * d * d / 2 + system.size);
    adviseHugePages(rows.data(), rows.capacity() * sizeof(int32_t));
    int64_t column = 0;
    for (int32_t j : nodeOrder) {
        around.clear();
        for (int64_t a = graph.start[j]; a < graph.start[j + 1]; ++a) {
            for (int c = 0; c < d; ++c) {
                const int32_t eq =
                    system.equation[static_cast<size_t>(graph.neighbours[a]) * d + c];
                if (eq >= 0) {
                    around.push_back(eq);
                }
            }
        }
        std::sort(around.begin(), around.end());
        for (int cj = 0; cj < d; ++cj) {
            const int32_t eqj = system.equation[static_cast<size_t>(j) * d + cj];
            if (eqj < 0) {
                continue;
            }
            rows.insert(rows.end(), std::lower_bound(around.begin(), around.end(), eqj),
                        around.end());
            if (rows.size() >= static_cast<size_t>(INT32_MAX)) {
                throw std::runtime_error("more matrix entries than 32-bit indices hold");
            }
            system.columnStart[++column] = static_cast<int32_t>(rows.size());
        }
    }
    system.rowIndex = std::move(rows);
    resizeOnHugePages(system.values, system.rowIndex.size() + 1, 0.0);

    return system;
}

void locateElementEntries(const Model& model, SparseSystem& system, int threads) {
    const int d = model.dofsPerNode;
    const int npe = model.nodesPerElement;
    const int nd = npe * d;
    system.entriesPerElement = nd * (nd + 1) / 2;
    resizeOnHugePages(system.positions, model.elementCount() * system.entriesPerElement, 0);
    const auto discard = static_cast<int32_t>(system.nonzeros());
    const auto elements = static_cast<int64_t>(model.elementCount());
#pragma omp parallel num_threads(threads)
    {
        std::vector<int32_t> eq(nd);
#pragma omp for schedule(static)
        for (int64_t e = 0; e < elements; ++e) {
            for (int k = 0; k < npe; ++k) {
                for (int c = 0; c < d; ++c) {
                    eq[k * d + c] =
                        system.equation[static_cast<size_t>(model.elements[e * npe + k]) * d + c];
                }
            }
            int32_t* out = &system.positions[e * system.entriesPerElement];
            for (int i = 0; i < nd; ++i) {
                for (int j = i; j < nd; ++j) {
                    if (eq[i] < 0 || eq[j] < 0) {
                        *out++ = discard;
                        continue;
                    }
                    const int32_t lo = std::min(eq[i], eq[j]), hi = std::max(eq[i], eq[j]);
                    const int32_t* first = &system.rowIndex[system.columnStart[lo]];
                    const int32_t* last = &system.rowIndex[system.columnStart[lo + 1]];
                    *out++ = static_cast<int32_t>(std::lower_bound(first, last, hi) -
                                                  system.rowIndex.data());
                }
            }
        }
    }
}

void releaseElementEntries(SparseSystem& system) {
    std::vector<int32_t>().swap(system.positions);
}

} // namespace xefhost

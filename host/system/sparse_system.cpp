#include "sparse_system.h"

#include "huge_pages.h"

#include <omp.h>

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
    // neighbours, ascending. Each thread builds the columns of a stretch of the order; the
    // stretches are then joined.
    system.columnStart.assign(system.size + 1, 0);
    const int threads = std::max(1, omp_get_max_threads());
    std::vector<std::vector<int32_t>> stretches(threads);
    const size_t nodes = nodeOrder.size();
    bool outOfMemory = false;
#pragma omp parallel num_threads(threads) reduction(|| : outOfMemory)
    try {
        const int t = omp_get_thread_num();
        const size_t begin = nodes * t / threads, end = nodes * (t + 1) / threads;
        std::vector<int32_t>& rows = stretches[t];
        rows.reserve((graph.neighbours.size() * d * d / 2 + system.size) / threads);
        std::vector<int32_t> around;
        for (size_t k = begin; k < end; ++k) {
            const int32_t j = nodeOrder[k];
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
                // The stretch's own count for now; the stretches before it are added below.
                system.columnStart[eqj + 1] = static_cast<int32_t>(
                    std::min<size_t>(rows.size(), static_cast<size_t>(INT32_MAX)));
            }
        }
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    if (outOfMemory) {
        throw std::runtime_error("out of memory building the matrix pattern");
    }
    size_t total = 0;
    for (const std::vector<int32_t>& rows : stretches) {
        total += rows.size();
    }
    if (total >= static_cast<size_t>(INT32_MAX)) {
        throw std::runtime_error("more matrix entries than 32-bit indices hold");
    }
    std::vector<int32_t> rows;
    rows.reserve(total);
    adviseHugePages(rows.data(), total * sizeof(int32_t));
    // The stretches' columns follow one another in the numbering, as their nodes do.
    int32_t column = 0;
    for (int t = 0; t < threads; ++t) {
        const auto before = static_cast<int32_t>(rows.size());
        for (size_t k = nodes * t / threads; k < nodes * (t + 1) / threads; ++k) {
            for (int c = 0; c < d; ++c) {
                if (system.equation[static_cast<size_t>(nodeOrder[k]) * d + c] >= 0) {
                    system.columnStart[++column] += before;
                }
            }
        }
        rows.insert(rows.end(), stretches[t].begin(), stretches[t].end());
        std::vector<int32_t>().swap(stretches[t]);
    }
    system.rowIndex = std::move(rows);
    resizeOnHugePages(system.values, system.rowIndex.size() + 1, 0.0);

    return system;
}

namespace {

// An entry of the lower triangle found: row hi of column lo, stored at `at`.
struct Found {
    int32_t lo = -2, hi = -2, at = -1;
};

// Where row hi of column lo is stored. A node's free unknowns are numbered consecutively and share
// their neighbours, so an entry usually lies next to one already found: the next row of the same
// column, or the same row of the next column (which holds the same rows less the first). Those
// guesses are checked before a search; the diagonal leads its column.
int32_t locate(const SparseSystem& system, int32_t lo, int32_t hi, const Found& left,
               const Found& up) {
    const int32_t first = system.columnStart[lo], end = system.columnStart[lo + 1];
    const int32_t* rows = system.rowIndex.data();
    if (lo == hi) {
        return first;
    }
    for (const Found& near : {left, up}) {
        int32_t at = -1;
        if (near.lo == lo && near.hi + 1 == hi) {
            at = near.at + 1;
        } else if (near.lo + 1 == lo && near.hi == hi) {
            at = first + near.at - system.columnStart[near.lo] - 1;
        }
        if (at >= first && at < end && rows[at] == hi) {
            return at;
        }
    }
    return static_cast<int32_t>(std::lower_bound(rows + first, rows + end, hi) - rows);
}

} // namespace

void locateElementEntries(const Model& model, SparseSystem& system,
                          const ElementPartition& partition) {
    const int d = model.dofsPerNode;
    const int npe = model.nodesPerElement;
    const int nd = npe * d;
    system.entriesPerElement = nd * (nd + 1) / 2;
    resizeOnHugePages(system.positions, partition.elements.size() * system.entriesPerElement, 0);
    system.positionsFingerprint = partition.fingerprint;
    const auto discard = static_cast<int32_t>(system.nonzeros());
    const auto slots = static_cast<int64_t>(partition.elements.size());
#pragma omp parallel num_threads(partition.threads)
    {
        std::vector<int32_t> eq(nd);
        std::vector<Found> above(nd); // the entries of the row before, by column of the element
#pragma omp for schedule(static)
        for (int64_t a = 0; a < slots; ++a) {
            const auto e = static_cast<size_t>(partition.elements[a]);
            for (int k = 0; k < npe; ++k) {
                for (int c = 0; c < d; ++c) {
                    eq[k * d + c] =
                        system.equation[static_cast<size_t>(model.elements[e * npe + k]) * d + c];
                }
            }
            int32_t* out = &system.positions[a * system.entriesPerElement];
            for (int i = 0; i < nd; ++i) {
                Found left;
                for (int j = i; j < nd; ++j) {
                    if (eq[i] < 0 || eq[j] < 0) {
                        *out++ = discard;
                        above[j] = left = Found{};
                        continue;
                    }
                    const int32_t lo = std::min(eq[i], eq[j]), hi = std::max(eq[i], eq[j]);
                    left = Found{lo, hi, locate(system, lo, hi, left, above[j])};
                    above[j] = left;
                    *out++ = left.at;
                }
            }
        }
    }
}

void releaseElementEntries(SparseSystem& system) {
    std::vector<int32_t>().swap(system.positions);
}

} // namespace xefhost

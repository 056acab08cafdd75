#include "assembly.h"

#include "call_records.h"
#include "crash_report.h"
#include "finite_outputs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace xefhost {

namespace {

void zero(std::vector<double>& values, size_t size, int threads) {
    values.resize(size);
    const auto n = static_cast<int64_t>(size);
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int64_t i = 0; i < n; ++i) {
        values[i] = 0.0;
    }
}

// Offsets in the element's row-major dofs x dofs tangent of its upper triangle, row by row: the
// order of the element entry positions; and where among those entries each diagonal one lies.
template <int kDofs> struct UpperTriangle {
    static constexpr int kEntries = kDofs * (kDofs + 1) / 2;
    int offset[kEntries] = {};
    int diagonal[kDofs] = {};
    constexpr UpperTriangle() {
        int k = 0;
        for (int i = 0; i < kDofs; ++i) {
            diagonal[i] = k;
            for (int j = i; j < kDofs; ++j) {
                offset[k++] = i * kDofs + j;
            }
        }
    }
};

template <int kDofs> constexpr UpperTriangle<kDofs> kUpper{};

// How many elements ahead the matrix entries are fetched into cache. Elements follow the matrix
// columns only roughly, so most of an element's entries lie in lines no recent element touched;
// fetched on demand, they stall the scatter. Timed on the 800,000-triangle cantilever, 16 ahead
// beat 8 and 32.
constexpr size_t kPrefetchDistance = 16;

// kNpe and kD > 0 fix the element's node and unknown counts at compile time, so that the records,
// the zeroing and the scatters of the common elements compile to straight code; 0 reads them from
// the model. Adds the elements in slots [begin, end) of the partition.
template <int kNpe, int kD>
void addElements(const Model& model, ElementKernels& kernels, const double* u,
                 const ElementPartition& partition, size_t begin, size_t end, CallRecords& call,
                 const AssemblyTargets& targets) {
    constexpr int kDofs = kNpe * kD;
    const int npe = kNpe > 0 ? kNpe : model.nodesPerElement;
    const int d = kD > 0 ? kD : model.dofsPerNode;
    const size_t dofs = static_cast<size_t>(npe) * d;
    double stored[kStoredReals];
    call.record()->storedReals = stored;
    NodeValues** nv = call.nv();
    double* p = call.p();
    double* s = call.s();
    double** rows = call.rows();
    double* force = targets.internalForce->data();
    const double* coords = model.coords.data();
    SparseSystem* system = targets.system;
    double* values = system ? system->values.data() : nullptr;
    const int32_t* position =
        system ? &system->positions[begin * system->entriesPerElement] : nullptr;
    // Elements come in runs of one material: its record is looked up once per run.
    size_t material = SIZE_MAX;
    ElSpec* es = nullptr;
    int* idata = nullptr;
    ForeignCallScope foreign("tangent kernel", model.elementIds.data());
    for (size_t a = begin; a < end; ++a) {
        if constexpr (kDofs > 0) {
            // An element's entries in the column of one of its unknowns lie together, from the
            // one on the diagonal on: fetching the diagonal entries brings in nearly all the lines.
            if (system && a + kPrefetchDistance < end) {
                const int32_t* ahead =
                    position + kPrefetchDistance * UpperTriangle<kDofs>::kEntries;
                for (int i = 0; i < kDofs; ++i) {
                    __builtin_prefetch(values + ahead[kUpper<kDofs>.diagonal[i]], 1);
                }
            }
        }
        const int32_t* nodes = &partition.nodes[a * npe];
        for (int k = 0; k < npe; ++k) {
            const size_t node = static_cast<size_t>(nodes[k]);
            nv[k]->coords = const_cast<double*>(&coords[3 * node]);
            nv[k]->current = const_cast<double*>(&u[node * d]);
        }
        std::memset(p, 0, dofs * sizeof(double));
        // Only the upper triangle, the part kernels add into and the host reads, from the row's
        // node's first unknown on: each clear then covers the pairs a kernel reads whole, so that
        // its reads are served from these stores in flight. The rest stays as the records were
        // made, zero. Row by row: short fixed-size clears compile to a few vector stores, one long
        // clear to a slow string instruction.
#pragma GCC unroll 16
        for (size_t i = 0; i < dofs; ++i) {
            const size_t first = i - i % d;
            std::memset(s + i * dofs + first, 0, (dofs - first) * sizeof(double));
        }
        if (static_cast<size_t>(partition.materials[a]) != material) {
            material = static_cast<size_t>(partition.materials[a]);
            es = &kernels.record(material);
            idata = kernels.idata(material);
        }
        foreign.at(partition.elements[a]);
        es->tangentKernel(call.work(), es, call.record(), call.ns(), nv, nullptr, idata, p, rows);

        for (int k = 0; k < npe; ++k) {
            double* nodeForce = &force[static_cast<size_t>(nodes[k]) * d];
            for (int c = 0; c < d; ++c) {
                nodeForce[c] += p[k * d + c];
            }
        }
        if (system) {
            // Entries of fixed unknowns land in the discard slot past the matrix: no branch here.
            if constexpr (kDofs > 0) {
#pragma GCC unroll 136
                for (int k = 0; k < UpperTriangle<kDofs>::kEntries; ++k) {
                    values[position[k]] += s[kUpper<kDofs>.offset[k]];
                }
                position += UpperTriangle<kDofs>::kEntries;
            } else {
                for (size_t i = 0; i < dofs; ++i) {
                    for (size_t j = i; j < dofs; ++j) {
                        values[*position++] += s[i * dofs + j];
                    }
                }
            }
        }
        if (targets.magnitude) {
            double* magnitude = targets.magnitude->data();
            for (size_t i = 0; i < dofs; ++i) {
                double sum = 0;
                for (size_t j = 0; j < dofs; ++j) {
                    const double kij = i <= j ? s[i * dofs + j] : s[j * dofs + i];
                    const double uj = u[static_cast<size_t>(nodes[j / d]) * d + j % d];
                    sum += std::fabs(kij) * std::fabs(uj);
                }
                magnitude[static_cast<size_t>(nodes[i / d]) * d + i % d] += sum;
            }
        }
    }
}

using ElementAdder = void (*)(const Model&, ElementKernels&, const double*, const ElementPartition&,
                              size_t, size_t, CallRecords&, const AssemblyTargets&);

// Three-, four-, six- and eight-node plane elements with two unknowns per node.
ElementAdder adderFor(int nodes, int dofsPerNode) {
    if (dofsPerNode == 2) {
        switch (nodes) {
        case 3:
            return addElements<3, 2>;
        case 4:
            return addElements<4, 2>;
        case 6:
            return addElements<6, 2>;
        case 8:
            return addElements<8, 2>;
        default:
            break;
        }
    }
    return addElements<0, 0>;
}

} // namespace

void assemble(const Model& model, ElementKernels& kernels, const ElementPartition& partition,
              const std::vector<double>& u, const AssemblyTargets& targets) {
    const int dofs = model.nodesPerElement * model.dofsPerNode;
    const ElementAdder add = adderFor(model.nodesPerElement, model.dofsPerNode);
    if (partition.materials.size() != model.elementCount()) {
        throw std::logic_error("element partition not made for this model");
    }
    if (const SparseSystem* system = targets.system;
        system &&
        (system->positionsFingerprint != partition.fingerprint ||
         system->positions.size() !=
             partition.elements.size() * static_cast<size_t>(system->entriesPerElement))) {
        throw std::logic_error("element entry positions not located for this element order");
    }
    zero(*targets.internalForce, model.dofCount(), partition.threads);
    if (targets.system) {
        zero(targets.system->values, targets.system->nonzeros() + 1, partition.threads);
    }
    if (targets.magnitude) {
        zero(*targets.magnitude, model.dofCount(), partition.threads);
    }
#pragma omp parallel num_threads(partition.threads)
    {
        CallRecords call(model, dofs);
        for (size_t r = 0; r < partition.rounds(); ++r) {
            // Dynamic: a thread that runs slower takes fewer blocks.
#pragma omp for schedule(dynamic, 1)
            for (size_t b = partition.roundStart[r]; b < partition.roundStart[r + 1]; ++b) {
                add(model, kernels, u.data(), partition, partition.blockStart[b],
                    partition.blockStart[b + 1], call, targets);
            }
        }
    }
    if (!allFinite(*targets.internalForce, partition.threads) ||
        (targets.system && !allFinite(targets.system->values, partition.threads))) {
        throwNonFiniteTangent(model, kernels, u, targets.system != nullptr);
    }
}

} // namespace xefhost

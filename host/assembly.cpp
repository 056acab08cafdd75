#include "assembly.h"

#include "call_records.h"

#include <algorithm>
#include <cmath>
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

// kNpe and kD > 0 fix the element's node and unknown counts at compile time, so that the zeroing,
// the index arithmetic and the scatters of the common elements unroll; 0 reads them from the model.
// Adds element e, which has the given slot in the element entry positions.
template <int kNpe, int kD>
void addElement(const Model& model, ElementKernels& kernels, const double* u, size_t e, size_t slot,
                CallRecords& call, const AssemblyTargets& targets) {
    const int npe = kNpe > 0 ? kNpe : model.nodesPerElement;
    const int d = kD > 0 ? kD : model.dofsPerNode;
    const size_t dofs = static_cast<size_t>(npe) * d;
    double stored[kStoredReals];
    call.bind(model, e, u, stored);
    double* p = call.p();
    double* s = call.s();
    // Row by row: short fixed-size clears compile to a few vector stores, a whole-matrix clear to a
    // slow string instruction.
    std::memset(p, 0, dofs * sizeof(double));
    for (size_t i = 0; i < dofs; ++i) {
        std::memset(s + i * dofs, 0, dofs * sizeof(double));
    }
    const size_t material = model.elementMaterial[e];
    ElSpec& es = kernels.record(material);
    es.tangentKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                     kernels.idata(material), p, call.rows());

    const int32_t* nodes = &model.elements[e * npe];
    double* force = targets.internalForce->data();
    for (size_t i = 0; i < dofs; ++i) {
        force[static_cast<size_t>(nodes[i / d]) * d + i % d] += p[i];
    }
    if (SparseSystem* system = targets.system) {
        // Entries of fixed unknowns land in the discard slot past the matrix: no branch here.
        const int32_t* position = &system->positions[slot * system->entriesPerElement];
        double* values = system->values.data();
        for (size_t i = 0; i < dofs; ++i) {
            for (size_t j = i; j < dofs; ++j) {
                values[*position++] += s[i * dofs + j];
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

using ElementAdder = void (*)(const Model&, ElementKernels&, const double*, size_t, size_t,
                              CallRecords&, const AssemblyTargets&);

// Three-, four-, six- and eight-node plane elements with two unknowns per node.
ElementAdder adderFor(int nodes, int dofsPerNode) {
    if (dofsPerNode == 2) {
        switch (nodes) {
        case 3:
            return addElement<3, 2>;
        case 4:
            return addElement<4, 2>;
        case 6:
            return addElement<6, 2>;
        case 8:
            return addElement<8, 2>;
        default:
            break;
        }
    }
    return addElement<0, 0>;
}

} // namespace

void assemble(const Model& model, ElementKernels& kernels, const ElementPartition& partition,
              const std::vector<double>& u, const AssemblyTargets& targets) {
    const int dofs = model.nodesPerElement * model.dofsPerNode;
    const ElementAdder add = adderFor(model.nodesPerElement, model.dofsPerNode);
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
#pragma omp for schedule(static, 1)
        for (int t = 0; t < partition.threads; ++t) {
            const size_t end = partition.start[t + 1];
            for (size_t a = partition.start[t]; a < end; ++a) {
                add(model, kernels, u.data(), partition.elements[a], a, call, targets);
            }
        }
#pragma omp single
        for (size_t a = partition.start[partition.threads]; a < partition.elements.size(); ++a) {
            add(model, kernels, u.data(), partition.elements[a], a, call, targets);
        }
    }
}

} // namespace xefhost

#include "assembly.h"

#include "call_records.h"

#include <algorithm>
#include <cmath>

namespace xefhost {

namespace {

void zero(std::vector<double>& values, size_t size) {
    values.resize(size);
    const auto n = static_cast<int64_t>(size);
#pragma omp parallel for schedule(static)
    for (int64_t i = 0; i < n; ++i) {
        values[i] = 0.0;
    }
}

void addElement(const Model& model, ElementKernels& kernels, const double* u, size_t e,
                CallRecords& call, const AssemblyTargets& targets) {
    const int npe = model.nodesPerElement;
    const int d = model.dofsPerNode;
    const size_t dofs = call.dofs();
    double stored[kStoredReals];
    call.bind(model, e, u, stored);
    std::fill(call.p(), call.p() + dofs, 0.0);
    std::fill(call.s(), call.s() + dofs * dofs, 0.0);
    const size_t material = model.elementMaterial[e];
    ElSpec& es = kernels.record(material);
    es.tangentKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                     kernels.idata(material), call.p(), call.rows());

    const int32_t* nodes = &model.elements[e * npe];
    double* force = targets.internalForce->data();
    for (int k = 0; k < npe; ++k) {
        for (int c = 0; c < d; ++c) {
            force[static_cast<size_t>(nodes[k]) * d + c] += call.p()[k * d + c];
        }
    }
    const double* s = call.s();
    if (SparseSystem* system = targets.system) {
        // Entries of fixed unknowns land in the discard slot past the matrix: no branch here.
        const int32_t* position = &system->positions[e * system->entriesPerElement];
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

} // namespace

void assemble(const Model& model, ElementKernels& kernels, const ElementPartition& partition,
              const std::vector<double>& u, const AssemblyTargets& targets) {
    const int dofs = model.nodesPerElement * model.dofsPerNode;
    zero(*targets.internalForce, model.dofCount());
    if (targets.system) {
        zero(targets.system->values, targets.system->nonzeros() + 1);
    }
    if (targets.magnitude) {
        zero(*targets.magnitude, model.dofCount());
    }
#pragma omp parallel num_threads(partition.threads)
    {
        CallRecords call(model, dofs);
#pragma omp for schedule(static, 1)
        for (int t = 0; t < partition.threads; ++t) {
            for (size_t a = partition.start[t]; a < partition.start[t + 1]; ++a) {
                addElement(model, kernels, u.data(), partition.elements[a], call, targets);
            }
        }
#pragma omp single
        for (size_t a = partition.start[partition.threads]; a < partition.elements.size(); ++a) {
            addElement(model, kernels, u.data(), partition.elements[a], call, targets);
        }
    }
}

} // namespace xefhost

#include "element_kernels.h"

#include "integration_points.h"

#include <algorithm>
#include <stdexcept>

namespace xefhost {

namespace {

// Work vector reals handed to each kernel call: far above what a plane element needs.
constexpr size_t kWorkReals = 8192;
// Host-side sizes of the node and element records (the library reads fixed offsets in them).
constexpr size_t kNodeRecordBytes = 128;
constexpr size_t kElementRecordBytes = 64;
constexpr size_t kStoredReals = 3;

// The records and buffers of one element call, reused from element to element.
class CallRecords {
  public:
    CallRecords(const Model& model, int dofs)
        : npe_(model.nodesPerElement), nodeBytes_(npe_ * kNodeRecordBytes, 0),
          kindBytes_(npe_ * 16, 0), nv_(npe_), ns_(npe_), work_(kWorkReals), p_(dofs),
          s_(static_cast<size_t>(dofs) * dofs), rows_(dofs) {
        for (int k = 0; k < npe_; ++k) {
            nv_[k] = reinterpret_cast<NodeValues*>(&nodeBytes_[k * kNodeRecordBytes]);
            ns_[k] = reinterpret_cast<NodeKind*>(&kindBytes_[k * 16]);
            ns_[k]->dofCount = model.dofsPerNode;
        }
        for (int i = 0; i < dofs; ++i) {
            rows_[i] = &s_[static_cast<size_t>(i) * dofs];
        }
        record_ = reinterpret_cast<ElRecord*>(recordBytes_);
    }

    void bind(const Model& model, size_t e, const std::vector<double>& u, double* stored) {
        for (int k = 0; k < npe_; ++k) {
            const size_t node = model.elements[e * npe_ + k];
            nv_[k]->coords = const_cast<double*>(&model.coords[3 * node]);
            nv_[k]->current = const_cast<double*>(&u[node * model.dofsPerNode]);
        }
        record_->storedReals = stored;
    }

    double* work() { return work_.data(); }
    NodeValues** nv() { return nv_.data(); }
    NodeKind** ns() { return ns_.data(); }
    ElRecord* record() { return record_; }
    std::vector<double>& p() { return p_; }
    std::vector<double>& s() { return s_; }
    double** rows() { return rows_.data(); }

  private:
    int npe_;
    std::vector<unsigned char> nodeBytes_, kindBytes_;
    std::vector<NodeValues*> nv_;
    std::vector<NodeKind*> ns_;
    std::vector<double> work_, p_, s_;
    std::vector<double*> rows_;
    alignas(16) unsigned char recordBytes_[kElementRecordBytes] = {};
    ElRecord* record_;
};

} // namespace

ElementKernels::ElementKernels(const ElementLibrary& library, const Model& model, int intCode) {
    const size_t materials = model.materials.size() / model.dataCount;
    for (size_t m = 0; m < materials; ++m) {
        descriptions_.push_back(std::make_unique<ElementDescription>(library, intCode, 0));
        ElSpec& es = descriptions_.back()->record();
        es.data = &model.materials[m * model.dataCount];
    }
    ElSpec& first = record(0);
    if (!first.tangentKernel || !first.postKernel) {
        throw std::runtime_error(library.path() + ": the element description has no kernels");
    }
    points_ = std::make_unique<IntegrationPoints>(first.intCode, idata(0));
    if (first.intPointCount <= 0 || points_->count() != first.intPointCount) {
        throw std::runtime_error("integration code " + std::to_string(first.intCode) +
                                 " names no rule of the catalogue");
    }
    for (auto& d : descriptions_) {
        d->record().intPoints = points_->data();
    }
}

ElementKernels::~ElementKernels() = default;

void assemble(const Model& model, ElementKernels& kernels, const std::vector<double>& u,
              SparseSystem* system, std::vector<double>& internalForce) {
    const int dofs = model.nodesPerElement * model.dofsPerNode;
    const int npe = model.nodesPerElement;
    const int d = model.dofsPerNode;
    internalForce.assign(model.dofCount(), 0.0);
    if (system) {
        std::fill(system->values.begin(), system->values.end(), 0.0);
    }
    CallRecords call(model, dofs);
    double stored[kStoredReals];
    for (size_t e = 0; e < model.elementCount(); ++e) {
        call.bind(model, e, u, stored);
        std::fill(call.p().begin(), call.p().end(), 0.0);
        std::fill(call.s().begin(), call.s().end(), 0.0);
        const size_t material = model.elementMaterial[e];
        ElSpec& es = kernels.record(material);
        es.tangentKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                         kernels.idata(material), call.p().data(), call.rows());
        for (int k = 0; k < npe; ++k) {
            const size_t node = model.elements[e * npe + k];
            for (int c = 0; c < d; ++c) {
                internalForce[node * d + c] += call.p()[k * d + c];
            }
        }
        if (system) {
            const int32_t* position = &system->positions[e * system->entriesPerElement];
            for (int i = 0; i < dofs; ++i) {
                const double* row = call.rows()[i];
                for (int j = i; j < dofs; ++j, ++position) {
                    if (*position >= 0) {
                        system->values[*position] += row[j];
                    }
                }
            }
        }
    }
}

PostResults postProcess(const Model& model, ElementKernels& kernels, const std::vector<double>& u) {
    const ElSpec& first = kernels.record(0);
    PostResults results;
    results.pointCount = first.intPointCount;
    results.gpostCount = first.gpostCount;
    results.npostCount = first.npostCount;
    const int npe = model.nodesPerElement;
    const size_t m = model.elementCount();
    const size_t pointRow = static_cast<size_t>(results.gpostCount);
    results.pointValues.assign(m * results.pointCount * pointRow, 0.0);
    results.nodeValues.assign(model.nodeCount() * results.npostCount, 0.0);
    results.storedSums.assign(m * kStoredReals, 0.0);
    std::vector<int> uses(model.nodeCount(), 0);

    CallRecords call(model, npe * model.dofsPerNode);
    std::vector<double*> gpost(results.pointCount);
    std::vector<double> npostBuffer(static_cast<size_t>(npe) * results.npostCount);
    std::vector<double*> npost(npe);
    for (int k = 0; k < npe; ++k) {
        npost[k] = &npostBuffer[static_cast<size_t>(k) * results.npostCount];
    }
    for (size_t e = 0; e < m; ++e) {
        call.bind(model, e, u, &results.storedSums[e * kStoredReals]);
        for (int g = 0; g < results.pointCount; ++g) {
            gpost[g] = &results.pointValues[(e * results.pointCount + g) * pointRow];
        }
        const size_t material = model.elementMaterial[e];
        ElSpec& es = kernels.record(material);
        es.postKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                      kernels.idata(material), gpost.data(), npost.data());
        for (int k = 0; k < npe; ++k) {
            const size_t node = model.elements[e * npe + k];
            ++uses[node];
            for (int c = 0; c < results.npostCount; ++c) {
                results.nodeValues[node * results.npostCount + c] += npost[k][c];
            }
        }
    }
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        for (int c = 0; c < results.npostCount; ++c) {
            results.nodeValues[node * results.npostCount + c] /= std::max(uses[node], 1);
        }
    }
    return results;
}

} // namespace xefhost

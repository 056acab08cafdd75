// The records and buffers of one element call, reused from element to element: each thread that
// calls the kernels owns one set, work vector included.
#pragma once

#include "XEFRecords.h"
#include "model.h"

#include <cstddef>
#include <vector>

namespace xefhost {

// Work vector reals handed to each kernel call: far above what a plane element needs.
constexpr size_t kWorkReals = 8192;
// Host-side sizes of the node and element records (the library reads fixed offsets in them).
constexpr size_t kNodeRecordBytes = 128;
constexpr size_t kNodeKindBytes = 16;
constexpr size_t kElementRecordBytes = 64;
constexpr size_t kStoredReals = 3;

class CallRecords {
  public:
    CallRecords(const Model& model, int dofs)
        : npe_(model.nodesPerElement), nodeBytes_(npe_ * kNodeRecordBytes, 0),
          kindBytes_(npe_ * kNodeKindBytes, 0), nv_(npe_), ns_(npe_), work_(kWorkReals), p_(dofs),
          s_(static_cast<size_t>(dofs) * dofs), rows_(dofs) {
        for (int k = 0; k < npe_; ++k) {
            nv_[k] = reinterpret_cast<NodeValues*>(&nodeBytes_[k * kNodeRecordBytes]);
            ns_[k] = reinterpret_cast<NodeKind*>(&kindBytes_[k * kNodeKindBytes]);
            ns_[k]->dofCount = model.dofsPerNode;
        }
        for (int i = 0; i < dofs; ++i) {
            rows_[i] = &s_[static_cast<size_t>(i) * dofs];
        }
        record_ = reinterpret_cast<ElRecord*>(recordBytes_);
    }
    // The pointer tables point into this object's own buffers: a copy would share them.
    CallRecords(const CallRecords&) = delete;
    CallRecords& operator=(const CallRecords&) = delete;

    void bind(const Model& model, size_t e, const double* u, double* stored) {
        const int32_t* nodes = &model.elements[e * npe_];
        for (int k = 0; k < npe_; ++k) {
            nv_[k]->coords = const_cast<double*>(&model.coords[3 * static_cast<size_t>(nodes[k])]);
            nv_[k]->current =
                const_cast<double*>(&u[static_cast<size_t>(nodes[k]) * model.dofsPerNode]);
        }
        record_->storedReals = stored;
    }

    double* work() { return work_.data(); }
    NodeValues** nv() { return nv_.data(); }
    NodeKind** ns() { return ns_.data(); }
    ElRecord* record() { return record_; }
    double* p() { return p_.data(); }
    double* s() { return s_.data(); }
    size_t dofs() const { return p_.size(); }
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

} // namespace xefhost

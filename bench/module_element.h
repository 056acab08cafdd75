// The MOLR element as a host holds it: the module loaded with dlopen, the description record filled
// by its XEFSetElSpec in host storage, the host's material and integration points, node and element
// records, a work vector and output rows. Kernels are reached only through the record's addresses.
#pragma once

#include "XEFRecords.h"
#include "reference_kernels.h"
#include "triangle_set.h"

#include <vector>

namespace molrbench {

class ModuleElement {
  public:
    // Loads the module (once per program) and describes the element with its default rule; throws
    // std::runtime_error when the module or its export cannot be found.
    explicit ModuleElement(Material material);

    ElSpec* es() { return es_; }
    int pointCount() const { return es_->intPointCount; }

    // Points the node records at element e of the set, as the host does before each call.
    void bind(TriangleSet& set, size_t e) {
        for (int k = 0; k < 3; ++k) {
            nv_[k]->coords = set.coords(e, k);
            nv_[k]->current = set.current(e, k);
        }
    }
    void tangent() {
        es_->tangentKernel(work_.data(), es_, record_, ns_, nv_, nullptr, idata_.data(),
                           residual_.data(), tangentRows_);
    }
    void post() {
        es_->postKernel(work_.data(), es_, record_, ns_, nv_, nullptr, idata_.data(),
                        pointRows_.data(), nodeRows_);
    }

    // Outputs of the last calls; the tangent ones accumulate until cleared.
    void clearTangent();
    double residual(int i) const { return residual_[i]; }
    double tangent(int i, int j) const { return tangentRows_[i][j]; }
    const double* pointRow(int g) const { return pointRows_[g]; }
    const double* nodeRow(int k) const { return nodeRows_[k]; }
    const double* stored() const { return stored_; }

  private:
    alignas(16) unsigned char specBytes_[1024] = {};
    ElSpec* es_;
    std::vector<int> idata_;
    double material_[2];
    alignas(16) unsigned char nodeBytes_[3][128] = {};
    alignas(16) unsigned char kindBytes_[3][16] = {};
    alignas(16) unsigned char recordBytes_[64] = {};
    NodeValues* nv_[3];
    NodeKind* ns_[3];
    ElRecord* record_;
    std::vector<double> work_;
    std::vector<double> residual_;
    std::vector<double> tangentValues_;
    double* tangentRows_[6];
    std::vector<double> pointValues_;
    std::vector<double*> pointRows_;
    double nodeValues_[3][4] = {};
    double* nodeRows_[3];
    double stored_[3] = {};
};

} // namespace molrbench

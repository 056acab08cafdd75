// The MOLR element as a host holds it: the module loaded with dlopen, the description record filled
// by its XEFSetElSpec in host storage, the host's material and integration points, node and element
// records, a work vector and output rows. Kernels are reached only through the record's addresses.
#pragma once

#include "XEFRecords.h"
#include "reference_kernels.h"
#include "triangle_set.h"

#include <memory>
#include <vector>

namespace molrbench {

class ModuleElement {
  public:
    // Loads the module (once per program) and describes the element with its default rule; throws
    // std::runtime_error when the module or its export cannot be found.
    static std::unique_ptr<ModuleElement> create(Material material);

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
        es_->tangentKernel(work_.data(), es_, record_, ns_, nv_, nullptr, idata_.data(), residual_,
                           tangentRows_);
    }
    void post() {
        es_->postKernel(work_.data(), es_, record_, ns_, nv_, nullptr, idata_.data(), pointRows_,
                        nodeRows_);
    }

    // Outputs of the last calls; the tangent ones accumulate until cleared.
    void clearTangent();
    double residual(int i) const { return residual_[i]; }
    double tangent(int i, int j) const { return tangentRows_[i][j]; }
    const double* pointRow(int g) const { return pointRows_[g]; }
    const double* nodeRow(int k) const { return nodeRows_[k]; }
    const double* stored() const { return stored_; }

  private:
    explicit ModuleElement(Material material);

    // Records and outputs live in this one object, kept under 4 KiB and allocated once: no two of
    // their addresses then agree in the low 12 bits, which would make the processor wait on a
    // store before a later load ("4K aliasing") in some processes and not in others, as stack
    // placement varies from run to run.
    static constexpr int kMaxPoints = 16;
    alignas(64) unsigned char descriptionBytes_[1024] = {};
    ElSpec* es_;
    double material_[2];
    alignas(16) unsigned char nodeBytes_[3][128] = {};
    alignas(16) unsigned char kindBytes_[3][16] = {};
    alignas(16) unsigned char recordBytes_[64] = {};
    NodeValues* nv_[3];
    NodeKind* ns_[3];
    ElRecord* record_;
    double residual_[6] = {};
    double tangentValues_[6][6] = {};
    double* tangentRows_[6];
    double pointValues_[kMaxPoints][6] = {};
    double* pointRows_[kMaxPoints];
    double nodeValues_[3][4] = {};
    double* nodeRows_[3];
    double stored_[3] = {};
    // Handed to the kernels but never touched by them.
    std::vector<int> idata_;
    std::vector<double> work_;
};

} // namespace molrbench

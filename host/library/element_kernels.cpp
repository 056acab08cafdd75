#include "element_kernels.h"

#include "call_records.h"
#include "integration_points.h"

#include <algorithm>
#include <stdexcept>

namespace xefhost {

ElementKernels::ElementKernels(const ElementLibrary& library, const Model& model, int intCode) {
    // An element without data has one material, the empty one, whatever the problem lists.
    const size_t materials = model.dataCount == 0 ? 1 : model.materials.size() / model.dataCount;
    for (size_t m = 0; m < materials; ++m) {
        descriptions_.push_back(std::make_unique<ElementDescription>(library, intCode, 0));
        ElSpec& es = descriptions_.back()->record();
        es.data = model.dataCount == 0 ? nullptr : &model.materials[m * model.dataCount];
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

void ElementKernels::callTangent(const Model& model, size_t element, const double* u,
                                 CallRecords& call, double* stored) {
    const size_t dofs = call.dofs();
    call.bind(model, element, u, stored);
    std::fill(call.p(), call.p() + dofs, 0.0);
    std::fill(call.s(), call.s() + dofs * dofs, 0.0);
    const size_t material = static_cast<size_t>(model.elementMaterial[element]);
    ElSpec& es = record(material);
    es.tangentKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                     idata(material), call.p(), call.rows());
}

} // namespace xefhost

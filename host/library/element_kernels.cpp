#include "element_kernels.h"

#include "integration_points.h"

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

} // namespace xefhost

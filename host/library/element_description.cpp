#include "element_description.h"

#include "crash_report.h"
#include "description_limits.h"

#include <algorithm>

namespace xefhost {

namespace {

std::vector<std::string> textList(const char* const* list, int count) {
    std::vector<std::string> texts;
    for (int i = 0; list && i < count; ++i) {
        texts.emplace_back(list[i] ? list[i] : "");
    }
    return texts;
}

} // namespace

ElementDescription::ElementDescription(const ElementLibrary& library, int intCode, int dataMode)
    : storage_(std::make_unique<Storage>()), spec_(reinterpret_cast<ElSpec*>(storage_->bytes)),
      idata_(kIDataEntries, 0) {
    {
        const ForeignCallScope foreign("XEFSetElSpec", nullptr);
        library.setElSpec()(spec_, idata_.data(), intCode, dataMode);
    }
    validateDescription(*spec_, library.path());
}

std::vector<std::string> ElementDescription::dataNames() const {
    return textList(spec_->dataNames, spec_->dataCount);
}
std::vector<std::string> ElementDescription::gpostNames() const {
    return textList(spec_->gpostNames, spec_->gpostCount);
}
std::vector<std::string> ElementDescription::npostNames() const {
    return textList(spec_->npostNames, spec_->npostCount);
}

ElementTraits ElementDescription::traits() const {
    ElementTraits traits;
    traits.topology = spec_->topology ? spec_->topology : "";
    traits.dimensions = spec_->dimensions;
    traits.nodeCount = spec_->nodeCount;
    if (spec_->nodeDofs) {
        traits.nodeDofs.assign(spec_->nodeDofs, spec_->nodeDofs + std::max(spec_->nodeCount, 0));
    }
    traits.dofCount = spec_->dofCount;
    if (spec_->referenceNodes) {
        traits.referenceNodes.assign(spec_->referenceNodes,
                                     spec_->referenceNodes + 3 * std::max(spec_->nodeCount, 0));
    }
    traits.dataNames = dataNames();
    const int dataCount = std::max(spec_->dataCount, 0);
    if (spec_->data) {
        traits.dataDefaults.assign(spec_->data, spec_->data + dataCount);
    } else {
        traits.dataDefaults.assign(dataCount, 0.0);
    }
    return traits;
}

} // namespace xefhost

#include "module_element.h"

#include "XEMUtility.h"

#include <algorithm>
#include <dlfcn.h>
#include <iterator>
#include <stdexcept>
#include <string>

namespace molrbench {

namespace {

using SetElSpecRoutine = int (*)(ElSpec*, int*, int, int);

// IData entries and work reals a host hands over; the kernels need 228 at most.
constexpr size_t kIDataEntries = 256;
constexpr size_t kWorkReals = 256;

// The module stays loaded for the whole program, as in a host.
SetElSpecRoutine exportedSetElSpec() {
    static void* handle = dlopen(MOLR_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        throw std::runtime_error(std::string("cannot load " MOLR_MODULE_PATH ": ") + dlerror());
    }
    void* routine = dlsym(handle, "XEFSetElSpec");
    if (!routine) {
        throw std::runtime_error(MOLR_MODULE_PATH " exports no XEFSetElSpec");
    }
    return reinterpret_cast<SetElSpecRoutine>(routine);
}

} // namespace

std::unique_ptr<ModuleElement> ModuleElement::create(Material material) {
    static_assert(sizeof(ModuleElement) < 4096, "records and outputs must fit in 4 KiB");
    return std::unique_ptr<ModuleElement>(new ModuleElement(material));
}

ModuleElement::ModuleElement(Material material)
    : es_(reinterpret_cast<ElSpec*>(descriptionBytes_)), material_{material.E, material.nu},
      record_(reinterpret_cast<ElRecord*>(recordBytes_)), idata_(kIDataEntries, 0),
      work_(kWorkReals, 0.0) {
    exportedSetElSpec()(es_, idata_.data(), -1, 0);
    if (es_->dofCount != 6 || es_->gpostCount != 6 || es_->npostCount != 4) {
        throw std::runtime_error("the module does not describe the 3-node plane triangle");
    }
    es_->data = material_;
    int count = 0;
    es_->intPoints = XEFIntPoints(&es_->intCode, &count);
    if (!es_->intPoints || count != es_->intPointCount || count > kMaxPoints) {
        throw std::runtime_error("the default integration code names no single rule of at most " +
                                 std::to_string(kMaxPoints) + " points");
    }
    for (int k = 0; k < 3; ++k) {
        nv_[k] = reinterpret_cast<NodeValues*>(nodeBytes_[k]);
        ns_[k] = reinterpret_cast<NodeKind*>(kindBytes_[k]);
        ns_[k]->dofCount = 2;
        nodeRows_[k] = nodeValues_[k];
    }
    record_->storedReals = stored_;
    for (int i = 0; i < 6; ++i) {
        tangentRows_[i] = tangentValues_[i];
    }
    for (int g = 0; g < kMaxPoints; ++g) {
        pointRows_[g] = pointValues_[g];
    }
}

void ModuleElement::clearTangent() {
    std::fill(std::begin(residual_), std::end(residual_), 0.0);
    std::fill(&tangentValues_[0][0], &tangentValues_[0][0] + 36, 0.0);
}

} // namespace molrbench

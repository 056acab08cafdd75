// Calling an element library's kernels for every element of a model, through the record alone.
#pragma once

#include "element_description.h"
#include "model.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace xefhost {

class CallRecords;
class IntegrationPoints;

// A kernel returned NaN or infinity: the message names the element, the kernel and the entry.
class NonFiniteOutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One element description per material (the library describes each with the host's data), all
// sharing the host's integration points for the code in use.
class ElementKernels {
  public:
    ElementKernels(const ElementLibrary& library, const Model& model, int intCode);
    ~ElementKernels();

    ElSpec& record(size_t material) { return descriptions_[material]->record(); }
    const ElSpec& record(size_t material) const { return descriptions_[material]->record(); }
    int* idata(size_t material) { return descriptions_[material]->idata(); }
    const ElementDescription& description(size_t material) const {
        return *descriptions_[material];
    }
    int intCode() const { return record(0).intCode; }

    // One call of the tangent kernel for model element `element` at the displacements u (every
    // unknown, node by node), through its material's record, into call's cleared outputs.
    void callTangent(const Model& model, size_t element, const double* u, CallRecords& call,
                     double* stored);
    int pointCount() const { return record(0).intPointCount; }

  private:
    std::vector<std::unique_ptr<ElementDescription>> descriptions_;
    std::unique_ptr<IntegrationPoints> points_;
};

} // namespace xefhost

// The element's post-processing for every element of a model: point values as the kernel gives
// them, nodal values averaged over the elements that share each node.
#pragma once

#include "element_kernels.h"
#include "model.h"
#include "post_results.h"

#include <vector>

namespace xefhost {

PostResults postProcess(const Model& model, ElementKernels& kernels, const std::vector<double>& u);

} // namespace xefhost

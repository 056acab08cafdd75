// Elements listed twice: the same node set under two element numbers. Each would add its
// stiffness and forces again, and the model would solve to a different answer without a word.
#pragma once

#include "model.h"

#include <cstddef>
#include <optional>
#include <utility>

namespace xefhost {

// The first pair of elements (in element order) whose node sets are equal, or nothing. Elements
// are grouped by their smallest node, so the search takes time in proportion to the mesh.
std::optional<std::pair<size_t, size_t>> findDuplicateElements(const Model& model);

} // namespace xefhost

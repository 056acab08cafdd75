// The elements the problem-file target builds models for: what a library's description would
// give for the host's plane topologies, one without any material data or reference nodes.
#pragma once

#include "element_traits.h"

#include <string>
#include <vector>

namespace molrfuzz {

struct ElementKind {
    xefhost::ElementTraits traits;
    bool secondOrder; // built on the second-order mesh
};

std::vector<ElementKind> elementKinds();

} // namespace molrfuzz

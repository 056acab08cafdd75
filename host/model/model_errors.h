// The errors that say a model cannot be built or cannot be solved. Each message names the
// element, node, group or part concerned and says why.
#pragma once

#include <stdexcept>

namespace xefhost {

// The mesh or problem cannot be turned into a model.
class ModelError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The stiffness cannot be factorized; for a stiffness this means the model is not restrained.
class SingularModelError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The solve does not fit the memory the process may use; the message gives both figures.
class ResourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace xefhost

#include "failure_report.h"

#include "element_kernels.h"
#include "element_library.h"
#include "model_errors.h"
#include "newton_solver.h"

#include <iostream>

namespace xefhost {

int reportFailure(const std::exception& error) {
    std::cerr << "xefhost: " << error.what() << "\n";
    if (dynamic_cast<const LibraryError*>(&error)) {
        return 2;
    }
    // No number that is not finite becomes a result; and an unconverged load is not wrong input.
    if (dynamic_cast<const NonFiniteOutputError*>(&error) ||
        dynamic_cast<const NotConvergedError*>(&error)) {
        return 3;
    }
    return 1;
}

} // namespace xefhost

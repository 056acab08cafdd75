// Two pieces of work side by side, one thread each: the two halves of a split mesh are ordered
// and factorized this way.
#pragma once

#include <exception>

namespace xefhost {

// Runs work(0) and work(1) on two threads and returns when both have finished. What either threw
// is rethrown then, with its type kept (the first half's where both threw), so that a caller can
// tell a singular stiffness from any other failure.
template <typename Work> void runSideBySide(Work work) {
    std::exception_ptr errors[2];
#pragma omp parallel for num_threads(2) schedule(static, 1)
    for (int h = 0; h < 2; ++h) {
        try {
            work(h);
        } catch (...) {
            errors[h] = std::current_exception();
        }
    }
    for (const std::exception_ptr& error : errors) {
        if (error) {
            std::rethrow_exception(error);
        }
    }
}

} // namespace xefhost

#include "factor_memory.h"

#include "model_errors.h"

#include <cstdio>

namespace xefhost {

void requireFactorFits(double factorEntries, const MemoryBudget& budget) {
    const double bytes = 8 * factorEntries;
    if (bytes <= budget.bytes) {
        return;
    }
    constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
    char message[320];
    std::snprintf(message, sizeof message,
                  "the Cholesky factor needs %.2f GiB (%.4g entries), but the process may take "
                  "only %.2f GiB more (%s): use a coarser mesh, or run where more memory is "
                  "available",
                  bytes / kGiB, factorEntries, budget.bytes / kGiB, budget.source.c_str());
    throw ResourceError(message);
}

} // namespace xefhost

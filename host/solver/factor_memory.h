// Whether a factor fits the memory the process may still take, asked after the analysis and
// before the numeric factorization allocates it.
#pragma once

#include "memory_budget.h"

namespace xefhost {

// Throws ResourceError (model_errors.h), giving the factor's size and the budget with its source,
// where the factor's values alone (8 bytes an entry) exceed the budget.
void requireFactorFits(double factorEntries, const MemoryBudget& budget);

} // namespace xefhost

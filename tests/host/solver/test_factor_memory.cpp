// A factor that does not fit the memory the process may take is refused before it is allocated,
// with both figures and the limit that binds; the budget itself is read from the system.
#include "factor_memory.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;

TEST(FactorMemory, AFactorLargerThanTheBudgetIsRefusedWithBothFigures) {
    const xefhost::MemoryBudget budget{kGiB, "the address-space limit (ulimit -v)"};
    EXPECT_NO_THROW(xefhost::requireFactorFits(1e8, budget)); // 0.75 GiB
    try {
        xefhost::requireFactorFits(1.4e9, budget); // 10.43 GiB
        FAIL() << "a factor of 10 GiB fitted in 1 GiB";
    } catch (const xefhost::ResourceError& error) {
        const std::string message = error.what();
        for (const char* part : {"needs 10.43 GiB (1.4e+09 entries)", "only 1.00 GiB more",
                                 "(the address-space limit (ulimit -v))"}) {
            EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
        }
    }
}

TEST(FactorMemory, TheBudgetIsPositiveAndNamesItsSource) {
    const xefhost::MemoryBudget budget = xefhost::memoryBudget();
    EXPECT_GT(budget.bytes, 0);
    EXPECT_FALSE(budget.source.empty());
}

} // namespace

// Composite integration rules: tensor products of catalogue rules in caller-owned blocks.
#include "composite_rules.h"

#include "XEMUtility.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace {

// Dimension a component contributes; codes beyond the nd table name no rule and add nothing.
int componentDimension(int code) {
    return (code >= 0 && code < 48) ? nd[code] : 0;
}

} // namespace

extern "C" double* xefBuildCompositeRule(int code, const int components[3], int componentCount,
                                         int total, int* idata) {
    const double* tables[3] = {nullptr, nullptr, nullptr};
    int counts[3] = {1, 1, 1};
    int taken[3] = {0, 0, 0};
    int dimensionSum = 0;
    for (int r = 0; r < componentCount; ++r) {
        tables[r] = XEFIntPoints(&components[r], &counts[r]);
        taken[r] = componentDimension(components[r]);
        dimensionSum += taken[r];
    }

    double* block =
        static_cast<double*>(std::calloc(4 * static_cast<std::size_t>(total), sizeof(double)));
    // A null block of zero points is what calloc may give for an empty rule, not a failure.
    if (block == nullptr && total > 0) {
        return nullptr;
    }
    if (dimensionSum > 3) {
        std::printf("\nERROR: integration code %i has more than 3 dimensions\n", code);
        idata[XEFErrorStatus] = 3;
        return block;
    }

    // The last component fills whatever coordinates the earlier ones leave; the catalogue stores 0
    // in the coordinates a rule does not use, so lower-dimensional products end in zeros.
    taken[componentCount - 1] = 3 - (dimensionSum - taken[componentCount - 1]);
    double* point = block;
    for (int k = 0; k < counts[2]; ++k) {
        for (int j = 0; j < counts[1]; ++j) {
            for (int i = 0; i < counts[0]; ++i) {
                const double* factors[3] = {tables[0] + 4 * i, tables[1] + 4 * j,
                                            tables[2] ? tables[2] + 4 * k : nullptr};
                int filled = 0;
                for (int r = 0; r < componentCount; ++r) {
                    for (int q = 0; q < taken[r]; ++q) {
                        point[filled++] = factors[r][q];
                    }
                }
                double weight = factors[0][3];
                for (int r = 1; r < componentCount; ++r) {
                    weight = weight * factors[r][3];
                }
                point[3] = weight;
                point += 4;
            }
        }
    }
    return block;
}

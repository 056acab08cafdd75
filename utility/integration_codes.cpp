// Integration code tables and point counting.
#include "XEMUtility.h"
#include "integration_decode.h"

#include <cstddef>

extern "C" {

const int nd[48] = {0, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 2, 2, 2, 3, 2, 2, 3, 3, 1, 1, 1, 1,
                    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 3, 3, 3, 2, 3, 2, 2, 3, 0, 0, 0, 0};

const int ng[48] = {0, 1, 4, 9, 5, 4,  1, 8, 27, 64, 9, 8, 1, 3, 3,  1,  4,  7, 4, 5, 1, 2, 3, 4,
                    5, 6, 7, 8, 9, 10, 2, 3, 4,  5,  6, 3, 4, 6, 14, 12, 14, 6, 7, 8, 0, 0, 0, 0};

double* XEFMultiIntPoints(const int* code, int* /*idata*/, int* total, int* count1, int* count2,
                          int* count3, int flag) {
    int components[3];
    const int componentCount = xefDecodeIntegrationCode(*code, components);
    int counts[3] = {0, 0, 0};
    int product = 1;
    for (int k = 0; k < componentCount; ++k) {
        counts[k] = xefRulePointCount(components[k], ng);
        product *= counts[k];
    }
    *count1 = counts[0];
    *count2 = counts[1];
    *count3 = counts[2];
    *total = product;
    (void)flag;
    return nullptr;
}
}

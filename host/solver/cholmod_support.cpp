#include "cholmod_support.h"

#include <cstring>

namespace xefhost {

void configureFactor(CholmodCommon& common) {
    common->supernodal = CHOLMOD_SUPERNODAL;
    common->nmethods = 1;
    common->method[0].ordering = CHOLMOD_NATURAL;
    common->postorder = 0;
}

void describeLower(cholmod_sparse& A, int32_t size, const int32_t* columnStart,
                   const int32_t* rowIndex, const double* values) {
    std::memset(&A, 0, sizeof A);
    A.nrow = A.ncol = static_cast<size_t>(size);
    A.nzmax = static_cast<size_t>(columnStart[size]);
    A.p = const_cast<int32_t*>(columnStart);
    A.i = const_cast<int32_t*>(rowIndex);
    A.x = const_cast<double*>(values);
    A.stype = -1;
    A.itype = CHOLMOD_INT;
    A.xtype = CHOLMOD_REAL;
    A.dtype = CHOLMOD_DOUBLE;
    A.sorted = 1;
    A.packed = 1;
}

void describeColumn(cholmod_dense& B, size_t size, const double* values) {
    std::memset(&B, 0, sizeof B);
    B.nrow = size;
    B.ncol = 1;
    B.nzmax = size;
    B.d = size;
    B.x = const_cast<double*>(values);
    B.xtype = CHOLMOD_REAL;
    B.dtype = CHOLMOD_DOUBLE;
}

std::string cholmodFailure(const cholmod_common& common) {
    switch (common.status) {
    case CHOLMOD_OUT_OF_MEMORY:
        return "out of memory";
    case CHOLMOD_TOO_LARGE:
        return "the factor has more entries than the solver's 32-bit indices hold";
    default:
        return "CHOLMOD status " + std::to_string(common.status);
    }
}

} // namespace xefhost

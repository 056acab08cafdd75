// Static condensation of an element's trailing internal unknowns and their recovery after the
// solve. The operation order is fixed term by term so that condensed tangents are bitwise the same
// on every machine; there is deliberately no pivot search.
#include "XEMUtility.h"

#include <cmath>
#include <cstddef>

namespace {

// Pivots at or below this magnitude (and NaN) are treated as singular.
constexpr double pivotFloor = 1e-11;

// Gauss-Jordan exchange steps on rows and columns first..end-1, in place. Returns -1 on success or
// the row of the first pivot that fails.
int invertInPlace(double** K, int first, int end) {
    for (int i = first; i < end; ++i) {
        const double p = K[i][i];
        if (!(std::fabs(p) > pivotFloor)) {
            return i;
        }
        const double d = 1.0 / p;
        double* pivotRow = K[i];
        for (int k = first; k < end; ++k) {
            pivotRow[k] = (-pivotRow[k]) * d;
        }
        for (int j = first; j < end; ++j) {
            if (j == i) {
                continue;
            }
            double* row = K[j];
            const double h = row[i];
            for (int k = first; k < end; ++k) {
                if (k != i) {
                    row[k] = row[k] + h * pivotRow[k];
                }
            }
            row[i] = h * d;
        }
        pivotRow[i] = d;
    }
    return -1;
}

} // namespace

extern "C" {

void XEMCondense(double** K, double* R, double* condensedResidual, double* coupling,
                 int retainedCount, int condensedCount, int* error) {
    const int r = retainedCount;
    const int c = condensedCount;
    *error = 0;
    if (c <= 0) {
        return;
    }
    const int failed = invertInPlace(K, r, r + c);
    if (failed >= 0) {
        *error = failed;
        return;
    }
    for (int m = 0; m < c; ++m) {
        const double* inverseRow = K[r + m] + r;
        for (int k = 0; k < r; ++k) {
            double sum = 0.0;
            for (int l = 0; l < c; ++l) {
                sum += K[r + l][k] * inverseRow[l];
            }
            coupling[static_cast<std::ptrdiff_t>(m) * r + k] = sum;
        }
        double sum = 0.0;
        for (int l = 0; l < c; ++l) {
            sum += inverseRow[l] * R[r + l];
        }
        condensedResidual[m] = -sum;
    }
    for (int i = 0; i < r; ++i) {
        double* row = K[i];
        for (int k = 0; k < r; ++k) {
            double value = row[k];
            for (int m = 0; m < c; ++m) {
                value -= coupling[static_cast<std::ptrdiff_t>(m) * r + k] * row[r + m];
            }
            row[k] = value;
        }
        double value = R[i];
        for (int m = 0; m < c; ++m) {
            value += row[r + m] * condensedResidual[m];
        }
        R[i] = value;
    }
}

void XEMRecover(double* condensedUnknowns, const double* coupling, const double* retainedUnknowns,
                int retainedCount, int condensedCount) {
    const int r = retainedCount;
    if (r <= 0) {
        return;
    }
    for (int m = 0; m < condensedCount; ++m) {
        const double* couplingRow = coupling + static_cast<std::ptrdiff_t>(m) * r;
        double value = condensedUnknowns[m];
        for (int k = 0; k < r; ++k) {
            value -= couplingRow[k] * retainedUnknowns[k];
        }
        condensedUnknowns[m] = value;
    }
}
}

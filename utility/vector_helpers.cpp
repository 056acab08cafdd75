// Dense vector helpers for element code. Sums run as one ascending chain from +0.0, never pairwise
// or reordered, so that their bits do not depend on the machine or on how the loop is vectorised.
#include "XEMUtility.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

extern "C" {

double XEMDot(const double* a, const double* b, int n) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        sum += a[i] * b[i];
    }
    return sum;
}

double XEMSum(const double* a, int n) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        sum += a[i];
    }
    return sum;
}

double XEMDeltaPart(const double* a, int numerator, int denominator, int n) {
    // The two divisions the hardware traps on must not take the host process down with them.
    if (denominator == 0 || (numerator == INT_MIN && denominator == -1)) {
        return 0.0;
    }
    const std::div_t ratio = std::div(numerator, denominator);
    if (ratio.rem != 0 || ratio.quot <= 0 || ratio.quot > n) {
        return 0.0;
    }
    return a[ratio.quot - 1];
}

void XEMMove(const double* source, double* destination, int n) {
    // Element by element on purpose: overlapping ranges give the ascending loop's result, which
    // memmove would not reproduce when the destination starts inside the source.
    for (int i = 0; i < n; ++i) {
        destination[i] = source[i];
    }
}

void XEMZero(double* a, int n) {
    if (n > 0) {
        std::memset(a, 0, static_cast<std::size_t>(n) * sizeof(double));
    }
}

double XEMIsDOFConstrained(int status, double ifConstrained, double ifFree) {
    return status < 0 ? ifConstrained : ifFree;
}
}

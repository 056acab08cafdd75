// The utility routines fix their order of operations, so every result here is compared with ==:
// a compiler or runtime that reorders, contracts or widens the arithmetic fails these checks.
#include "checks.h"

#include "XEMUtility.h"

#include <string>
#include <vector>

namespace {

using Matrix = std::vector<std::vector<double>>;

struct Condensation {
    const char* name;
    int retained;
    int condensed;
    Matrix K;
    std::vector<double> R;
    // Expected after XEMCondense: the whole of K and R, the condensed residual and the coupling.
    Matrix condensedK;
    std::vector<double> condensedR;
    std::vector<double> condensedResidual;
    std::vector<double> coupling;
};

// Inverse of the condensed block, coupling, condensed residual and retained block are each rounded
// in the fixed order; several differ in the last bit from the reals nearest the exact fractions.
const std::vector<Condensation> kCondensations = {
    {"r=2 c=1",
     2,
     1,
     {{4, 1, 2}, {1, 3, 1}, {2, 1, 4}},
     {1, 0, 2},
     {{3, 0.5, 2}, {0.5, 2.75, 1}, {2, 1, 0.25}},
     {0, -0.5, 2},
     {-0.5},
     {0.5, 0.25}},
    {"r=2 c=2",
     2,
     2,
     {{5, 1, 2, 1}, {1, 4, 1, 0}, {2, 1, 4, 1}, {1, 0, 1, 2}},
     {1, 2, 3, 4},
     {{3.8571428571428577, 0.5714285714285714, 2, 1},
      {0.5714285714285714, 3.7142857142857144, 1, 0},
      {2, 1, 0.2857142857142857, -0.14285714285714285},
      {1, 0, -0.14285714285714285, 0.5714285714285714}},
     {-1.4285714285714284, 1.7142857142857144, 3, 4},
     {-0.2857142857142857, -1.857142857142857},
     {0.42857142857142855, 0.2857142857142857, 0.2857142857142857, -0.14285714285714285}}};

void expectVector(CheckLog& log, const std::vector<double>& actual,
                  const std::vector<double>& expected, const std::string& what) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        log.expectExact(actual[i], expected[i], what + "[" + std::to_string(i) + "]");
    }
}

void checkCondensation(CheckLog& log, const Condensation& c) {
    Matrix K = c.K;
    std::vector<double*> rows;
    for (auto& row : K) {
        rows.push_back(row.data());
    }
    std::vector<double> R = c.R;
    std::vector<double> condensedResidual(c.condensed);
    std::vector<double> coupling(c.condensed * c.retained);
    int error = -1;
    XEMCondense(rows.data(), R.data(), condensedResidual.data(), coupling.data(), c.retained,
                c.condensed, &error);
    const std::string name = std::string("XEMCondense ") + c.name;
    log.expectInt(error, 0, name + ": error");
    for (std::size_t i = 0; i < K.size(); ++i) {
        expectVector(log, K[i], c.condensedK[i], name + ": K[" + std::to_string(i) + "]");
    }
    expectVector(log, R, c.condensedR, name + ": R");
    expectVector(log, condensedResidual, c.condensedResidual, name + ": condensedResidual");
    expectVector(log, coupling, c.coupling, name + ": coupling");
}

// Solving the retained system of the r=2 c=1 example and recovering the condensed unknown gives
// the solution of the full system K x = -R.
void checkRecovery(CheckLog& log) {
    double condensed[1] = {-0.5};
    const double coupling[2] = {0.5, 0.25};
    const double retained[2] = {-0.03125, 0.1875};
    XEMRecover(condensed, coupling, retained, 2, 1);
    log.expectExact(condensed[0], -0.53125, "XEMRecover r=2 c=1");
}

} // namespace

void checkUtilities(CheckLog& log) {
    log.group("Utility layer, bitwise");
    const double terms[3] = {1e16, 1.0, -1e16};
    log.expectExact(XEMSum(terms, 3), 0.0, "XEMSum(1e16, 1, -1e16) in ascending order");
    for (const Condensation& c : kCondensations) {
        checkCondensation(log, c);
    }
    checkRecovery(log);
}

// Loads the built NEOHOOKE module as a host does and hands one triangle to its kernels through the
// addresses in the description record: reference corners, displacements and the library's own
// point list of the default code. Lower-triangle entries of the tangent are left at zero by the
// kernel, so completing the matrix from the upper triangle also shows a write below it.
#pragma once

#include "XEFRecords.h"
#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <dlfcn.h>
#include <sstream>
#include <string>
#include <vector>

namespace neohooketest {

using Vector6 = std::array<double, 6>;
using Matrix6 = std::array<std::array<double, 6>, 6>;
using Corners = std::array<std::array<double, 2>, 3>;
using Matrix2 = std::array<std::array<double, 2>, 2>;

using SetElSpecRoutine = int (*)(ElSpec*, int*, int, int);

inline SetElSpecRoutine setElSpec() {
    static void* handle = dlopen(NEOHOOKE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        ADD_FAILURE() << "cannot load " << NEOHOOKE_MODULE_PATH << ": " << dlerror();
        return nullptr;
    }
    return reinterpret_cast<SetElSpecRoutine>(dlsym(handle, "XEFSetElSpec"));
}

struct TangentResult {
    Vector6 residual{};
    Matrix6 matrix{}; // completed from the returned upper triangle
};

// One triangle of the element with its default material and rule; coordinates and displacements
// are set by the test before each call.
class Triangle {
  public:
    double coords[3][3] = {};
    double current[3][2] = {};

    Triangle() {
        setElSpec()(&es_, idata_.data(), -1, -1);
        es_.intPoints = XEFMultiIntPoints(&es_.intCode, idata_.data(), &es_.intPointCount,
                                          &counts_[0], &counts_[1], &counts_[2], 1);
        for (int k = 0; k < 3; ++k) {
            kinds_[k].dofCount = 2;
            kindRows_[k] = &kinds_[k];
            nodes_[k].coords = coords[k];
            nodes_[k].current = current[k];
            nodeRows_[k] = &nodes_[k];
        }
        record_.storedReals = stored_.data();
    }

    ElSpec& record() { return es_; }
    double mu() const { return es_.data[0] / (2.0 * (1.0 + es_.data[1])); }
    double lambda() const {
        return es_.data[0] * es_.data[1] / ((1.0 + es_.data[1]) * (1.0 - 2.0 * es_.data[1]));
    }
    // The reference area: the default rule's weights sum to one half, the area of its triangle.
    double area() const {
        return 0.5 * ((coords[1][0] - coords[0][0]) * (coords[2][1] - coords[0][1]) -
                      (coords[2][0] - coords[0][0]) * (coords[1][1] - coords[0][1]));
    }

    void place(const Corners& corners) {
        for (int k = 0; k < 3; ++k) {
            coords[k][0] = corners[k][0];
            coords[k][1] = corners[k][1];
        }
    }
    // u = H X + shift at every node, H = F - I the displacement gradient. Taking H rather than F
    // keeps a small strain free of the round-off of 1 + H.
    void displace(const Matrix2& H, double shiftX = 0.0, double shiftY = 0.0) {
        for (int k = 0; k < 3; ++k) {
            const double x = coords[k][0], y = coords[k][1];
            current[k][0] = H[0][0] * x + H[0][1] * y + shiftX;
            current[k][1] = H[1][0] * x + H[1][1] * y + shiftY;
        }
    }
    void deform(const Matrix2& F, double shiftX = 0.0, double shiftY = 0.0) {
        displace({{{F[0][0] - 1.0, F[0][1]}, {F[1][0], F[1][1] - 1.0}}}, shiftX, shiftY);
    }

    TangentResult tangent() {
        TangentResult result;
        double* rows[6];
        for (int i = 0; i < 6; ++i) {
            rows[i] = result.matrix[i].data();
        }
        es_.tangentKernel(work_.data(), &es_, &record_, kindRows_, nodeRows_, nullptr,
                          idata_.data(), result.residual.data(), rows);
        for (int i = 0; i < 6; ++i) {
            for (int j = 0; j < i; ++j) {
                EXPECT_EQ(result.matrix[i][j], 0.0) << "written below the diagonal";
                result.matrix[i][j] = result.matrix[j][i];
            }
        }
        return result;
    }

    // The first point row; every row of a constant-strain element is the same.
    std::vector<double> pointRow() {
        std::vector<std::vector<double>> gpost(es_.intPointCount,
                                               std::vector<double>(es_.gpostCount));
        std::vector<std::vector<double>> npost(3, std::vector<double>(es_.npostCount));
        std::vector<double*> gRows, nRows;
        for (auto& row : gpost) {
            gRows.push_back(row.data());
        }
        for (auto& row : npost) {
            nRows.push_back(row.data());
        }
        es_.postKernel(work_.data(), &es_, &record_, kindRows_, nodeRows_, nullptr, idata_.data(),
                       gRows.data(), nRows.data());
        return gpost.front();
    }

    int column(const std::string& name) const {
        for (int c = 0; c < es_.gpostCount; ++c) {
            if (name == es_.gpostNames[c]) {
                return c;
            }
        }
        ADD_FAILURE() << "no point quantity " << name;
        return 0;
    }

  private:
    ElSpec es_{};
    std::array<int, 256> idata_{};
    int counts_[3] = {};
    NodeKind kinds_[3] = {};
    NodeKind* kindRows_[3];
    NodeValues nodes_[3] = {};
    NodeValues* nodeRows_[3];
    ElRecord record_{};
    std::array<double, 8> stored_{};
    std::vector<double> work_ = std::vector<double>(64, 0.0);
};

// A measured figure into the test report (--gtest_output=xml), three significant digits.
inline void recordFigure(const char* key, double value) {
    std::ostringstream text;
    text.precision(3);
    text << value;
    ::testing::Test::RecordProperty(key, text.str());
}

inline double largestMagnitude(const Matrix6& m) {
    double largest = 0.0;
    for (const auto& row : m) {
        for (double v : row) {
            largest = std::max(largest, std::fabs(v));
        }
    }
    return largest;
}

} // namespace neohooketest

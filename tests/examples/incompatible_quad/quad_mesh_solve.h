// Assembles a quadrilateral mesh from an element's tangent kernel and solves K u = f densely with
// some unknowns prescribed: enough for the patch test and coarse cantilevers, no host involved.
#pragma once

#include "loaded_element.h"

#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace exampletest {

struct QuadMesh {
    std::vector<double> xy;                // x, y of each node
    std::vector<std::array<int, 4>> quads; // nodes of each element, counter-clockwise
};

// The two values of each of the element's nodes, in element node order.
inline std::vector<double> elementValues(const std::array<int, 4>& quad,
                                         const std::vector<double>& nodal) {
    std::vector<double> local;
    for (const int n : quad) {
        local.push_back(nodal[2 * n]);
        local.push_back(nodal[2 * n + 1]);
    }
    return local;
}

// Unknown d of node n is 2 n + d. `prescribed` maps unknowns to their values; f is the load.
inline std::vector<double> solveMesh(LoadedElement& element, const QuadMesh& mesh,
                                     const std::vector<double>& f,
                                     const std::map<int, double>& prescribed) {
    const int n = static_cast<int>(mesh.xy.size()); // unknowns, two per node
    std::vector<double> K(static_cast<size_t>(n) * n, 0.0);
    for (const auto& quad : mesh.quads) {
        const TangentResult r =
            element.tangent(elementValues(quad, mesh.xy), std::vector<double>(8, 0.0));
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 8; ++j) {
                K[static_cast<size_t>(2 * quad[i / 2] + i % 2) * n + 2 * quad[j / 2] + j % 2] +=
                    r.at(i, j);
            }
        }
    }
    // The free block, loaded by f less the prescribed unknowns' share.
    std::vector<int> free;
    for (int i = 0; i < n; ++i) {
        if (!prescribed.count(i)) {
            free.push_back(i);
        }
    }
    const size_t m = free.size();
    std::vector<double> A(m * m), b(m);
    for (size_t i = 0; i < m; ++i) {
        b[i] = f[free[i]];
        for (const auto& [dof, value] : prescribed) {
            b[i] -= K[static_cast<size_t>(free[i]) * n + dof] * value;
        }
        for (size_t j = 0; j < m; ++j) {
            A[i * m + j] = K[static_cast<size_t>(free[i]) * n + free[j]];
        }
    }
    // Gaussian elimination with partial pivoting.
    for (size_t c = 0; c < m; ++c) {
        size_t pivot = c;
        for (size_t r = c + 1; r < m; ++r) {
            if (std::fabs(A[r * m + c]) > std::fabs(A[pivot * m + c])) {
                pivot = r;
            }
        }
        for (size_t j = 0; j < m; ++j) {
            std::swap(A[c * m + j], A[pivot * m + j]);
        }
        std::swap(b[c], b[pivot]);
        for (size_t r = c + 1; r < m; ++r) {
            const double factor = A[r * m + c] / A[c * m + c];
            for (size_t j = c; j < m; ++j) {
                A[r * m + j] -= factor * A[c * m + j];
            }
            b[r] -= factor * b[c];
        }
    }
    std::vector<double> u(n, 0.0);
    for (const auto& [dof, value] : prescribed) {
        u[dof] = value;
    }
    for (size_t c = m; c-- > 0;) {
        double sum = b[c];
        for (size_t j = c + 1; j < m; ++j) {
            sum -= A[c * m + j] * u[free[j]];
        }
        u[free[c]] = sum / A[c * m + c];
    }
    return u;
}

} // namespace exampletest

// Bending of the slender cantilever of cantilever_solve.h (length 10, depth 1, plane strain) under
// a tip shear of parabolic distribution, on coarse meshes of square elements, against the beam
// value P L^3 / (3 E' I) + P L / (kappa G A) with E' = E / (1 - nu^2) and kappa = 5/6. The
// incompatible modes follow bending within 2 %; the plain bilinear quadrilateral locks in shear and
// comes out more than 10 % too stiff, the more so the fewer elements through the depth.
#include "cantilever_solve.h"
#include "quad_mesh_solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {

using exampletest::LoadedElement;
using exampletest::QuadMesh;

constexpr double kLength = 10.0, kDepth = 1.0, kLoad = 1.0; // as in cantileverBeamValue

// nx x ny elements over [0, L] x [-h/2, h/2]; node (i, j) is j (nx + 1) + i.
QuadMesh beamMesh(int nx, int ny) {
    QuadMesh mesh;
    for (int j = 0; j <= ny; ++j) {
        for (int i = 0; i <= nx; ++i) {
            mesh.xy.push_back(kLength * i / nx);
            mesh.xy.push_back(kDepth * (static_cast<double>(j) / ny - 0.5));
        }
    }
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            const int a = j * (nx + 1) + i;
            mesh.quads.push_back({a, a + 1, a + nx + 2, a + nx + 1});
        }
    }
    return mesh;
}

// Tip deflection at mid-depth: every node of the left end held, the tip edge loaded by the
// consistent nodal forces of tau(y) = 3 P / (2 h) (1 - 4 y^2 / h^2), integrated exactly by
// two-point Gauss.
double tipDeflection(const std::string& library, int nx, int ny) {
    LoadedElement element(library);
    EXPECT_TRUE(element.loaded());
    element.setMaterial(exampletest::kBeamE, exampletest::kBeamNu);
    const QuadMesh mesh = beamMesh(nx, ny);
    std::vector<double> f(mesh.xy.size(), 0.0);
    std::map<int, double> prescribed;
    const double gauss = 1.0 / std::sqrt(3.0);
    for (int j = 0; j <= ny; ++j) {
        prescribed[2 * (j * (nx + 1))] = 0.0;
        prescribed[2 * (j * (nx + 1)) + 1] = 0.0;
    }
    for (int j = 0; j < ny; ++j) {
        const double y0 = mesh.xy[2 * (j * (nx + 1) + nx) + 1], dy = kDepth / ny;
        for (const double s : {-gauss, gauss}) {
            const double y = y0 + 0.5 * dy * (1.0 + s);
            const double tau = 1.5 * kLoad / kDepth * (1.0 - 4.0 * y * y / (kDepth * kDepth));
            f[2 * (j * (nx + 1) + nx) + 1] += 0.5 * dy * tau * 0.5 * (1.0 - s);
            f[2 * ((j + 1) * (nx + 1) + nx) + 1] += 0.5 * dy * tau * 0.5 * (1.0 + s);
        }
    }
    const std::vector<double> u = solveMesh(element, mesh, f, prescribed);
    const auto tipV = [&](int j) { return u[2 * (j * (nx + 1) + nx) + 1]; };
    return ny % 2 == 0 ? tipV(ny / 2) : 0.5 * (tipV(ny / 2) + tipV(ny / 2 + 1));
}

struct MeshCase {
    int nx, ny;
};

const MeshCase kMeshes[] = {{10, 1}, {20, 2}};

TEST(IncompatibleQuadBending, TipDeflectionWithinTwoPerCentOfTheBeam) {
    const double beam = exampletest::cantileverBeamValue();
    for (const MeshCase& m : kMeshes) {
        const double incompatible = tipDeflection(INCOMPATIBLE_QUAD_PATH, m.nx, m.ny);
        const double plain = tipDeflection(PLAIN_QUAD_PATH, m.nx, m.ny);
        std::printf("%d x %d: beam %.5f, incompatible modes %.5f (%.4f), plain %.5f (%.4f)\n", m.nx,
                    m.ny, beam, incompatible, incompatible / beam, plain, plain / beam);
        EXPECT_NEAR(incompatible / beam, 1.0, 0.02) << m.nx << " x " << m.ny;
        EXPECT_LT(plain / beam, 0.9) << m.nx << " x " << m.ny;
    }
}

} // namespace

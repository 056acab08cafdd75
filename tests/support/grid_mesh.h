// Structured triangle meshes of rectangles, for tests of result files of any size.
#pragma once

#include <cstdint>
#include <vector>

namespace molrtest {

struct TriangleMesh {
    std::vector<double> coords; // three per point
    std::vector<int32_t> triangles;
};

// Appends a rectangle [x0, x0 + width] x [y0, y0 + height] split into nx x ny squares of two
// triangles each, counter-clockwise.
inline void addRectangle(TriangleMesh& mesh, double x0, double y0, double width, double height,
                         int nx, int ny) {
    const auto first = static_cast<int32_t>(mesh.coords.size() / 3);
    for (int j = 0; j <= ny; ++j) {
        for (int i = 0; i <= nx; ++i) {
            mesh.coords.insert(mesh.coords.end(), {x0 + width * i / nx, y0 + height * j / ny, 0.0});
        }
    }
    const auto at = [&](int i, int j) { return first + j * (nx + 1) + i; };
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            mesh.triangles.insert(mesh.triangles.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1),
                                                         at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
}

} // namespace molrtest

// The .vtu files are read back by meshio, a reader independent of the writer.
#include "grid_mesh.h"
#include "python_reader.h"
#include "test_folder.h"
#include "vtu_read_back.h"
#include "vtu_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using xefhost::Field;
using xefhost::VtuMesh;

struct ReadArray {
    std::string kind; // "points", "cells", "point", "cell"
    std::string name; // cell type for "cells"
    int components = 0;
    std::vector<double> values;
};

// What meshio reads from the file, by "kind name".
std::map<std::string, ReadArray> readBack(const fs::path& file) {
    const auto run = molrtest::runReader("read_vtu.py", file.string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::map<std::string, ReadArray> arrays;
    for (const auto& fields : molrtest::tabSeparatedLines(run.output)) {
        ReadArray array;
        array.kind = fields.at(0);
        size_t first = 1;
        if (array.kind != "points") {
            array.name = fields.at(1);
            first = 2;
        }
        if (array.kind == "point" || array.kind == "cell") {
            array.components = std::stoi(fields.at(2));
            first = 3;
        }
        for (size_t i = first; i < fields.size(); ++i) {
            array.values.push_back(std::strtod(fields[i].c_str(), nullptr));
        }
        arrays[array.kind + " " + array.name] = array;
    }
    return arrays;
}

// Values whose decimal forms are long, so that any rounding on the way shows.
std::vector<double> irregularValues(size_t count, double seed) {
    std::vector<double> values(count);
    for (size_t i = 0; i < count; ++i) {
        values[i] = seed / (3.0 + i) - 1e-7 * i * i;
    }
    return values;
}

class VtuWriter : public molrtest::VtuReadBack {};

TEST_F(VtuWriter, TrianglesWithPointAndCellFieldsReadBackExactly) {
    const std::vector<double> coords = {0.1, 0.2,     0.0, 1.0 / 3, 0.0,         0.0,
                                        1.0, 2.0 / 7, 0.0, 0.0,     1.0 + 1e-13, 0.0};
    const std::vector<int32_t> triangles = {0, 1, 2, 0, 2, 3};
    const std::vector<Field> pointData = {{"Displacement", 3, irregularValues(12, 1.0)},
                                          {"\u03C3xx", 1, irregularValues(4, -2.0)}};
    const std::vector<Field> cellData = {{"von Mises", 1, {0.125, 1e300}},
                                         {"a<b & \"c\"", 2, irregularValues(4, 5.0)}};
    const fs::path file = folder / "triangles.vtu";
    xefhost::writeVtu(file.string(), VtuMesh{&coords, &triangles, 3, 5}, pointData, cellData);

    const auto arrays = readBack(file);
    ASSERT_EQ(arrays.size(), 6u);
    EXPECT_EQ(arrays.at("points ").values, coords);
    EXPECT_EQ(arrays.at("cells triangle").values, std::vector<double>({0, 1, 2, 0, 2, 3}));
    const std::pair<std::string, const std::vector<Field>*> sections[] = {{"point ", &pointData},
                                                                          {"cell ", &cellData}};
    for (const auto& [kind, fields] : sections) {
        for (const auto& field : *fields) {
            const auto& read = arrays.at(kind + field.name);
            EXPECT_EQ(read.components, field.components) << field.name;
            EXPECT_EQ(read.values, field.values) << field.name;
        }
    }
}

TEST_F(VtuWriter, QuadrilateralsKeepTheirFourNodes) {
    const std::vector<double> coords = {0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 1, 0, 1, 1, 0, 2, 1, 0};
    const std::vector<int32_t> quads = {0, 1, 4, 3, 1, 2, 5, 4};
    const fs::path file = folder / "quads.vtu";
    xefhost::writeVtu(file.string(), VtuMesh{&coords, &quads, 4, 9}, {}, {{"id", 1, {1.0, 2.0}}});
    const auto arrays = readBack(file);
    EXPECT_EQ(arrays.at("cells quad").values, std::vector<double>(quads.begin(), quads.end()));
    EXPECT_EQ(arrays.at("cell id").values, std::vector<double>({1.0, 2.0}));
}

TEST_F(VtuWriter, ALargeMeshIsStoredAsBinaryWithoutOverhead) {
    molrtest::TriangleMesh mesh;
    molrtest::addRectangle(mesh, 0, 0, 3, 1, 150, 70);
    const size_t points = mesh.coords.size() / 3, cells = mesh.triangles.size() / 3;
    const std::vector<Field> pointData = {{"u", 3, irregularValues(3 * points, 1.0)}};
    const std::vector<Field> cellData = {{"s", 1, irregularValues(cells, 2.0)}};
    const fs::path file = folder / "large.vtu";
    xefhost::writeVtu(file.string(), VtuMesh{&mesh.coords, &mesh.triangles, 3, 5}, pointData,
                      cellData);
    // Coordinates, displacements, connectivity, offsets, types and the cell field.
    const size_t payload = 8 * 3 * points * 2 + 4 * 3 * cells + 8 * cells + cells + 8 * cells;
    EXPECT_LT(fs::file_size(file), payload + 2048);
    const auto arrays = readBack(file);
    EXPECT_EQ(arrays.at("point u").values, pointData[0].values);
    EXPECT_EQ(arrays.at("cell s").values, cellData[0].values);
}

TEST_F(VtuWriter, InconsistentInputIsRefusedBeforeAnythingIsWritten) {
    const std::vector<double> coords = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<int32_t> triangle = {0, 1, 2}, outside = {0, 1, 3};
    const fs::path file = folder / "refused.vtu";
    const VtuMesh mesh{&coords, &triangle, 3, 5};
    EXPECT_THROW(xefhost::writeVtu(file.string(), mesh, {{"u", 3, {0, 0, 0, 0, 0, 0}}}, {}),
                 std::invalid_argument);
    EXPECT_THROW(xefhost::writeVtu(file.string(), mesh, {}, {{"s", 2, {1.0}}}),
                 std::invalid_argument);
    EXPECT_THROW(xefhost::writeVtu(file.string(), VtuMesh{&coords, &outside, 3, 5}, {}, {}),
                 std::invalid_argument);
    EXPECT_THROW(xefhost::writeVtu(file.string(), VtuMesh{&coords, &triangle, 2, 5}, {}, {}),
                 std::invalid_argument);
    EXPECT_FALSE(fs::exists(folder / "refused.vtu"));
}

} // namespace

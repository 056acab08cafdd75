// SVG pictures are parsed back as XML by Python and checked for what a reader of the picture sees;
// the grid picture of a mesh held in pieces is gathered from the pieces' sums.
#include "grid_mesh.h"
#include "plane_meshes.h"
#include "python_reader.h"
#include "svg_writer.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct SvgElement {
    std::string tag;
    std::map<std::string, std::string> attributes;
    std::string attribute(const std::string& name) const {
        const auto found = attributes.find(name);
        return found == attributes.end() ? "" : found->second;
    }
};

std::vector<SvgElement> readSvg(const fs::path& file) {
    const auto run = molrtest::runReader("read_svg.py", file.string());
    EXPECT_EQ(run.exitCode, 0) << run.output.substr(0, 2000);
    std::vector<SvgElement> elements;
    for (const auto& fields : molrtest::tabSeparatedLines(run.output)) {
        SvgElement element{fields.at(0), {}};
        for (size_t i = 1; i < fields.size(); ++i) {
            const size_t equals = fields[i].find('=');
            element.attributes[fields[i].substr(0, equals)] = fields[i].substr(equals + 1);
        }
        elements.push_back(element);
    }
    return elements;
}

std::vector<const SvgElement*> withTag(const std::vector<SvgElement>& elements,
                                       const std::string& tag) {
    std::vector<const SvgElement*> found;
    for (const auto& element : elements) {
        if (element.tag == tag) {
            found.push_back(&element);
        }
    }
    return found;
}

bool hasText(const std::vector<SvgElement>& elements, const std::string& text) {
    for (const auto* element : withTag(elements, "text")) {
        if (element->attribute("text") == text) {
            return true;
        }
    }
    return false;
}

// The picture coordinates of a path of whole triangles ("M x yL x y x yZ..."), x then y.
std::vector<double> pathNumbers(const std::string& d) {
    std::vector<double> numbers;
    const std::regex number(R"(-?[0-9]+(\.[0-9]+)?)");
    for (auto it = std::sregex_iterator(d.begin(), d.end(), number); it != std::sregex_iterator();
         ++it) {
        numbers.push_back(std::stod(it->str()));
    }
    return numbers;
}

double meanOf(const std::vector<double>& xy, size_t offset) {
    double sum = 0;
    for (size_t i = offset; i < xy.size(); i += 2) {
        sum += xy[i];
    }
    return sum / (xy.size() / 2);
}

// Cells painted in each colour by the runs ("Mx yhWv1h-Wz") of a grid picture.
std::map<std::string, long> paintedCells(const std::vector<SvgElement>& elements) {
    std::map<std::string, long> cells;
    const std::regex run(R"(M[0-9]+ [0-9]+h([0-9]+)v1h-[0-9]+z)");
    for (const auto* path : withTag(elements, "path")) {
        const std::string d = path->attribute("d");
        for (auto it = std::sregex_iterator(d.begin(), d.end(), run); it != std::sregex_iterator();
             ++it) {
            cells[path->attribute("fill")] += std::stol((*it)[1].str());
        }
    }
    return cells;
}

std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The unit square as two triangles: lower-left (0, 1, 2) and upper-right (1, 3, 2).
const std::vector<double> squareCoords = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
const std::vector<int32_t> squareTriangles = {0, 1, 2, 1, 3, 2};
const std::vector<double> noDisplacement(8, 0.0);

class SvgWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!molrtest::pythonHasModule("xml.etree.ElementTree")) {
            GTEST_SKIP() << "python3 is missing, so SVG files cannot be parsed back";
        }
        folder = molrtest::freshTestFolder();
    }
    fs::path folder;
};

TEST_F(SvgWriter, ASmallMeshShowsColouredTrianglesWithEdgesBarAndScale) {
    const fs::path file = folder / "small.svg";
    xefhost::writeSvg(file.string(), squareCoords, squareTriangles, 3, noDisplacement, 250,
                      {2.5, 7.25}, "Stress <MPa> & more", "von Mises \u03C3");
    const auto elements = readSvg(file);
    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(elements[0].tag, "svg");
    EXPECT_EQ(elements[0].attribute("width"), "1000");
    EXPECT_TRUE(hasText(elements, "Stress <MPa> & more"));

    const auto paths = withTag(elements, "path");
    ASSERT_EQ(paths.size(), 2u);
    const std::map<std::string, std::vector<double>> byColour = {
        {paths[0]->attribute("fill"), pathNumbers(paths[0]->attribute("d"))},
        {paths[1]->attribute("fill"), pathNumbers(paths[1]->attribute("d"))}};
    // The ends of the viridis scale; the larger value belongs to the upper-right triangle, which
    // lies higher (smaller picture y) and further right.
    const auto& low = byColour.at("#440154");
    const auto& high = byColour.at("#fde725");
    EXPECT_LT(meanOf(high, 1), meanOf(low, 1));
    EXPECT_GT(meanOf(high, 0), meanOf(low, 0));
    for (const auto* group : withTag(elements, "g")) {
        if (group->attribute("stroke") == "#202020") {
            EXPECT_LE(std::stod(group->attribute("stroke-width")), 0.5);
        }
    }
    EXPECT_TRUE(paths[0]->attribute("stroke").empty()) << "edges take the group's dark stroke";

    bool bar = false, note = false;
    for (const auto& element : elements) {
        bar = bar || element.attribute("id") == "colour-bar";
        note = note || (element.attribute("id") == "scale-note" &&
                        element.attribute("text").find("\u00D7250") != std::string::npos);
    }
    EXPECT_TRUE(bar);
    EXPECT_TRUE(note);
    for (const char* label : {"2.5", "7.25", "von Mises \u03C3"}) {
        EXPECT_TRUE(hasText(elements, label)) << label;
    }
}

TEST_F(SvgWriter, TheMeshIsDrawnDeformedByTheScaledDisplacement) {
    std::vector<double> displacement = noDisplacement;
    displacement[7] = 0.004; // the corner (1, 1) moves up to (1, 2) when drawn 250 times
    for (const auto& [scale, ratio] : {std::pair{250.0, 0.5}, std::pair{0.0, 1.0}}) {
        const fs::path file = folder / "deformed.svg";
        xefhost::writeSvg(file.string(), squareCoords, squareTriangles, 3, displacement, scale,
                          {1.0, 1.0}, "t", "v");
        const auto elements = readSvg(file);
        const auto paths = withTag(elements, "path");
        ASSERT_EQ(paths.size(), 1u);
        const auto xy = pathNumbers(paths[0]->attribute("d"));
        double xMin = xy[0], xMax = xy[0], yMin = xy[1], yMax = xy[1];
        for (size_t i = 0; i < xy.size(); i += 2) {
            xMin = std::min(xMin, xy[i]);
            xMax = std::max(xMax, xy[i]);
            yMin = std::min(yMin, xy[i + 1]);
            yMax = std::max(yMax, xy[i + 1]);
        }
        EXPECT_NEAR((xMax - xMin) / (yMax - yMin), ratio, 1e-3) << "scale " << scale;
    }
}

TEST_F(SvgWriter, ElementsWithoutAFiniteValueAreLeftBlank) {
    const fs::path file = folder / "blank.svg";
    xefhost::writeSvg(file.string(), squareCoords, squareTriangles, 3, noDisplacement, 1,
                      {std::numeric_limits<double>::quiet_NaN(), 3.0}, "t", "v");
    const auto elements = readSvg(file);
    const auto paths = withTag(elements, "path");
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(pathNumbers(paths[0]->attribute("d")).size(), 6u);
    EXPECT_TRUE(hasText(elements, "3"));
    EXPECT_FALSE(hasText(elements, "nan"));
}

TEST_F(SvgWriter, LargeMeshesStayCompact) {
    // 20 000 triangles drawn one by one, 200 704 averaged on a grid.
    for (const auto& [columns, rows] : {std::pair{100, 100}, std::pair{448, 224}}) {
        molrtest::TriangleMesh mesh;
        molrtest::addRectangle(mesh, 0, 0, 2, 1, columns, rows);
        std::vector<double> values(mesh.triangles.size() / 3);
        for (size_t e = 0; e < values.size(); ++e) {
            values[e] = static_cast<double>((e * 2654435761u) % 1000); // no two neighbours alike
        }
        const fs::path file = folder / "large.svg";
        xefhost::writeSvg(file.string(), mesh.coords, mesh.triangles, 3,
                          std::vector<double>(mesh.coords.size() / 3 * 2, 0.0), 1, values, "t",
                          "v");
        EXPECT_LT(fs::file_size(file), 3u << 20) << values.size() << " elements";
        const auto elements = readSvg(file);
        EXPECT_FALSE(withTag(elements, "path").empty());
    }
}

TEST_F(SvgWriter, AGridPictureCoversCoarseElementsAndLeavesGapsBlank) {
    // A fine block [0, 1]^2 of value 1 and, beyond a gap, a coarse block [2, 3] x [0, 1] of two
    // triangles of value 0, each much larger than a grid cell.
    molrtest::TriangleMesh mesh;
    molrtest::addRectangle(mesh, 0, 0, 1, 1, 110, 100);
    const size_t fine = mesh.triangles.size() / 3;
    molrtest::addRectangle(mesh, 2, 0, 1, 1, 1, 1);
    ASSERT_GT(fine, xefhost::svgTriangleLimit);
    std::vector<double> values(fine, 1.0);
    values.insert(values.end(), {0.0, 0.0});
    const std::vector<double> displacement(mesh.coords.size() / 3 * 2, 0.0);
    const fs::path file = folder / "grid.svg";
    const auto write = [&] {
        xefhost::writeSvg(file.string(), mesh.coords, mesh.triangles, 3, displacement, 1, values,
                          "t", "v");
        return fileBytes(file);
    };
    const std::string first = write();
    EXPECT_EQ(write(), first) << "the picture must not vary between runs";

    // 400 columns over a width of 3: each block spans about (400 / 3)^2 cells.
    const double blockCells = (400.0 / 3) * (400.0 / 3);
    const auto cells = paintedCells(readSvg(file));
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_NEAR(cells.at("#440154") / blockCells, 1.0, 0.02);
    EXPECT_NEAR(cells.at("#fde725") / blockCells, 1.0, 0.02);
}

// One path per colour; coordinates in picture units.
std::vector<std::vector<double>> numbersOfPaths(const std::vector<SvgElement>& elements) {
    std::vector<std::vector<double>> numbers;
    for (const auto* path : withTag(elements, "path")) {
        numbers.push_back(pathNumbers(path->attribute("d")));
    }
    return numbers;
}

TEST_F(SvgWriter, QuadrilateralsAreDrawnThroughTheirFourCornersOnly) {
    const xefhost::Model quads = molrtest::planeModel(4, 2, 1, 2, 1);
    const fs::path file = folder / "quads.svg";
    xefhost::writeSvg(file.string(), quads.coords, quads.elements, 4,
                      std::vector<double>(quads.coords.size() / 3 * 2, 0.0), 1, {1.0, 2.0}, "t",
                      "v");
    const auto elements = readSvg(file);
    const auto paths = withTag(elements, "path");
    ASSERT_EQ(paths.size(), 2u);
    for (const auto* path : paths) {
        const std::string d = path->attribute("d");
        EXPECT_EQ(pathNumbers(d).size(), 8u) << d;
        EXPECT_EQ(d.find('Q'), std::string::npos) << d;
    }
}

TEST_F(SvgWriter, CurvedEdgesPassThroughTheirMidNodes) {
    // One 6-node triangle whose edges bow: its mid nodes lie off the chords.
    xefhost::Model element = molrtest::planeModel(6, 1, 1, 1, 1);
    element.elements.resize(6);
    element.elementIds.resize(1);
    for (int node : {3, 4, 5}) {
        element.coords[3 * element.elements[node] + 1] += 0.1;
    }
    const fs::path file = folder / "curved.svg";
    xefhost::writeSvg(file.string(), element.coords, element.elements, 6,
                      std::vector<double>(element.coords.size() / 3 * 2, 0.0), 1, {1.0}, "t", "v");
    const auto numbers = numbersOfPaths(readSvg(file));
    ASSERT_EQ(numbers.size(), 1u);
    // M corner, then three curves of a control point and an end corner.
    const std::vector<double>& xy = numbers[0];
    ASSERT_EQ(xy.size(), 14u);
    const auto modelX = [&](int local) { return element.coords[3 * element.elements[local]]; };
    const auto modelY = [&](int local) { return element.coords[3 * element.elements[local] + 1]; };
    // The picture maps the model by a scale, a shift and a flip of y; two corners give them.
    const double pixelsPerUnit = (xy[4] - xy[0]) / (modelX(1) - modelX(0));
    ASSERT_GT(pixelsPerUnit, 0);
    const auto pictureX = [&](int local) {
        return xy[0] + (modelX(local) - modelX(0)) * pixelsPerUnit;
    };
    const auto pictureY = [&](int local) {
        return xy[1] - (modelY(local) - modelY(0)) * pixelsPerUnit;
    };
    // Edge k runs from xy[4k] by the control point xy[4k + 2] to xy[4k + 4]; its middle is
    // a quarter of start, half of the control point and a quarter of the end.
    for (int k = 0; k < 3; ++k) {
        const int midNode =
            3 + k; // the reference table's mid-edge nodes follow edges 1-2, 2-3, 3-1
        const double middleX = (xy[4 * k] + 2 * xy[4 * k + 2] + xy[4 * k + 4]) / 4;
        const double middleY = (xy[4 * k + 1] + 2 * xy[4 * k + 3] + xy[4 * k + 5]) / 4;
        EXPECT_NEAR(middleX, pictureX(midNode), 0.2) << "edge " << k;
        EXPECT_NEAR(middleY, pictureY(midNode), 0.2) << "edge " << k;
    }
}

TEST_F(SvgWriter, QuadraticCellsOfEveryShapeAreDrawnWithCurves) {
    for (const int nodes : {6, 8, 9}) {
        const xefhost::Model mesh = molrtest::planeModel(nodes, 2, 2, 1, 1);
        const std::vector<double> values(mesh.elementCount(), 1.0);
        const fs::path file = folder / "quadratic.svg";
        xefhost::writeSvg(file.string(), mesh.coords, mesh.elements, nodes,
                          std::vector<double>(mesh.coords.size() / 3 * 2, 0.0), 1, values, "t",
                          "v");
        const auto elements = readSvg(file);
        const auto paths = withTag(elements, "path");
        ASSERT_EQ(paths.size(), 1u) << nodes;
        const std::string d = paths[0]->attribute("d");
        const size_t corners = nodes == 6 ? 3 : 4;
        // Each element: the start and, per edge, a control point and an end.
        EXPECT_EQ(pathNumbers(d).size(), values.size() * 2 * (1 + 2 * corners)) << nodes;
        EXPECT_NE(d.find('Q'), std::string::npos) << nodes;
    }
}

TEST_F(SvgWriter, LargeMeshesOfAnyShapeAreAveragedOnAGridWithoutHoles) {
    // 21 000 eight-node quadrilaterals over [0, 2] x [0, 1]: 0 on the left half, 1 on the right.
    const xefhost::Model mesh = molrtest::planeModel(8, 150, 140, 2, 1);
    ASSERT_GT(mesh.elementCount(), xefhost::svgTriangleLimit);
    std::vector<double> values(mesh.elementCount());
    for (size_t e = 0; e < values.size(); ++e) {
        values[e] = e % 150 < 75 ? 0.0 : 1.0;
    }
    const fs::path file = folder / "grid-quads.svg";
    xefhost::writeSvg(file.string(), mesh.coords, mesh.elements, 8,
                      std::vector<double>(mesh.coords.size() / 3 * 2, 0.0), 1, values, "t", "v");
    const auto cells = paintedCells(readSvg(file));
    // 400 x 200 cells, every one inside the mesh; averages on the middle column mix the colours.
    long painted = 0;
    for (const auto& [colour, count] : cells) {
        painted += count;
    }
    EXPECT_EQ(painted, 400 * 200);
    EXPECT_NEAR(cells.at("#440154") / 40000.0, 1.0, 0.01);
    EXPECT_NEAR(cells.at("#fde725") / 40000.0, 1.0, 0.01);
}

TEST_F(SvgWriter, ARemarkIsWrittenUnderThePicture) {
    const fs::path file = folder / "remark.svg";
    xefhost::writeSvg(file.string(), squareCoords, squareTriangles, 3, noDisplacement, 1,
                      {1.0, 2.0}, "t", "v", "something was left out");
    const auto elements = readSvg(file);
    bool remark = false;
    for (const auto& element : elements) {
        remark = remark || (element.attribute("id") == "remark" &&
                            element.attribute("text") == "something was left out");
    }
    EXPECT_TRUE(remark);
}

TEST_F(SvgWriter, InconsistentInputIsRefusedBeforeAnythingIsWritten) {
    const fs::path file = folder / "refused.svg";
    const auto write = [&](const std::vector<int32_t>& triangles,
                           const std::vector<double>& displacement,
                           const std::vector<double>& values) {
        xefhost::writeSvg(file.string(), squareCoords, triangles, 3, displacement, 1, values, "t",
                          "v");
    };
    EXPECT_THROW(write(squareTriangles, {0, 0}, {1, 2}), std::invalid_argument);
    EXPECT_THROW(write(squareTriangles, noDisplacement, {1}), std::invalid_argument);
    EXPECT_THROW(write({0, 1, 4}, noDisplacement, {1}), std::invalid_argument);
    EXPECT_THROW(write({}, noDisplacement, {}), std::invalid_argument);
    EXPECT_THROW(xefhost::writeSvg(file.string(), squareCoords, {0, 1, 3, 2, 0}, 5, noDisplacement,
                                   1, {1}, "t", "v"),
                 std::invalid_argument);
    std::vector<double> broken = noDisplacement;
    broken[3] = std::numeric_limits<double>::infinity();
    EXPECT_THROW(write(squareTriangles, broken, {1, 2}), std::invalid_argument);
    EXPECT_FALSE(fs::exists(file));
}

// A warped mesh of eight-node quadrilaterals, displaced, with a value per element that varies
// from one element to the next and one element without a value.
struct PictureCase {
    xefhost::Model mesh = molrtest::planeModel(
        8, 150, 140, 2, 1, [](double& x, double& y) { y += 0.2 * std::sin(3 * x); });
    std::vector<double> displacement, values;
    double scale = 40;
    PictureCase() {
        for (size_t p = 0; p < mesh.nodeCount(); ++p) {
            displacement.push_back(1e-3 * mesh.coords[3 * p + 1]);
            displacement.push_back(-2e-3 * mesh.coords[3 * p] * mesh.coords[3 * p]);
        }
        for (size_t e = 0; e < mesh.elementCount(); ++e) {
            values.push_back(std::sin(0.37 * e) * 1e3 + 1.0 / 3);
        }
        values[17] = std::numeric_limits<double>::quiet_NaN();
    }
};

TEST(PiecePicture, TheRasterSumsOfPiecesAddUpToTheWholeMeshs) {
    const PictureCase c;
    const int npe = c.mesh.nodesPerElement;
    // Every third element in one piece, the rest in the other: pieces that meet in most cells.
    std::vector<int32_t> cells[2];
    std::vector<double> values[2];
    for (size_t e = 0; e < c.values.size(); ++e) {
        const int piece = e % 3 == 0 ? 0 : 1;
        cells[piece].insert(cells[piece].end(), &c.mesh.elements[e * npe],
                            &c.mesh.elements[(e + 1) * npe]);
        values[piece].push_back(c.values[e]);
    }
    const xefhost::PlaneBounds whole =
        xefhost::deformedBounds(c.mesh.coords, c.mesh.elements, npe, c.displacement, c.scale);
    xefhost::PlaneBounds gathered;
    for (const auto& piece : cells) {
        gathered.add(xefhost::deformedBounds(c.mesh.coords, piece, npe, c.displacement, c.scale));
    }
    EXPECT_EQ(std::vector<double>({gathered.xMin, gathered.xMax, gathered.yMin, gathered.yMax}),
              std::vector<double>({whole.xMin, whole.xMax, whole.yMin, whole.yMax}));
    EXPECT_LT(whole.yMin, -0.2) << "the bounds are of the deformed mesh";

    const xefhost::PictureGrid grid =
        xefhost::pictureGrid(whole.xMin, whole.xMax, whole.yMin, whole.yMax);
    EXPECT_EQ(grid.columns, 400);
    const xefhost::RasterSums expected = xefhost::pictureRasterSums(
        grid, c.mesh.coords, c.mesh.elements, npe, c.displacement, c.scale, c.values);
    xefhost::RasterSums sums{std::vector<double>(expected.sum.size(), 0.0),
                             std::vector<int>(expected.count.size(), 0)};
    for (int piece = 0; piece < 2; ++piece) {
        const xefhost::RasterSums part = xefhost::pictureRasterSums(
            grid, c.mesh.coords, cells[piece], npe, c.displacement, c.scale, values[piece]);
        for (size_t k = 0; k < sums.sum.size(); ++k) {
            sums.sum[k] += part.sum[k];
            sums.count[k] += part.count[k];
        }
    }
    EXPECT_EQ(sums.count, expected.count);
    long counted = 0;
    for (size_t k = 0; k < sums.sum.size(); ++k) {
        counted += expected.count[k];
        EXPECT_NEAR(sums.sum[k], expected.sum[k], 1e-12 * 1e3 * expected.count[k]) << "cell " << k;
    }
    EXPECT_GE(counted, static_cast<long>(c.values.size() - 1)) << "every valued element counts";
}

TEST(PiecePicture, AGatheredRasterIsDrawnAsWriteSvgDrawsTheWholeMesh) {
    const fs::path folder = molrtest::freshTestFolder();
    const PictureCase c;
    const int npe = c.mesh.nodesPerElement;
    ASSERT_GT(c.values.size(), xefhost::svgTriangleLimit);
    const std::string remark = "something & more was left out";
    xefhost::writeSvg((folder / "whole.svg").string(), c.mesh.coords, c.mesh.elements, npe,
                      c.displacement, c.scale, c.values, "t <1>", "v", remark);

    const xefhost::PlaneBounds box =
        xefhost::deformedBounds(c.mesh.coords, c.mesh.elements, npe, c.displacement, c.scale);
    const xefhost::PictureGrid grid = xefhost::pictureGrid(box.xMin, box.xMax, box.yMin, box.yMax);
    const std::vector<double> average = xefhost::rasterAverage(xefhost::pictureRasterSums(
        grid, c.mesh.coords, c.mesh.elements, npe, c.displacement, c.scale, c.values));
    double low = INFINITY, high = -INFINITY;
    for (const double v : c.values) {
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    xefhost::AtomicFileSet files;
    xefhost::writeSvgRaster(files, (folder / "gathered.svg").string(), grid, average, low, high,
                            c.scale, "t <1>", "v", remark);
    EXPECT_THROW(xefhost::writeSvgRaster(files, (folder / "short.svg").string(), grid,
                                         std::vector<double>(average.size() - 1), low, high,
                                         c.scale, "t", "v"),
                 std::invalid_argument);
    files.commit();
    const std::string gathered = fileBytes(folder / "gathered.svg");
    EXPECT_NE(gathered.find("colours averaged over"), std::string::npos);
    EXPECT_EQ(gathered, fileBytes(folder / "whole.svg"));
    EXPECT_FALSE(fs::exists(folder / "short.svg"));
}

} // namespace

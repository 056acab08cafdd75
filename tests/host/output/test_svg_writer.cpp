// SVG pictures are parsed back as XML by Python and checked for what a reader of the picture sees.
#include "grid_mesh.h"
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
    xefhost::writeSvg(file.string(), squareCoords, squareTriangles, noDisplacement, 250,
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
        xefhost::writeSvg(file.string(), squareCoords, squareTriangles, displacement, scale,
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
    xefhost::writeSvg(file.string(), squareCoords, squareTriangles, noDisplacement, 1,
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
        xefhost::writeSvg(file.string(), mesh.coords, mesh.triangles,
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
        xefhost::writeSvg(file.string(), mesh.coords, mesh.triangles, displacement, 1, values, "t",
                          "v");
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

TEST_F(SvgWriter, InconsistentInputIsRefusedBeforeAnythingIsWritten) {
    const fs::path file = folder / "refused.svg";
    const auto write = [&](const std::vector<int32_t>& triangles,
                           const std::vector<double>& displacement,
                           const std::vector<double>& values) {
        xefhost::writeSvg(file.string(), squareCoords, triangles, displacement, 1, values, "t",
                          "v");
    };
    EXPECT_THROW(write(squareTriangles, {0, 0}, {1, 2}), std::invalid_argument);
    EXPECT_THROW(write(squareTriangles, noDisplacement, {1}), std::invalid_argument);
    EXPECT_THROW(write({0, 1, 4}, noDisplacement, {1}), std::invalid_argument);
    EXPECT_THROW(write({}, noDisplacement, {}), std::invalid_argument);
    std::vector<double> broken = noDisplacement;
    broken[3] = std::numeric_limits<double>::infinity();
    EXPECT_THROW(write(squareTriangles, broken, {1, 2}), std::invalid_argument);
    EXPECT_FALSE(fs::exists(file));
}

} // namespace

// The result files of a solved level for every plane element shape, read back by Debian's Python
// readers: VTK cells in VTK's node order, and no derived field written that could not be derived.
#include "plane_meshes.h"
#include "python_reader.h"
#include "result_output.h"
#include "test_folder.h"
#include "vtu_read_back.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A level as the solver would leave it, with point values `names` of `pointCount` points.
xefhost::Analysis levelOf(xefhost::Model model, const std::vector<std::string>& names) {
    xefhost::Analysis a;
    a.model = std::move(model);
    a.gpostNames = names;
    a.u.resize(2 * a.model.nodeCount());
    for (size_t node = 0; node < a.model.nodeCount(); ++node) {
        a.u[2 * node] = 1e-3 * a.model.coords[3 * node + 1];
        a.u[2 * node + 1] = -2e-3 * a.model.coords[3 * node];
    }
    a.post.pointCount = 1;
    a.post.gpostCount = static_cast<int>(names.size());
    for (size_t e = 0; e < a.model.elementCount(); ++e) {
        for (size_t c = 0; c < names.size(); ++c) {
            a.post.pointValues.push_back(1.0 + e + 0.25 * c);
        }
    }
    a.post.storedSums.assign(3 * a.model.elementCount(), 0.0);
    a.maxDisplacement = 2e-3;
    return a;
}

const std::vector<std::string> stressNames = {"Dxx",         "Dxy",         "Dyy",
                                              "$[Sigma]$xx", "$[Sigma]$xy", "$[Sigma]$yy"};

std::vector<std::string> writeLevel(const fs::path& folder, const xefhost::Analysis& a) {
    xefhost::Problem problem;
    problem.path = "shapes.toml";
    problem.title = "shapes";
    return xefhost::writeResults(folder.string(), "shapes", problem, a, {a});
}

// meshio's lines by their first field ("points", "cells", "point", "cell"), and the name after it.
std::map<std::string, std::vector<std::string>> readVtu(const fs::path& file) {
    const auto run = molrtest::runReader("read_vtu.py", file.string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::map<std::string, std::vector<std::string>> lines;
    for (const auto& fields : molrtest::tabSeparatedLines(run.output)) {
        const std::string key =
            fields.at(0) == "points" ? "points" : fields.at(0) + " " + fields.at(1);
        lines[key] = fields;
    }
    return lines;
}

class ResultOutput : public molrtest::VtuReadBack {};

struct VtkShape {
    int nodes;
    const char* meshioType;
    int corners;
};

TEST_F(ResultOutput, EveryShapeIsWrittenAsItsVtkCellInVtkNodeOrder) {
    const VtkShape shapes[] = {
        {3, "triangle", 3}, {6, "triangle6", 3}, {4, "quad", 4}, {8, "quad8", 4}, {9, "quad9", 4}};
    for (const VtkShape& shape : shapes) {
        const xefhost::Analysis a =
            levelOf(molrtest::planeModel(shape.nodes, 2, 1, 2, 1), stressNames);
        writeLevel(folder, a);
        const auto lines = readVtu(folder / "shapes.vtu");
        const std::string key = std::string("cells ") + shape.meshioType;
        ASSERT_EQ(lines.count(key), 1u) << shape.nodes << " nodes";
        const auto& cells = lines.at(key);
        const auto& points = lines.at("points");
        const size_t count = (cells.size() - 2) / shape.nodes;
        ASSERT_EQ(count, a.model.elementCount());
        for (size_t e = 0; e < count; ++e) {
            const auto xy = [&](int k, int c) {
                return std::stod(
                    points.at(1 + 3 * std::stoul(cells.at(2 + e * shape.nodes + k)) + c));
            };
            double twiceArea = 0;
            for (int k = 0; k < shape.corners; ++k) {
                const int next = (k + 1) % shape.corners;
                twiceArea += xy(k, 0) * xy(next, 1) - xy(next, 0) * xy(k, 1);
            }
            EXPECT_GT(twiceArea, 0) << shape.nodes << " nodes, cell " << e;
            // VTK puts the mid node of the edge from corner k to corner k + 1 at corners + k, and
            // the centre last.
            for (int k = 0; k < shape.nodes - shape.corners; ++k) {
                double expected[2] = {0, 0};
                const bool centre = k == shape.corners;
                for (int c = 0; c < 2; ++c) {
                    if (centre) {
                        for (int corner = 0; corner < shape.corners; ++corner) {
                            expected[c] += xy(corner, c) / shape.corners;
                        }
                    } else {
                        expected[c] = (xy(k, c) + xy((k + 1) % shape.corners, c)) / 2;
                    }
                    EXPECT_NEAR(xy(shape.corners + k, c), expected[c], 1e-12)
                        << shape.nodes << " nodes, cell " << e << ", node " << shape.corners + k;
                }
            }
        }
        EXPECT_EQ(lines.count("cell von Mises stress"), 1u) << shape.nodes << " nodes";
    }
}

std::string hexOf(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

TEST_F(ResultOutput, AStressThatCannotBeDerivedIsLeftOutWithANote) {
    const xefhost::Analysis a = levelOf(molrtest::planeModel(8, 2, 2, 1, 1), {"Dxx", "Dxy", "Dyy"});
    const std::string note = xefhost::outputNotes(a).at(0);
    EXPECT_NE(note.find("von Mises stress"), std::string::npos) << note;
    writeLevel(folder, a);

    const auto lines = readVtu(folder / "shapes.vtu");
    EXPECT_EQ(lines.count("cell von Mises stress"), 0u);
    EXPECT_EQ(lines.count("cell Dxx"), 1u);

    const auto svg = molrtest::runReader("read_svg.py", (folder / "shapes.svg").string());
    ASSERT_EQ(svg.exitCode, 0) << svg.output;
    bool remark = false, paths = false, misesLabel = false;
    for (const auto& fields : molrtest::tabSeparatedLines(svg.output)) {
        const auto has = [&](const std::string& wanted) {
            return std::find(fields.begin(), fields.end(), wanted) != fields.end();
        };
        remark = remark || (has("id=remark") && fields.back().rfind("text=" + note, 0) == 0);
        paths = paths || fields.at(0) == "path";
        misesLabel = misesLabel || has("text=von Mises stress");
    }
    EXPECT_TRUE(remark) << svg.output;
    EXPECT_TRUE(paths) << "the picture is still drawn";
    EXPECT_FALSE(misesLabel) << "no colour bar of von Mises stress";

    const auto json = molrtest::runReader("read_json.py", (folder / "shapes.json").string());
    ASSERT_EQ(json.exitCode, 0) << json.output;
    EXPECT_NE(json.output.find("/notes/0\tstring\t" + hexOf(note)), std::string::npos)
        << json.output;
    EXPECT_TRUE(
        xefhost::outputNotes(levelOf(molrtest::planeModel(8, 1, 1, 1, 1), stressNames)).empty());
}

} // namespace

// The result files of a solved level for every plane element shape, read back by Debian's Python
// readers: VTK cells in VTK's node order, and no derived field written that could not be derived.
// A model held in pieces gives files that ParaView gathers into the whole, and the same summary.
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
#include <fstream>
#include <regex>
#include <sstream>

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

// Elements [first, last) of a level as one process would hold them: its own nodes, numbered in
// the order its elements meet them, and the whole level's figures.
xefhost::Analysis pieceOf(const xefhost::Analysis& whole, size_t first, size_t last) {
    const xefhost::Model& w = whole.model;
    const int npe = w.nodesPerElement, points = whole.post.pointCount;
    const int gpost = whole.post.gpostCount, npost = whole.post.npostCount;
    xefhost::Analysis piece = whole;
    xefhost::Model& m = piece.model;
    xefhost::PostResults& post = piece.post;
    m.coords.clear();
    m.nodeIds.clear();
    m.elements.clear();
    m.elementIds.assign(w.elementIds.begin() + first, w.elementIds.begin() + last);
    m.elementMaterial.assign(w.elementMaterial.begin() + first, w.elementMaterial.begin() + last);
    piece.u.clear();
    post.nodeValues.clear();
    post.pointValues.assign(whole.post.pointValues.begin() + first * points * gpost,
                            whole.post.pointValues.begin() + last * points * gpost);
    post.storedSums.assign(whole.post.storedSums.begin() + 3 * first,
                           whole.post.storedSums.begin() + 3 * last);
    std::map<int32_t, int32_t> local;
    for (size_t k = first * npe; k < last * npe; ++k) {
        const int32_t node = w.elements[k];
        const auto [at, added] = local.emplace(node, static_cast<int32_t>(local.size()));
        m.elements.push_back(at->second);
        if (added) {
            m.coords.insert(m.coords.end(), &w.coords[3 * node], &w.coords[3 * node + 3]);
            m.nodeIds.push_back(w.nodeIds[node]);
            piece.u.insert(piece.u.end(), &whole.u[2 * node], &whole.u[2 * node + 2]);
            post.nodeValues.insert(post.nodeValues.end(), &whole.post.nodeValues[node * npost],
                                   &whole.post.nodeValues[(node + 1) * npost]);
        }
    }
    return piece;
}

// A level with node quantities too, and the figures of a solved level.
xefhost::Analysis fullLevel() {
    xefhost::Analysis a = levelOf(molrtest::planeModel(8, 4, 2, 2, 1), stressNames);
    a.npostNames = {"T", "$[Sigma]$xx"};
    a.post.npostCount = 2;
    for (size_t k = 0; k < 2 * a.model.nodeCount(); ++k) {
        a.post.nodeValues.push_back(0.5 * k);
    }
    a.model.notes = {"refined once"};
    a.elementCount = a.model.elementCount();
    a.nodeCount = a.model.nodeCount();
    a.unknowns = 2 * a.nodeCount;
    a.residualNorms = {1.0, 1e-10};
    a.strainEnergy = 0.125;
    return a;
}

// The XML elements before a .vtu's raw appended bytes, each with its attributes and the names of
// the elements that enclose it ("VTKFile/UnstructuredGrid/Piece/CellData").
struct XmlElement {
    std::string path, tag;
    std::map<std::string, std::string> attributes;
};

std::string unescaped(std::string text) {
    for (const auto& [entity, c] :
         {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}, std::pair{"&quot;", "\""},
          std::pair{"&apos;", "'"}, std::pair{"&amp;", "&"}}) {
        for (size_t at; (at = text.find(entity)) != std::string::npos;) {
            text.replace(at, std::string(entity).size(), c);
        }
    }
    return text;
}

std::vector<XmlElement> xmlHeader(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str().substr(0, bytes.str().find("<AppendedData"));
    std::vector<XmlElement> elements;
    std::vector<std::string> open;
    const std::regex tag(R"(<(/?)([A-Za-z]+)([^>]*?)(/?)>)");
    const std::regex attribute(R"re(([A-Za-z_]+)="([^"]*)")re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), tag);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m[1] == "/") {
            open.pop_back();
            continue;
        }
        std::string path;
        for (const std::string& name : open) {
            path += (path.empty() ? "" : "/") + name;
        }
        XmlElement element{path, m[2], {}};
        const std::string attributes = m[3];
        for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
             a != std::sregex_iterator(); ++a) {
            element.attributes[(*a)[1]] = unescaped((*a)[2]);
        }
        elements.push_back(element);
        if (m[4] != "/") {
            open.push_back(m[2]);
        }
    }
    return elements;
}

// "name type components" of each data array of a section (PointData, CellData, Points), the
// .pvtu's (PPointData, ...) under the names of a piece's.
std::map<std::string, std::vector<std::string>> arraysOf(const std::vector<XmlElement>& header) {
    std::map<std::string, std::vector<std::string>> arrays;
    for (const XmlElement& element : header) {
        if (element.tag == "DataArray" || element.tag == "PDataArray") {
            std::string section = element.path.substr(element.path.rfind('/') + 1);
            if (element.tag == "PDataArray") {
                section.erase(0, 1);
            }
            const auto attribute = [&](const char* name) {
                const auto found = element.attributes.find(name);
                return found == element.attributes.end() ? std::string("-") : found->second;
            };
            if (section != "Cells") {
                arrays[section].push_back(attribute("Name") + " " + attribute("type") + " " +
                                          attribute("NumberOfComponents"));
            }
        }
    }
    return arrays;
}

const XmlElement& rootOf(const std::vector<XmlElement>& header) {
    const auto root = std::find_if(header.begin(), header.end(),
                                   [](const XmlElement& e) { return e.tag == "VTKFile"; });
    EXPECT_NE(root, header.end());
    return *root;
}

// Lines of cell arrays, by name, that meshio reads from a .vtu.
std::map<std::string, std::vector<double>> cellArraysRead(const fs::path& file) {
    std::map<std::string, std::vector<double>> arrays;
    for (const auto& [key, fields] : readVtu(file)) {
        if (key.rfind("cell ", 0) == 0) {
            for (size_t i = 3; i < fields.size(); ++i) {
                arrays[key].push_back(std::stod(fields[i]));
            }
        }
    }
    return arrays;
}

TEST(PieceOutput, APvtuListsTheArraysOfTheWholeFileAndEveryPiece) {
    const fs::path folder = molrtest::freshTestFolder();
    const xefhost::Analysis whole = fullLevel();
    const size_t half = whole.model.elementCount() / 2, all = whole.model.elementCount();
    // An empty piece too: a process may hold no element, yet its file must list the same arrays.
    const std::vector<xefhost::Analysis> pieces = {
        pieceOf(whole, 0, half), pieceOf(whole, half, all), pieceOf(whole, all, all)};
    const std::vector<std::string> sources = {"a & <b>/model_0.vtu", "a & <b>/model_1.vtu",
                                              "a & <b>/model_2.vtu"};
    xefhost::AtomicFileSet files;
    xefhost::addPieceVtu(files, (folder / "whole.vtu").string(), whole);
    for (size_t p = 0; p < pieces.size(); ++p) {
        xefhost::addPieceVtu(files, (folder / sources[p]).string(), pieces[p]);
    }
    xefhost::addPvtu(files, (folder / "model.pvtu").string(), pieces[0], sources);
    files.commit();

    const auto wholeHeader = xmlHeader(folder / "whole.vtu");
    const auto expected = arraysOf(wholeHeader);
    ASSERT_EQ(expected.at("CellData").size(), stressNames.size() + 2) << "with von Mises stress";
    ASSERT_EQ(expected.at("PointData").size(), 3u);
    const auto pvtu = xmlHeader(folder / "model.pvtu");
    EXPECT_EQ(arraysOf(pvtu), expected);
    for (const std::string& source : sources) {
        EXPECT_EQ(arraysOf(xmlHeader(folder / source)), expected) << source;
    }

    const XmlElement& root = rootOf(pvtu);
    EXPECT_EQ(root.attributes.at("type"), "PUnstructuredGrid");
    for (const char* attribute : {"version", "header_type", "byte_order"}) {
        EXPECT_EQ(root.attributes.at(attribute), rootOf(wholeHeader).attributes.at(attribute))
            << attribute;
    }
    std::vector<std::string> listed;
    for (const XmlElement& element : pvtu) {
        if (element.tag == "Piece") {
            EXPECT_EQ(element.path, "VTKFile/PUnstructuredGrid");
            listed.push_back(element.attributes.at("Source"));
        }
    }
    EXPECT_EQ(listed, sources);

    // Read back, the halves' cell values follow each other as in the whole.
    if (!molrtest::pythonHasModule("meshio")) {
        GTEST_SKIP() << "python3 cannot import meshio (Debian package python3-meshio)";
    }
    auto gathered = cellArraysRead(folder / sources[0]);
    for (auto& [name, values] : cellArraysRead(folder / sources[1])) {
        gathered[name].insert(gathered[name].end(), values.begin(), values.end());
    }
    const auto wholeCells = cellArraysRead(folder / "whole.vtu");
    EXPECT_EQ(wholeCells.size(), expected.at("CellData").size());
    EXPECT_EQ(gathered, wholeCells);
}

TEST(PieceOutput, APieceWithTheWholesFiguresGivesTheWholesSummary) {
    const fs::path folder = molrtest::freshTestFolder();
    const xefhost::Analysis whole = fullLevel();
    for (const bool stressed : {true, false}) {
        xefhost::Analysis level = whole;
        if (!stressed) {
            level.gpostNames = {"Dxx", "Dxy", "Dyy", "a", "b", "c"};
        }
        writeLevel(folder, level);
        std::ifstream in(folder / "shapes.json");
        const std::string written{std::istreambuf_iterator<char>(in), {}};

        const xefhost::Analysis piece = pieceOf(level, 0, 3);
        xefhost::Problem problem;
        problem.path = "shapes.toml";
        problem.title = "shapes";
        const double scale = xefhost::deformationScale(xefhost::modelBounds(whole.model).diagonal(),
                                                       whole.maxDisplacement);
        EXPECT_EQ(xefhost::summaryJson(problem, piece, {piece}, scale), written) << stressed;
        const std::string extra =
            xefhost::summaryJson(problem, piece, {piece}, scale, {"gathered from 2 processes"});
        const size_t note = extra.find("gathered from 2 processes");
        EXPECT_NE(note, std::string::npos);
        EXPECT_LT(extra.find("refined once"), note);
        EXPECT_LT(note, extra.find("\"levels\""));
    }
}

TEST(PieceOutput, TheLargestDisplacementIsDrawnAtFivePercentOfTheModelSize) {
    const struct {
        double size, largest, scale;
    } cases[] = {{2, 0.01, 10}, {3, 1.5, 0.1}, {5, 0, 1}, {0, 0, 1}, {0, 2, 0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(xefhost::deformationScale(c.size, c.largest), c.scale)
            << c.size << " " << c.largest;
    }
    xefhost::PlaneBounds pieces[2], whole;
    EXPECT_EQ(pieces[0].diagonal(), INFINITY) << "nothing yet";
    pieces[0].add(-1, 2);
    pieces[1].add(2, -2);
    whole.add(pieces[0]);
    whole.add(pieces[1]);
    whole.add(xefhost::PlaneBounds{});
    EXPECT_DOUBLE_EQ(whole.diagonal(), 5);
}

} // namespace

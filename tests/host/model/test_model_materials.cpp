// Which material set each element takes: the element's defaults first, then one set per
// [[material]] table, a group's table only for the elements of the group. An element that takes
// no data at all has one empty set, whatever the problem file lists.
#include "model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace xefhost;

// Two triangles of the unit square in group "left", its left edge in group "clamp".
Mesh square() {
    Mesh mesh;
    mesh.coords = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    mesh.nodeIds = {1, 2, 3, 4};
    mesh.groups = {{1, 2, "clamp"}, {2, 1, "left"}};
    ElementBlock lines;
    lines.gmshType = 1;
    lines.dimension = 1;
    lines.nodesPerElement = 2;
    lines.ids = {3};
    lines.physicalTag = {2};
    lines.connectivity = {3, 0};
    ElementBlock triangles;
    triangles.gmshType = 2;
    triangles.dimension = 2;
    triangles.nodesPerElement = 3;
    triangles.ids = {1, 2};
    triangles.physicalTag = {1, 1};
    triangles.connectivity = {0, 1, 2, 0, 2, 3};
    mesh.blocks = {lines, triangles};
    return mesh;
}

ElementTraits triangle(std::vector<std::string> dataNames, std::vector<double> defaults) {
    ElementTraits traits;
    traits.topology = "T1";
    traits.dimensions = 2;
    traits.nodeCount = 3;
    traits.nodeDofs = {2, 2, 2};
    traits.dofCount = 6;
    traits.dataNames = std::move(dataNames);
    traits.dataDefaults = std::move(defaults);
    return traits;
}

struct MaterialCase {
    const char* name;
    std::vector<std::string> dataNames;
    std::vector<double> defaults;
    std::vector<MaterialSpec> given;
    std::vector<double> materials; // the model's sets, flattened
    int index;                     // the set both elements take
};

const MaterialCase kCases[] = {
    {"defaults alone", {"E", "nu"}, {1000, 0.3}, {}, {1000, 0.3}, 0},
    {"one table for every element",
     {"E", "nu"},
     {1000, 0.3},
     {{"", {{"E", 5}}, {}}},
     {1000, 0.3, 5, 0.3},
     1},
    {"a group's table",
     {"E", "nu"},
     {1000, 0.3},
     {{"", {}, {7, 0.1}}, {"left", {}, {8, 0.2}}},
     {1000, 0.3, 7, 0.1, 8, 0.2},
     2},
    {"no data, no table", {}, {}, {}, {}, 0},
    {"no data, an empty table", {}, {}, {{"", {}, {}}}, {}, 0},
    {"no data, a group's empty table", {}, {}, {{"left", {}, {}}, {"", {}, {}}}, {}, 0},
};

TEST(ModelMaterials, EachElementTakesTheSetOfTheLastTableThatNamesIt) {
    const Mesh mesh = square();
    for (const MaterialCase& c : kCases) {
        Problem problem;
        problem.path = "materials.toml";
        problem.materials = c.given;
        FixSpec clamp;
        clamp.group = "clamp";
        clamp.x = clamp.y = 0.0;
        problem.fixes = {clamp};
        const Model model = buildModel(mesh, problem, triangle(c.dataNames, c.defaults));
        EXPECT_EQ(model.materials, c.materials) << c.name;
        EXPECT_EQ(model.elementMaterial, std::vector<int>(2, c.index)) << c.name;
    }
}

// A piece of a model held in pieces may lack a group the whole model has, and takes no point load,
// which every piece holding the node would apply.
TEST(ModelExtent, APieceLacksGroupsWithoutErrorAndRefusesPointLoads) {
    Mesh mesh = square();
    mesh.groups.push_back({1, 9, "far"});
    Problem problem;
    problem.path = "piece.toml";
    FixSpec far;
    far.group = "far";
    far.x = 0.0;
    problem.fixes = {far};
    const ElementTraits traits = triangle({}, {});
    EXPECT_THROW(buildModel(mesh, problem, traits), ModelError);
    const Model piece = buildModel(mesh, problem, traits, ModelExtent::Piece);
    EXPECT_EQ(std::count(piece.fixed.begin(), piece.fixed.end(), 1), 0);
    PointLoadSpec load;
    load.group = "left";
    load.force = {1.0, 0.0};
    problem.pointLoads = {load};
    try {
        buildModel(mesh, problem, traits, ModelExtent::Piece);
        ADD_FAILURE() << "a piece took a point load";
    } catch (const ModelError& error) {
        EXPECT_NE(std::string(error.what()).find("point_load: a model held in pieces"),
                  std::string::npos)
            << error.what();
    }
}

} // namespace

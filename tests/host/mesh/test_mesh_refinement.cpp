// Uniform refinement of .msh meshes: children tile their parent with the same orientation, nodes
// on shared edges are shared, and what cannot be split is refused by name.
#include "mesh_refinement.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using xefhost::ElementBlock;
using xefhost::Mesh;

// Signed area of the polygon through an element's first `corners` nodes.
double signedArea(const Mesh& mesh, const int32_t* nodes, int corners) {
    double twice = 0;
    for (int k = 0; k < corners; ++k) {
        const double* a = &mesh.coords[3 * nodes[k]];
        const double* b = &mesh.coords[3 * nodes[(k + 1) % corners]];
        twice += a[0] * b[1] - b[0] * a[1];
    }
    return twice / 2;
}

// Two distorted quadrilaterals sharing the edge 1-4, counter-clockwise.
Mesh twoQuadrilaterals() {
    Mesh mesh;
    mesh.coords = {0, 0, 0, 1.2, -0.1, 0, 2.1, 0.1, 0, 2, 1, 0, 0.9, 1.1, 0, -0.1, 0.9, 0};
    mesh.nodeIds = {1, 2, 3, 4, 5, 6};
    ElementBlock block;
    block.gmshType = 3;
    block.dimension = 2;
    block.nodesPerElement = 4;
    block.ids = {1, 2};
    block.physicalTag = {7, 8};
    block.connectivity = {0, 1, 4, 5, 1, 2, 3, 4};
    mesh.blocks.push_back(block);
    return mesh;
}

TEST(MeshRefinement, QuadrilateralsSplitIntoFourThatTileThemAndShareEdgeNodes) {
    const Mesh coarse = twoQuadrilaterals();
    const Mesh fine = xefhost::refineUniformly(coarse);
    ASSERT_EQ(fine.blocks.size(), 1u);
    const ElementBlock& block = fine.blocks[0];
    ASSERT_EQ(block.size(), 8u);
    // 6 corners, 7 edge midpoints (the shared edge's once), 2 centres.
    EXPECT_EQ(fine.nodeCount(), 15u);
    for (size_t parent = 0; parent < 2; ++parent) {
        const double whole = signedArea(coarse, &coarse.blocks[0].connectivity[4 * parent], 4);
        double sum = 0;
        for (size_t child = 4 * parent; child < 4 * parent + 4; ++child) {
            const double area = signedArea(fine, &block.connectivity[4 * child], 4);
            EXPECT_GT(area, 0) << "child " << child;
            sum += area;
            EXPECT_EQ(block.physicalTag[child], coarse.blocks[0].physicalTag[parent]);
        }
        EXPECT_NEAR(sum, whole, 1e-14 * whole);
    }
}

TEST(MeshRefinement, SecondOrderElementsAreRefusedByName) {
    Mesh mesh;
    mesh.coords.assign(18, 0.0);
    mesh.nodeIds = {1, 2, 3, 4, 5, 6};
    ElementBlock block;
    block.gmshType = 9;
    block.dimension = 2;
    block.nodesPerElement = 6;
    block.ids = {1};
    block.physicalTag = {0};
    block.connectivity = {0, 1, 2, 3, 4, 5};
    mesh.blocks.push_back(block);
    try {
        xefhost::refineUniformly(mesh);
        FAIL() << "a 6-node triangle was split";
    } catch (const xefhost::MeshError& error) {
        EXPECT_NE(std::string(error.what()).find("6-node triangles (Gmsh type 9)"),
                  std::string::npos)
            << error.what();
    }
}

} // namespace

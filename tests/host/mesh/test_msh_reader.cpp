// Reading the .msh files that gmsh writes, in every format, and hand-written 4.1 files with
// sparse node tags.
#include "msh_reader.h"
#include "msh_test_files.h"

#include <gtest/gtest.h>

#include <cmath>

using xefhost::ElementBlock;
using xefhost::Mesh;
using xefhost::readMsh;

namespace {

double coordinate(const Mesh& mesh, int32_t node, int axis) {
    return mesh.coords[3 * static_cast<size_t>(node) + static_cast<size_t>(axis)];
}

// Signed area of element e of a block, from its first three or four (corner) nodes.
double cornerArea(const Mesh& mesh, const ElementBlock& block, size_t e, int corners) {
    double twice = 0.0;
    for (int i = 0; i < corners; ++i) {
        const int32_t a = block.connectivity[e * block.nodesPerElement + i];
        const int32_t b = block.connectivity[e * block.nodesPerElement + (i + 1) % corners];
        twice += coordinate(mesh, a, 0) * coordinate(mesh, b, 1) -
                 coordinate(mesh, b, 0) * coordinate(mesh, a, 1);
    }
    return twice / 2;
}

void expectSameMesh(const Mesh& expected, const Mesh& actual, double tolerance) {
    ASSERT_EQ(expected.nodeIds, actual.nodeIds);
    ASSERT_EQ(expected.coords.size(), actual.coords.size());
    for (size_t i = 0; i < expected.coords.size(); ++i) {
        if (tolerance == 0.0) {
            EXPECT_EQ(expected.coords[i], actual.coords[i]) << "coordinate " << i;
        } else {
            EXPECT_NEAR(expected.coords[i], actual.coords[i], tolerance) << "coordinate " << i;
        }
    }
    ASSERT_EQ(expected.blocks.size(), actual.blocks.size());
    for (size_t b = 0; b < expected.blocks.size(); ++b) {
        const ElementBlock& e = expected.blocks[b];
        const ElementBlock& a = actual.blocks[b];
        EXPECT_EQ(e.gmshType, a.gmshType);
        EXPECT_EQ(e.dimension, a.dimension);
        EXPECT_EQ(e.nodesPerElement, a.nodesPerElement);
        EXPECT_EQ(e.ids, a.ids);
        EXPECT_EQ(e.physicalTag, a.physicalTag);
        EXPECT_EQ(e.connectivity, a.connectivity);
    }
    ASSERT_EQ(expected.groups.size(), actual.groups.size());
    for (size_t g = 0; g < expected.groups.size(); ++g) {
        EXPECT_EQ(expected.groups[g].dimension, actual.groups[g].dimension);
        EXPECT_EQ(expected.groups[g].tag, actual.groups[g].tag);
        EXPECT_EQ(expected.groups[g].name, actual.groups[g].name);
    }
}

TEST(MshReader, EveryFormatGivesTheSameMesh) {
    const Mesh text22 = readMsh(msh_test::dataPath("mixed_v22.msh"));
    const Mesh binary22 = readMsh(msh_test::dataPath("mixed_v22_bin.msh"));
    // Text files carry 16 significant digits, binary files the exact doubles.
    expectSameMesh(text22, readMsh(msh_test::dataPath("mixed_v41.msh")), 0.0);
    expectSameMesh(binary22, readMsh(msh_test::dataPath("mixed_v41_bin.msh")), 0.0);
    expectSameMesh(text22, binary22, 1e-15);
}

TEST(MshReader, MixedMeshHasTheModelsElementsAndGroups) {
    for (const char* name : msh_test::formats) {
        SCOPED_TRACE(name);
        const Mesh mesh = readMsh(msh_test::dataPath(name));
        ASSERT_EQ(mesh.nodeCount(), 20u);
        ASSERT_EQ(mesh.blocks.size(), 4u);
        const ElementBlock* points = mesh.block(15);
        const ElementBlock* lines = mesh.block(1);
        const ElementBlock* triangles = mesh.block(2);
        const ElementBlock* quads = mesh.block(3);
        ASSERT_TRUE(points && lines && triangles && quads);
        EXPECT_EQ(mesh.block(9), nullptr);
        EXPECT_EQ(points->size(), 1u);
        EXPECT_EQ(lines->size(), 2u);
        EXPECT_EQ(triangles->size(), 14u);
        EXPECT_EQ(quads->size(), 6u);
        EXPECT_EQ(triangles->ids.front(), 4);
        EXPECT_EQ(quads->ids.back(), 23);

        // Node tags are renumbered in file order; gmsh writes them 1 to 20.
        for (size_t i = 0; i < mesh.nodeCount(); ++i) {
            EXPECT_EQ(mesh.nodeIds[i], static_cast<int64_t>(i + 1));
        }
        const int32_t load = points->connectivity[0];
        EXPECT_EQ(mesh.nodeIds[load], 4);
        EXPECT_EQ(coordinate(mesh, load, 0), 2.0);
        EXPECT_EQ(coordinate(mesh, load, 1), 1.0);

        // The triangles tile the left unit square, the quadrangles the right one, all
        // counter-clockwise; the two lines cover the left edge.
        double triangleArea = 0.0;
        for (size_t e = 0; e < triangles->size(); ++e) {
            EXPECT_GT(cornerArea(mesh, *triangles, e, 3), 0.0);
            triangleArea += cornerArea(mesh, *triangles, e, 3);
        }
        double quadArea = 0.0;
        for (size_t e = 0; e < quads->size(); ++e) {
            EXPECT_GT(cornerArea(mesh, *quads, e, 4), 0.0);
            quadArea += cornerArea(mesh, *quads, e, 4);
            for (int i = 0; i < 4; ++i) {
                EXPECT_GE(coordinate(mesh, quads->connectivity[4 * e + i], 0), 1.0);
            }
        }
        EXPECT_NEAR(triangleArea, 1.0, 1e-12);
        EXPECT_NEAR(quadArea, 1.0, 1e-12);
        double lineLength = 0.0;
        for (size_t e = 0; e < lines->size(); ++e) {
            const int32_t a = lines->connectivity[2 * e];
            const int32_t b = lines->connectivity[2 * e + 1];
            EXPECT_EQ(coordinate(mesh, a, 0), 0.0);
            lineLength += std::abs(coordinate(mesh, b, 1) - coordinate(mesh, a, 1));
        }
        EXPECT_NEAR(lineLength, 1.0, 1e-12);

        EXPECT_EQ(points->physicalTag, std::vector<int>(1, 30));
        EXPECT_EQ(lines->physicalTag, std::vector<int>(2, 20));
        EXPECT_EQ(triangles->physicalTag, std::vector<int>(14, 10));
        EXPECT_EQ(quads->physicalTag, std::vector<int>(6, 11));
        ASSERT_EQ(mesh.groups.size(), 4u);
        const xefhost::PhysicalGroup* plate = mesh.group("plate");
        ASSERT_NE(plate, nullptr);
        EXPECT_EQ(plate->dimension, 2);
        EXPECT_EQ(plate->tag, 10);
        ASSERT_NE(mesh.group("clamp"), nullptr);
        EXPECT_EQ(mesh.group("clamp")->tag, 20);
        ASSERT_NE(mesh.group("load"), nullptr);
        EXPECT_EQ(mesh.group("load")->dimension, 0);
        EXPECT_EQ(mesh.group("nothing"), nullptr);
        // The quadrangles' group has no name in the file but is a group all the same.
        EXPECT_EQ(mesh.groups[3].dimension, 2);
        EXPECT_EQ(mesh.groups[3].tag, 11);
        EXPECT_EQ(mesh.groups[3].name, "");
    }
}

// Each edge node of a straight-sided second-order element lies halfway along its edge, in
// Gmsh's node order; the quadrangle's face node sits at the mean of its corners.
TEST(MshReader, SecondOrderNodesFollowGmshOrdering) {
    const Mesh mesh = readMsh(msh_test::dataPath("mixed_v41_order2.msh"));
    const struct {
        int type;
        int corners;
        size_t count;
    } cases[] = {{8, 2, 2}, {9, 3, 14}, {10, 4, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const ElementBlock* block = mesh.block(c.type);
        ASSERT_NE(block, nullptr);
        ASSERT_EQ(block->size(), c.count);
        for (size_t e = 0; e < block->size(); ++e) {
            const int32_t* nodes = &block->connectivity[e * block->nodesPerElement];
            const int edges = c.corners == 2 ? 1 : c.corners;
            for (int k = 0; k < edges; ++k) {
                for (int axis = 0; axis < 3; ++axis) {
                    const double middle = (coordinate(mesh, nodes[k], axis) +
                                           coordinate(mesh, nodes[(k + 1) % c.corners], axis)) /
                                          2;
                    EXPECT_NEAR(coordinate(mesh, nodes[c.corners + k], axis), middle, 1e-12);
                }
            }
            if (c.type == 10) {
                for (int axis = 0; axis < 3; ++axis) {
                    double mean = 0.0;
                    for (int k = 0; k < 4; ++k) {
                        mean += coordinate(mesh, nodes[k], axis) / 4;
                    }
                    EXPECT_NEAR(coordinate(mesh, nodes[8], axis), mean, 1e-12);
                }
            }
        }
    }
}

// Sparse, unordered node tags (one beyond 32 bits where `big` says so), parametric coordinates
// to pass over, a comment section, and no $Entities, so that no element has a physical tag.
std::string sparseFile(const std::string& big) {
    const std::string largest = big.size() > 3 ? big : "900";
    return "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n"
           "$Comments\nnot part of the mesh $Nodes\n$EndComments\n"
           "$Nodes\n3 5 7 " +
           largest +
           "\n"
           "0 1 0 1\n" +
           big +
           "\n0 0 0\n"
           "1 4 1 2\n900\n7\n1 0 0 0.25\n0.5 0.5 0 0.75\n"
           "2 1 1 2\n12\n40\n2 1 0 0.5 0.5\n3 1 0.5 0.125 0.25\n"
           "$EndNodes\n"
           "$Elements\n2 3 1 3\n"
           "1 4 1 1\n1 " +
           big +
           " 900\n"
           "2 1 2 2\n2 7 40 12\n3 900 12 " +
           big +
           "\n"
           "$EndElements\n";
}

TEST(MshReader, SparseNodeTagsAreRenumberedInFileOrder) {
    for (const std::string big : {"3000000000", "30"}) {
        SCOPED_TRACE(big);
        const Mesh mesh =
            readMsh(msh_test::writeScratch("sparse_" + big + ".msh", sparseFile(big)));
        const std::vector<int64_t> tags = {std::stoll(big), 900, 7, 12, 40};
        EXPECT_EQ(mesh.nodeIds, tags);
        const std::vector<double> coords = {0, 0, 0, 1, 0, 0, 0.5, 0.5, 0, 2, 1, 0, 3, 1, 0.5};
        EXPECT_EQ(mesh.coords, coords);
        ASSERT_EQ(mesh.blocks.size(), 2u);
        const ElementBlock* lines = mesh.block(1);
        const ElementBlock* triangles = mesh.block(2);
        ASSERT_TRUE(lines && triangles);
        EXPECT_EQ(lines->ids, std::vector<int64_t>{1});
        EXPECT_EQ(lines->connectivity, (std::vector<int32_t>{0, 1}));
        EXPECT_EQ(triangles->ids, (std::vector<int64_t>{2, 3}));
        EXPECT_EQ(triangles->connectivity, (std::vector<int32_t>{2, 4, 3, 1, 3, 0}));
        EXPECT_EQ(triangles->physicalTag, (std::vector<int>{0, 0}));
        EXPECT_TRUE(mesh.groups.empty());
    }
}

template <class T> void appendRaw(std::string& bytes, T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// gmsh itself writes one group header per element; the format lets a group hold many.
TEST(MshReader, BinaryElementGroupsOfFormat22) {
    std::string bytes = "$MeshFormat\n2.2 1 8\n";
    appendRaw<int32_t>(bytes, 1);
    bytes += "\n$EndMeshFormat\n$Nodes\n3\n";
    for (int32_t tag : {5, 6, 9}) {
        appendRaw<int32_t>(bytes, tag);
        for (double x : {0.5 * tag, 1.0, -2.0}) {
            appendRaw(bytes, x);
        }
    }
    bytes += "\n$EndNodes\n$Elements\n3\n";
    // Two lines of physical group 7 under one header, then a point without tags.
    for (int32_t value : {1, 2, 1, 11, 7, 9, 5, 12, 7, 5, 6, 15, 1, 0, 13, 9}) {
        appendRaw(bytes, value);
    }
    bytes += "\n$EndElements\n";
    const Mesh mesh = readMsh(msh_test::writeScratch("grouped_v22.msh", bytes));
    EXPECT_EQ(mesh.nodeIds, (std::vector<int64_t>{5, 6, 9}));
    EXPECT_EQ(mesh.coords, (std::vector<double>{2.5, 1, -2, 3, 1, -2, 4.5, 1, -2}));
    const ElementBlock* lines = mesh.block(1);
    const ElementBlock* points = mesh.block(15);
    ASSERT_TRUE(lines && points);
    EXPECT_EQ(lines->ids, (std::vector<int64_t>{11, 12}));
    EXPECT_EQ(lines->physicalTag, (std::vector<int>{7, 7}));
    EXPECT_EQ(lines->connectivity, (std::vector<int32_t>{2, 0, 0, 1}));
    EXPECT_EQ(points->ids, std::vector<int64_t>{13});
    EXPECT_EQ(points->physicalTag, std::vector<int>{0});
    EXPECT_EQ(points->connectivity, std::vector<int32_t>{2});
    ASSERT_EQ(mesh.groups.size(), 1u);
    EXPECT_EQ(mesh.groups[0].dimension, 1);
    EXPECT_EQ(mesh.groups[0].tag, 7);
}

} // namespace

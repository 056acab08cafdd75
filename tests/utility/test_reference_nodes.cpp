// Topology codes and reference-node tables: lookup, edge cases, and each table's shape re-derived
// from its corners.
#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct TopologyFacts {
    const char* code;
    const double* table;
    size_t reals; // declared size of the table
    int nodes;
};

// The catalogue: code, table, node count, in the order of Topology.
const TopologyFacts kTopologies[18] = {{"L1", topL1, sizeof topL1 / sizeof(double), 2},
                                       {"L2", topL2, sizeof topL2 / sizeof(double), 3},
                                       {"T1", topT1, sizeof topT1 / sizeof(double), 3},
                                       {"T2", topT2, sizeof topT2 / sizeof(double), 6},
                                       {"Q1", topQ1, sizeof topQ1 / sizeof(double), 4},
                                       {"Q2", topQ2, sizeof topQ2 / sizeof(double), 9},
                                       {"C1", topC1, sizeof topC1 / sizeof(double), 2},
                                       {"C2", topC2, sizeof topC2 / sizeof(double), 3},
                                       {"P1", topP1, sizeof topP1 / sizeof(double), 3},
                                       {"P2", topP2, sizeof topP2 / sizeof(double), 6},
                                       {"S1", topS1, sizeof topS1 / sizeof(double), 4},
                                       {"S2", topS2, sizeof topS2 / sizeof(double), 8},
                                       {"O1", topO1, sizeof topO1 / sizeof(double), 4},
                                       {"O2", topO2, sizeof topO2 / sizeof(double), 10},
                                       {"H1", topH1, sizeof topH1 / sizeof(double), 8},
                                       {"H2", topH2, sizeof topH2 / sizeof(double), 27},
                                       {"Q2S", topQ2S, sizeof topQ2S / sizeof(double), 8},
                                       {"H2S", topH2S, sizeof topH2S / sizeof(double), 20}};

using Node = std::vector<double>;

Node node(const double* table, int number) {
    return Node(table + 3 * (number - 1), table + 3 * number);
}

std::vector<double> contents(const double* table, int nodes) {
    return std::vector<double>(table, table + 3 * nodes);
}

// The mean of the given nodes (numbered from 1).
Node centreOf(const double* table, std::initializer_list<int> numbers) {
    Node centre(3, 0.0);
    for (int number : numbers) {
        for (int q = 0; q < 3; ++q) {
            centre[q] += table[3 * (number - 1) + q] / static_cast<double>(numbers.size());
        }
    }
    return centre;
}

void expectMidpoints(const double* table, int firstNode,
                     const std::vector<std::pair<int, int>>& edges) {
    for (size_t e = 0; e < edges.size(); ++e) {
        EXPECT_EQ(node(table, firstNode + static_cast<int>(e)),
                  centreOf(table, {edges[e].first, edges[e].second}))
            << "node " << firstNode + e;
    }
}

TEST(ReferenceNodes, TopologyListsTheCodesInLookupOrder) {
    for (int k = 0; k < 18; ++k) {
        EXPECT_STREQ(Topology[k], kTopologies[k].code);
    }
}

TEST(ReferenceNodes, EveryCodeGivesItsOwnTable) {
    for (const TopologyFacts& facts : kTopologies) {
        // A copy, so that the lookup has to compare texts, not addresses.
        const std::string code = facts.code;
        EXPECT_EQ(XEFSetReferenceNodes(code.c_str()), facts.table) << facts.code;
        EXPECT_EQ(facts.reals, static_cast<size_t>(3 * facts.nodes)) << facts.code;
    }
}

TEST(ReferenceNodes, EightAndTwentyNodeSetsAreFoundByTheirCodes) {
    EXPECT_EQ(XEFSetReferenceNodes("Q2S"), topQ2S);
    EXPECT_EQ(XEFSetReferenceNodes("H2S"), topH2S);
}

TEST(ReferenceNodes, TextsThatAreNoCodeGiveNull) {
    for (const char* text : {"t1", "T1 ", " T1", "T", "", "Q2s", "H2S ", "h2", "T12", "S", "Q"}) {
        EXPECT_EQ(XEFSetReferenceNodes(text), nullptr) << '"' << text << '"';
    }
}

TEST(ReferenceNodes, WorkedExamples) {
    EXPECT_EQ(contents(XEFSetReferenceNodes("T1"), 3),
              (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    const double* h2 = XEFSetReferenceNodes("H2");
    EXPECT_EQ(node(h2, 27), (Node{0, 0, 0}));
    EXPECT_NE(XEFSetReferenceNodes("H1"), h2);
    EXPECT_EQ(contents(XEFSetReferenceNodes("S2"), 8), contents(topQ2S, 8));
    EXPECT_EQ(node(XEFSetReferenceNodes("Q2"), 9), (Node{0, 0, 0}));
    EXPECT_EQ(node(XEFSetReferenceNodes("O1"), 4), (Node{0, 0, 0}));
}

TEST(ReferenceNodes, RepeatedFamiliesHaveEqualContentInTablesOfTheirOwn) {
    const struct {
        const char *a, *b;
        int nodes;
    } kPairs[] = {{"P1", "T1", 3}, {"P2", "T2", 6}, {"C1", "L1", 2},
                  {"C2", "L2", 3}, {"S1", "Q1", 4}, {"S2", "Q2S", 8}};
    for (const auto& pair : kPairs) {
        const double* a = XEFSetReferenceNodes(pair.a);
        const double* b = XEFSetReferenceNodes(pair.b);
        EXPECT_NE(a, b) << pair.a;
        EXPECT_EQ(contents(a, pair.nodes), contents(b, pair.nodes)) << pair.a;
    }
}

TEST(ReferenceNodes, HigherOrderSetsExtendTheLowerOnes) {
    const struct {
        const double *lower, *higher;
        int nodes;
    } kPrefixes[] = {{topL1, topL2, 2}, {topT1, topT2, 3},  {topQ1, topQ2, 4},  {topQ2S, topQ2, 8},
                     {topO1, topO2, 4}, {topH1, topH2S, 8}, {topH2S, topH2, 20}};
    for (const auto& prefix : kPrefixes) {
        EXPECT_EQ(contents(prefix.lower, prefix.nodes), contents(prefix.higher, prefix.nodes));
    }
}

TEST(ReferenceNodes, EveryCoordinateIsOneOfTheFourValues) {
    for (const TopologyFacts& facts : kTopologies) {
        for (size_t q = 0; q < facts.reals; ++q) {
            const double c = facts.table[q];
            EXPECT_TRUE(c == -1.0 || c == 0.0 || c == 0.5 || c == 1.0) << facts.code << " " << q;
        }
    }
}

TEST(ReferenceNodes, LineShape) {
    EXPECT_EQ(contents(topL2, 3), (std::vector<double>{-1, 0, 0, 1, 0, 0, 0, 0, 0}));
    expectMidpoints(topL2, 3, {{1, 2}});
}

TEST(ReferenceNodes, TriangleShapeInAreaCoordinates) {
    for (int n = 1; n <= 6; ++n) {
        const Node coordinates = node(topT2, n);
        EXPECT_EQ(coordinates[0] + coordinates[1] + coordinates[2], 1.0) << "node " << n;
    }
    EXPECT_EQ(contents(topT1, 3), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    expectMidpoints(topT2, 4, {{1, 2}, {2, 3}, {3, 1}});
}

TEST(ReferenceNodes, QuadrilateralShape) {
    EXPECT_EQ(contents(topQ1, 4), (std::vector<double>{-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}));
    expectMidpoints(topQ2, 5, {{1, 2}, {2, 3}, {3, 4}, {4, 1}});
    EXPECT_EQ(node(topQ2, 9), centreOf(topQ2, {1, 2, 3, 4}));
}

TEST(ReferenceNodes, TetrahedronShape) {
    EXPECT_EQ(contents(topO1, 4), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    expectMidpoints(topO2, 5, {{1, 2}, {2, 3}, {3, 1}, {1, 4}, {2, 4}, {3, 4}});
}

TEST(ReferenceNodes, HexahedronShape) {
    // Lower face counter-clockwise from (-1, -1, -1); node k + 4 above node k.
    EXPECT_EQ(contents(topH1, 4),
              (std::vector<double>{-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1}));
    for (int k = 1; k <= 4; ++k) {
        const Node lower = node(topH1, k), upper = node(topH1, k + 4);
        EXPECT_EQ(upper, (Node{lower[0], lower[1], 1.0})) << "corner " << k + 4;
    }
    expectMidpoints(topH2, 9,
                    {{1, 2},
                     {2, 3},
                     {3, 4},
                     {4, 1},
                     {1, 5},
                     {2, 6},
                     {3, 7},
                     {4, 8},
                     {5, 6},
                     {6, 7},
                     {7, 8},
                     {8, 5}});
    EXPECT_EQ(node(topH2, 21), centreOf(topH2, {1, 2, 3, 4}));
    EXPECT_EQ(node(topH2, 22), centreOf(topH2, {1, 2, 6, 5}));
    EXPECT_EQ(node(topH2, 23), centreOf(topH2, {2, 3, 7, 6}));
    EXPECT_EQ(node(topH2, 24), centreOf(topH2, {3, 4, 8, 7}));
    EXPECT_EQ(node(topH2, 25), centreOf(topH2, {4, 1, 5, 8}));
    EXPECT_EQ(node(topH2, 26), centreOf(topH2, {5, 6, 7, 8}));
    EXPECT_EQ(node(topH2, 27), centreOf(topH2, {1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(ReferenceNodes, TheElementsOwnTableHasTheContentOfT1) {
    std::vector<unsigned char> storage(1024, 0);
    ElSpec* es = reinterpret_cast<ElSpec*>(storage.data());
    std::vector<int> idata(128, 0);
    ASSERT_EQ(XEFSetElSpec(es, idata.data(), -1, -1), 0);
    EXPECT_STREQ(es->topology, "T1");
    EXPECT_EQ(contents(es->referenceNodes, 3), contents(XEFSetReferenceNodes(es->topology), 3));
}

} // namespace

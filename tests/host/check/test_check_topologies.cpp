// `xefhost check` on elements of other plane topologies, written as outside authors would: the
// bilinear, serendipity and Lagrange quadrilaterals and the quadratic triangle pass every check
// with none skipped, a wrong stiffness entry of the bilinear one is caught, and an element the
// bench cannot place is never called verified.
#include "check_run.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using molrtest::check;
using molrtest::expectStatus;
using molrtest::kAllChecks;
using molrtest::Report;
using molrtest::testElement;

TEST(CheckTopologies, CorrectElementsOfOtherTopologiesPassEveryCheck) {
    const struct {
        const char* library;
        const char* heading; // what the first line says of the element
    } cases[] = {
        {"quadrilateral_q1", "element FOREIGN_Q1, topology Q1, 4 nodes, 8 unknowns"},
        {"triangle_t2", "element FOREIGN_T2, topology T2, 6 nodes, 12 unknowns"},
        {"quadrilateral_q2s", "element FOREIGN_Q2S, topology Q2S, 8 nodes, 16 unknowns"},
        {"quadrilateral_q2", "element FOREIGN_Q2, topology Q2, 9 nodes, 18 unknowns"},
    };
    for (const auto& c : cases) {
        for (const char* seed : {"1", "2", "3"}) {
            const Report report = check(testElement(c.library), std::string("--seed ") + seed);
            EXPECT_EQ(report.exitCode, 0) << report.output;
            EXPECT_NE(report.output.find(c.heading), std::string::npos) << report.output;
            EXPECT_EQ(report.status.size(), std::size(kAllChecks)) << report.output;
            for (const char* name : kAllChecks) {
                expectStatus(report, {name}, "PASS");
            }
            EXPECT_EQ(report.summary, "12 checks: 12 passed, 0 failed, 0 skipped") << report.output;
        }
    }
}

TEST(CheckTopologies, PatchElementsShareCornersAndMidSideNodes) {
    // Either patch is a disc of F = 5 elements whose outline has as many edges as its elements have
    // corners (5 for the triangles' fan, 4 for the quadrilaterals' rectangle); Euler's V - E + F =
    // 1 gives the edges from the corners. Every corner and every edge's mid-side node is one node
    // of the patch, each centre node one of its element's own; nodes counted twice, or boundary
    // nodes missed, show here.
    const struct {
        const char* library;
        int corners, outlineEdges, midSideNodes, centreNodes;
    } cases[] = {{"quadrilateral_q1", 8, 4, 0, 0},
                 {"triangle_t2", 6, 5, 1, 0},
                 {"quadrilateral_q2s", 8, 4, 1, 0},
                 {"quadrilateral_q2", 8, 4, 1, 1}};
    for (const auto& c : cases) {
        const int elements = 5;
        const int edges = c.corners + elements - 1;
        const int nodes = c.corners + edges * c.midSideNodes + elements * c.centreNodes;
        const int boundary = c.outlineEdges * (1 + c.midSideNodes);
        const Report report = check(testElement(c.library));
        const std::string expected = "5 elements, " + std::to_string(nodes) + " nodes (" +
                                     std::to_string(boundary) + " on the boundary)";
        EXPECT_NE(report.line("patch").find(expected), std::string::npos) << expected << "\n"
                                                                          << report.output;
    }
}

TEST(CheckTopologies, AWrongStiffnessEntryOfTheQuadrilateralFailsTheTangentCheck) {
    const Report report = check(testElement("quadrilateral_q1_tangent_entry"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"tangent"}, "FAIL");
    const std::string line = report.line("tangent");
    EXPECT_TRUE(line.find("row 2, column 5") != std::string::npos ||
                line.find("row 5, column 2") != std::string::npos)
        << line;
    // The residual is right, and so is everything that reads only the residual.
    expectStatus(report, {"description", "rigid-residual", "work-tangent", "determinism"}, "PASS");
}

TEST(CheckTopologies, AnElementTheBenchCannotPlaceIsNotVerified) {
    const Report report = check(testElement("quadrilateral_q1_unknown_topology"));
    EXPECT_EQ(report.exitCode, 4) << report.output;
    // What needs no element in space still runs; everything that calls a kernel is skipped.
    expectStatus(report, {"description", "point-count"}, "PASS");
    int skipped = 0;
    for (const auto& [name, status] : report.status) {
        if (status == "SKIP") {
            ++skipped;
            EXPECT_NE(report.line(name).find("no reference nodes for topology \"R4\""),
                      std::string::npos)
                << report.output;
            // The summary names every skipped check.
            EXPECT_TRUE(std::regex_search(report.summary, std::regex("[(, ]" + name + "[,)]")))
                << name << "\n"
                << report.summary;
        }
    }
    EXPECT_EQ(skipped, static_cast<int>(std::size(kAllChecks)) - 2) << report.output;
    EXPECT_NE(report.summary.find(std::to_string(skipped) + " skipped ("), std::string::npos)
        << report.summary;
    EXPECT_NE(report.summary.find("not verified"), std::string::npos) << report.summary;
}

} // namespace

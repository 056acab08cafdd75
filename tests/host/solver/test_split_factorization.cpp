// Factorizing the two halves of a cut mesh side by side: the cut, the order of each half, and the
// block factorization against CHOLMOD's factorization of the whole matrix in the same numbering.
#include "assembly.h"
#include "cholesky_solver.h"
#include "element_library.h"
#include "element_partition.h"
#include "node_ordering.h"
#include "node_split.h"
#include "solve_level.h"
#include "strip_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using namespace xefhost;
using molrtest::strip;

struct Loaded {
    ElementLibrary library{MOLR_MODULE_PATH};
};

NodeSplit cut(const Model& model) {
    const std::optional<NodeSplit> split = splitNodes(model, buildNodeGraph(model));
    if (!split) {
        throw std::runtime_error("no cut");
    }
    return *split;
}

// The stiffness at zero displacement, unknowns numbered in the given order of the nodes.
SparseSystem stiffness(const Model& model, const std::vector<int32_t>& order, Loaded& loaded) {
    ElementKernels kernels(loaded.library, model, -1);
    SparseSystem system = buildSparseSystem(model, buildNodeGraph(model), order);
    const ElementPartition partition = partitionElements(model, meshOrderOfElements(model), 1);
    locateElementEntries(model, system, partition);
    std::vector<double> u(model.dofCount(), 0.0), force;
    assemble(model, kernels, partition, u, {&force, &system, nullptr});
    return system;
}

double largest(const std::vector<double>& values) {
    double size = 0;
    for (double v : values) {
        size = std::max(size, std::fabs(v));
    }
    return size;
}

TEST(NodeSplit, CutsAcrossTheShorterWayWithOneLineOfNodesAndNoEdgeBetweenTheHalves) {
    // 60 x 12 squares: a cut at the middle of x crosses 13 nodes, one at the middle of y 61.
    // 10 x 60 squares of the same strip: now y has the shorter cut, 11 nodes of which the clamped
    // one has no unknown.
    for (const auto& [nx, ny, axis, across] : {std::tuple{60, 12, 0, 13}, {10, 60, 1, 10}}) {
        const Model model = strip(nx, ny);
        const NodeGraph graph = buildNodeGraph(model);
        const NodeSplit split = cut(model);
        size_t counts[3] = {0, 0, 0}, free = 0;
        double separatorAt = NAN;
        for (size_t n = 0; n < model.nodeCount(); ++n) {
            const NodePart part = split.part[n];
            EXPECT_EQ(part == NodePart::None, model.fixed[2 * n] && model.fixed[2 * n + 1]) << n;
            if (part == NodePart::None) {
                continue;
            }
            ++free;
            ++counts[static_cast<int>(part)];
            if (part == NodePart::Separator) {
                if (std::isnan(separatorAt)) {
                    separatorAt = model.coords[3 * n + axis];
                }
                EXPECT_EQ(model.coords[3 * n + axis], separatorAt) << "separator not straight";
            }
            for (int64_t a = graph.start[n]; a < graph.start[n + 1]; ++a) {
                const NodePart other = split.part[graph.neighbours[a]];
                EXPECT_FALSE((part == NodePart::First && other == NodePart::Second) ||
                             (part == NodePart::Second && other == NodePart::First))
                    << "nodes " << n << " and " << graph.neighbours[a] << " join the halves";
            }
        }
        EXPECT_EQ(split.firstNodes, counts[0]);
        EXPECT_EQ(split.secondNodes, counts[1]);
        EXPECT_EQ(split.separatorNodes, counts[2]);
        EXPECT_EQ(split.separatorNodes, static_cast<size_t>(across)) << nx << " x " << ny;
        EXPECT_GT(std::min(counts[0], counts[1]), 4 * free / 10);
    }
}

TEST(NodeSplit, FindsNoCutBetweenPartsThatShareNoNode) {
    molrtest::TriangleMesh mesh;
    molrtest::addRectangle(mesh, 0, 0, 10, 1, 40, 4);
    molrtest::addRectangle(mesh, 10.5, 0, 10, 1, 40, 4);
    const Model model = molrtest::modelOf(mesh);
    EXPECT_FALSE(splitNodes(model, buildNodeGraph(model)));
}

TEST(SplitOrder, NumbersTheHalvesThenTheSeparatorAndFillsNoMoreThanTheWholeOrder) {
    Loaded loaded;
    const Model model = strip(120, 16);
    const NodeGraph graph = buildNodeGraph(model);
    const NodeSplit split = cut(model);
    const std::vector<int32_t> order = splitNodeOrder(graph, split);
    ASSERT_EQ(order.size(), model.nodeCount());
    std::vector<NodePart> parts;
    for (int32_t node : order) {
        parts.push_back(split.part[node]);
    }
    EXPECT_TRUE(std::is_sorted(parts.begin(), parts.end(), [](NodePart a, NodePart b) {
        // First, Second, Separator, then None.
        const auto rank = [](NodePart p) { return p == NodePart::None ? 3 : static_cast<int>(p); };
        return rank(a) < rank(b);
    }));
    std::vector<int32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());

    // Each half ordered with the separator known to come last fills no more than minimum degree
    // on the whole, which is free to eliminate the separator early.
    SparseSystem halves = stiffness(model, order, loaded);
    SparseSystem whole =
        stiffness(model, fillReducingNodeOrder(model, graph, NodeOrdering::MinimumDegree), loaded);
    CholeskySolver halvesSolver(unknownBlocks(model, split)), wholeSolver;
    halvesSolver.analyze(halves);
    wholeSolver.analyze(whole);
    EXPECT_LT(halvesSolver.factorEntries(), 1.05 * wholeSolver.factorEntries());
}

TEST(SplitFactorization, SolvesAsTheWholeFactorizationWithAFloatingHalf) {
    // The clamped edge lies in the first half: the second, with its separator, floats, and only
    // its separator block joins it to the restraint.
    Loaded loaded;
    const Model model = strip(60, 12);
    const NodeSplit split = cut(model);
    SparseSystem system = stiffness(model, splitNodeOrder(buildNodeGraph(model), split), loaded);
    const UnknownBlocks blocks = unknownBlocks(model, split);
    EXPECT_EQ(blocks.separator, 26);
    EXPECT_EQ(blocks.first + blocks.second + blocks.separator, system.size);

    CholeskySolver whole, halves(blocks);
    for (CholeskySolver* solver : {&whole, &halves}) {
        solver->analyze(system);
        solver->factorize(system);
    }
    // The same block structure: the same entries, the separator's block counted once.
    EXPECT_EQ(halves.factorEntries(), whole.factorEntries());
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(-1, 1);
    for (int trial = 0; trial < 3; ++trial) {
        std::vector<double> b(system.size), expected, x;
        for (double& v : b) {
            v = value(random);
        }
        whole.solve(b, expected);
        halves.solve(b, x);
        ASSERT_EQ(x.size(), expected.size());
        double worst = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            worst = std::max(worst, std::fabs(x[i] - expected[i]));
        }
        EXPECT_LT(worst, 1e-11 * largest(expected)) << "trial " << trial;
    }
    // A Newton step factorizes new values with the same analysis: twice the stiffness, half the
    // solution.
    std::vector<double> b(system.size, 1.0), once, twice;
    halves.solve(b, once);
    for (double& v : system.values) {
        v *= 2;
    }
    halves.factorize(system);
    halves.solve(b, twice);
    for (size_t i = 0; i < once.size(); ++i) {
        ASSERT_NEAR(twice[i], 0.5 * once[i], 1e-10 * largest(once)) << i;
    }
}

TEST(SplitFactorization, CallsAModelSingularWhereTheWholeFactorizationDoes) {
    // The far top corner node lies only in elements of zero stiffness: its two unknowns have
    // exactly zero rows and columns, a zero pivot whatever the order of elimination.
    Loaded loaded;
    Model model = strip(60, 12);
    model.materials.insert(model.materials.end(), {0.0, molrtest::kNu});
    for (size_t e = 0; e < model.elementCount(); ++e) {
        for (int k = 0; k < 3; ++k) {
            const int32_t n = model.elements[3 * e + k];
            if (model.coords[3 * n] == 10.0 && model.coords[3 * n + 1] == 1.0) {
                model.elementMaterial[e] = 1;
            }
        }
    }
    const NodeSplit split = cut(model);
    SparseSystem system = stiffness(model, splitNodeOrder(buildNodeGraph(model), split), loaded);
    CholeskySolver whole, halves(unknownBlocks(model, split));
    for (CholeskySolver* solver : {&whole, &halves}) {
        solver->analyze(system);
        EXPECT_THROW(solver->factorize(system), SingularModelError);
    }
}

TEST(Newton, SplitAndWholeFactorizationsGiveTheSameDisplacements) {
    Loaded loaded;
    std::vector<double> u[2];
    size_t separator[2] = {0, 0};
    int index = 0;
    for (Factorization factorization : {Factorization::Whole, Factorization::Split}) {
        Analysis analysis;
        analysis.model = strip(200, 20);
        ElementKernels kernels(loaded.library, analysis.model, -1);
        solveLevel(
            analysis, kernels, [](const std::string&) {}, factorization);
        EXPECT_EQ(analysis.factorizations, 1);
        EXPECT_LT(analysis.backwardError, 1e-14);
        u[index] = analysis.u;
        separator[index++] = analysis.separatorUnknowns;
    }
    EXPECT_EQ(separator[0], 0u);
    EXPECT_EQ(separator[1], 42u);
    double worst = 0;
    for (size_t dof = 0; dof < u[0].size(); ++dof) {
        worst = std::max(worst, std::fabs(u[0][dof] - u[1][dof]));
    }
    EXPECT_LT(worst, 1e-12 * largest(u[0]));
}

} // namespace

// The host's global system: node graph, fill-reducing numbering, compressed pattern, threaded
// assembly and the Newton stop, checked against an independently written dense assembly.
#include "assembly.h"
#include "cholesky_solver.h"
#include "element_library.h"
#include "element_partition.h"
#include "node_graph.h"
#include "node_ordering.h"
#include "solve_level.h"
#include "strip_model.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <algorithm>
#include <numeric>
#include <random>
#include <set>

namespace {

using namespace xefhost;

using molrtest::kE;
using molrtest::kNu;
using molrtest::strip;

// Plane-strain constant-strain triangle of the element's material, written out from B^T D B area.
Eigen::Matrix<double, 6, 6> closedFormStiffness(const Model& model, size_t e) {
    double x[3], y[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = model.coords[3 * model.elements[3 * e + k]];
        y[k] = model.coords[3 * model.elements[3 * e + k] + 1];
    }
    const double twiceArea = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    Eigen::Matrix<double, 3, 6> B = Eigen::Matrix<double, 3, 6>::Zero();
    for (int k = 0; k < 3; ++k) {
        const double b = (y[(k + 1) % 3] - y[(k + 2) % 3]) / twiceArea;
        const double c = (x[(k + 2) % 3] - x[(k + 1) % 3]) / twiceArea;
        B(0, 2 * k) = b;
        B(1, 2 * k + 1) = c;
        B(2, 2 * k) = c;
        B(2, 2 * k + 1) = b;
    }
    const size_t material = static_cast<size_t>(model.elementMaterial[e]) * model.dataCount;
    const double E = model.materials[material], nu = model.materials[material + 1];
    const double lambda = E * nu / ((1 + nu) * (1 - 2 * nu)), mu = E / (2 * (1 + nu));
    Eigen::Matrix3d D;
    D << lambda + 2 * mu, lambda, 0, lambda, lambda + 2 * mu, 0, 0, 0, mu;
    return B.transpose() * D * B * (0.5 * twiceArea);
}

// The stiffness of the free unknowns, summed element by element in the system's numbering.
Eigen::MatrixXd denseStiffness(const Model& model, const SparseSystem& system) {
    Eigen::MatrixXd K = Eigen::MatrixXd::Zero(system.size, system.size);
    for (size_t e = 0; e < model.elementCount(); ++e) {
        const auto Ke = closedFormStiffness(model, e);
        for (int i = 0; i < 6; ++i) {
            for (int j = 0; j < 6; ++j) {
                const int32_t a = system.equation[2 * model.elements[3 * e + i / 2] + i % 2];
                const int32_t b = system.equation[2 * model.elements[3 * e + j / 2] + j % 2];
                if (a >= 0 && b >= 0) {
                    K(a, b) += Ke(i, j);
                }
            }
        }
    }
    return K;
}

Eigen::MatrixXd expand(const SparseSystem& system) {
    Eigen::MatrixXd K = Eigen::MatrixXd::Zero(system.size, system.size);
    for (int32_t j = 0; j < system.size; ++j) {
        for (int32_t a = system.columnStart[j]; a < system.columnStart[j + 1]; ++a) {
            K(system.rowIndex[a], j) = K(j, system.rowIndex[a]) = system.values[a];
        }
    }
    return K;
}

SparseSystem numberedSystem(const Model& model, NodeOrdering method) {
    const NodeGraph graph = buildNodeGraph(model);
    SparseSystem system =
        buildSparseSystem(model, graph, fillReducingNodeOrder(model, graph, method));
    return system;
}

struct Loaded {
    ElementLibrary library{MOLR_MODULE_PATH};
};

TEST(NodeGraph, HoldsExactlyTheNodesSharingAnElementSortedWithItself) {
    const Model model = strip(7, 3);
    const NodeGraph graph = buildNodeGraph(model);
    std::vector<std::set<int32_t>> expected(model.nodeCount());
    for (size_t e = 0; e < model.elementCount(); ++e) {
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                expected[model.elements[3 * e + a]].insert(model.elements[3 * e + b]);
            }
        }
    }
    ASSERT_EQ(graph.nodeCount(), model.nodeCount());
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        const std::vector<int32_t> row(graph.neighbours.begin() + graph.start[n],
                                       graph.neighbours.begin() + graph.start[n + 1]);
        EXPECT_EQ(row, std::vector<int32_t>(expected[n].begin(), expected[n].end())) << n;
    }
}

TEST(NodeOrdering, IsAPermutationThatReducesFillAgainstTheMeshOrder) {
    const Model model = strip(60, 12);
    const NodeGraph graph = buildNodeGraph(model);
    std::vector<int32_t> meshOrder(model.nodeCount());
    std::iota(meshOrder.begin(), meshOrder.end(), 0);
    SparseSystem natural = buildSparseSystem(model, graph, meshOrder);
    CholeskySolver naturalSolver;
    naturalSolver.analyze(natural);
    for (NodeOrdering method : {NodeOrdering::MinimumDegree, NodeOrdering::NestedDissection}) {
        std::vector<int32_t> order = fillReducingNodeOrder(model, graph, method);
        SparseSystem system = buildSparseSystem(model, graph, order);
        std::sort(order.begin(), order.end());
        EXPECT_EQ(order, meshOrder);
        CholeskySolver solver;
        solver.analyze(system);
        EXPECT_LT(solver.factorEntries(), 0.6 * naturalSolver.factorEntries());
        EXPECT_LT(solver.factorFlops(), 0.5 * naturalSolver.factorFlops());
    }
}

TEST(NodeOrdering, PutsTheNodesWithoutUnknownsLastInMeshOrder) {
    Model model = strip(20, 6);
    // One free unknown makes a node part of the elimination: release one on the clamped edge.
    const auto clamped = std::find(model.fixed.begin(), model.fixed.end(), 1);
    ASSERT_NE(clamped, model.fixed.end());
    *(clamped + 1) = 0;
    std::vector<int32_t> held;
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        if (model.fixed[2 * n] && model.fixed[2 * n + 1]) {
            held.push_back(static_cast<int32_t>(n));
        }
    }
    ASSERT_GT(held.size(), 1u);
    const NodeGraph graph = buildNodeGraph(model);
    for (NodeOrdering method : {NodeOrdering::MinimumDegree, NodeOrdering::NestedDissection}) {
        const std::vector<int32_t> order = fillReducingNodeOrder(model, graph, method);
        ASSERT_EQ(order.size(), model.nodeCount());
        EXPECT_EQ(std::vector<int32_t>(order.end() - held.size(), order.end()), held);
        std::vector<int32_t> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    }
}

TEST(SparseSystem, NumbersEachNodesFreeUnknownsTogetherAndSkipsFixedOnes) {
    const Model model = strip(9, 4);
    const SparseSystem system = numberedSystem(model, NodeOrdering::MinimumDegree);
    std::vector<int32_t> seen;
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        const int32_t x = system.equation[2 * n], y = system.equation[2 * n + 1];
        if (model.fixed[2 * n]) {
            EXPECT_EQ(x, -1);
            EXPECT_EQ(y, -1);
            continue;
        }
        EXPECT_EQ(y, x + 1);
        seen.insert(seen.end(), {x, y});
    }
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), static_cast<size_t>(system.size));
    for (int32_t k = 0; k < system.size; ++k) {
        ASSERT_EQ(seen[k], k);
    }
    for (int32_t j = 0; j < system.size; ++j) {
        for (int32_t a = system.columnStart[j]; a + 1 < system.columnStart[j + 1]; ++a) {
            ASSERT_LT(system.rowIndex[a], system.rowIndex[a + 1]);
        }
        ASSERT_EQ(system.rowIndex[system.columnStart[j]], j) << "diagonal first";
    }
}

TEST(Assembly, EqualsADenseSumOfClosedFormElementStiffnessesOnAnyThreadCount) {
    Loaded loaded;
    const Model model = strip(24, 6);
    ElementKernels kernels(loaded.library, model, -1);
    SparseSystem system = numberedSystem(model, NodeOrdering::MinimumDegree);
    const Eigen::MatrixXd expected = denseStiffness(model, system);
    std::vector<double> u(model.dofCount());
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1, 1);
    for (double& x : u) {
        x = value(random);
    }
    std::vector<double> reference;
    // The element entry positions follow the partition's order, whichever it is.
    std::vector<int32_t> reversed = meshOrderOfElements(model);
    std::reverse(reversed.begin(), reversed.end());
    for (const auto& [threads, order] : {std::pair{1, meshOrderOfElements(model)},
                                         {2, meshOrderOfElements(model)},
                                         {3, meshOrderOfElements(model)},
                                         {2, reversed}}) {
        std::vector<double> force;
        const ElementPartition partition = partitionElements(model, order, threads);
        locateElementEntries(model, system, partition);
        assemble(model, kernels, partition, u, {&force, &system, nullptr});
        const Eigen::MatrixXd K = expand(system);
        EXPECT_LT((K - expected).cwiseAbs().maxCoeff(), 1e-12 * expected.cwiseAbs().maxCoeff())
            << threads << " threads";
        if (reference.empty()) {
            reference = force;
        }
        for (size_t dof = 0; dof < force.size(); ++dof) {
            ASSERT_NEAR(force[dof], reference[dof], 1e-12 * kE) << dof;
        }
    }
}

// A model large enough for several blocks per thread and a second round: the threads take the
// blocks in whatever order they come to them, and the sums agree with one thread's to round-off.
TEST(Assembly, GivesOneThreadsSumsOnSeveralBlocksAndRounds) {
    Loaded loaded;
    const Model model = strip(80, 30);
    ElementKernels kernels(loaded.library, model, -1);
    SparseSystem system = numberedSystem(model, NodeOrdering::MinimumDegree);
    std::vector<double> u(model.dofCount());
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(-1, 1);
    for (double& x : u) {
        x = value(random);
    }
    std::vector<double> force[2], matrix[2];
    for (int threads : {1, 2, 3}) {
        const ElementPartition partition =
            partitionElements(model, meshOrderOfElements(model), threads);
        if (threads > 1) {
            ASSERT_GT(partition.rounds(), 1u);
            ASSERT_GT(partition.roundStart[1], static_cast<size_t>(threads));
        }
        locateElementEntries(model, system, partition);
        const int side = threads == 1 ? 0 : 1;
        assemble(model, kernels, partition, u, {&force[side], &system, nullptr});
        matrix[side] = system.values;
        if (side == 0) {
            continue;
        }
        const double largest = *std::max_element(matrix[0].begin(), matrix[0].end() - 1);
        for (size_t k = 0; k + 1 < matrix[0].size(); ++k) {
            ASSERT_NEAR(matrix[1][k], matrix[0][k], 1e-13 * largest) << threads << " threads";
        }
        for (size_t dof = 0; dof < force[0].size(); ++dof) {
            ASSERT_NEAR(force[1][dof], force[0][dof], 1e-11 * kE) << threads << " threads";
        }
    }
}

// Elements of two materials interleaved, in runs of one to three: each must reach the kernel
// with its own material's record, however the runs fall.
TEST(Assembly, GivesEachElementItsOwnMaterial) {
    Loaded loaded;
    Model model = strip(10, 3);
    model.materials.insert(model.materials.end(), {3 * kE, kNu});
    for (size_t e = 0; e < model.elementCount(); ++e) {
        model.elementMaterial[e] = (e % 7 == 1 || e % 7 == 4 || e % 7 == 5) ? 1 : 0;
    }
    ElementKernels kernels(loaded.library, model, -1);
    SparseSystem system = numberedSystem(model, NodeOrdering::MinimumDegree);
    const Eigen::MatrixXd expected = denseStiffness(model, system);
    for (int threads : {1, 2}) {
        const ElementPartition partition =
            partitionElements(model, meshOrderOfElements(model), threads);
        locateElementEntries(model, system, partition);
        std::vector<double> force;
        assemble(model, kernels, partition, std::vector<double>(model.dofCount(), 0.0),
                 {&force, &system, nullptr});
        EXPECT_LT((expand(system) - expected).cwiseAbs().maxCoeff(),
                  1e-12 * expected.cwiseAbs().maxCoeff())
            << threads << " threads";
    }
}

TEST(Assembly, InternalForceIsTheStiffnessTimesTheDisplacements) {
    Loaded loaded;
    const Model model = strip(12, 4);
    ElementKernels kernels(loaded.library, model, -1);
    std::vector<int32_t> identity(model.nodeCount());
    std::iota(identity.begin(), identity.end(), 0);
    Model unrestrained = model;
    std::fill(unrestrained.fixed.begin(), unrestrained.fixed.end(), 0);
    SparseSystem all = buildSparseSystem(unrestrained, buildNodeGraph(unrestrained), identity);
    const ElementPartition partition =
        partitionElements(unrestrained, meshOrderOfElements(unrestrained), 2);
    locateElementEntries(unrestrained, all, partition);
    Eigen::VectorXd u = Eigen::VectorXd::LinSpaced(static_cast<int>(model.dofCount()), -1, 1);
    std::vector<double> uv(u.data(), u.data() + u.size()), force, magnitude;
    assemble(unrestrained, kernels, partition, uv, {&force, &all, &magnitude});
    // Positions located for another order would scatter entries to the wrong places.
    std::vector<int32_t> reversed = meshOrderOfElements(unrestrained);
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_THROW(assemble(unrestrained, kernels, partitionElements(unrestrained, reversed, 2), uv,
                          {&force, &all, nullptr}),
                 std::logic_error);
    // So would positions already released; and a refused assembly touches nothing.
    releaseElementEntries(all);
    std::vector<double> untouched = force;
    EXPECT_THROW(assemble(unrestrained, kernels, partition, uv, {&untouched, &all, nullptr}),
                 std::logic_error);
    EXPECT_EQ(untouched, force);
    const Eigen::VectorXd expected = expand(all) * u;
    for (size_t dof = 0; dof < force.size(); ++dof) {
        EXPECT_NEAR(force[dof], expected[dof], 1e-11 * kE) << dof;
        EXPECT_GE(magnitude[dof], std::fabs(force[dof])) << dof;
    }
    // |K_e| |u_e| of a single element, summed by hand.
    Model one = unrestrained;
    one.elements.resize(3);
    one.elementIds.resize(1);
    one.elementMaterial.resize(1);
    // A partition of another model's elements would read past this one's.
    EXPECT_THROW(assemble(one, kernels, partition, uv, {&force, nullptr, nullptr}),
                 std::logic_error);
    assemble(one, kernels, partitionElements(one, meshOrderOfElements(one), 1), uv,
             {&force, nullptr, &magnitude});
    const auto Ke = closedFormStiffness(one, 0);
    for (int i = 0; i < 6; ++i) {
        double sum = 0;
        for (int j = 0; j < 6; ++j) {
            sum += std::fabs(Ke(i, j)) * std::fabs(uv[2 * one.elements[j / 2] + j % 2]);
        }
        EXPECT_NEAR(magnitude[2 * one.elements[i / 2] + i % 2], sum, 1e-12 * sum) << i;
    }
}

TEST(ElementPartition, GivesEveryElementOnceAndNoNodeToTwoBlocksOfARound) {
    Model model = strip(10, 240);
    for (size_t e = 0; e < model.elementCount(); e += 3) {
        model.elementMaterial[e] = 1;
    }
    std::mt19937 random(3);
    for (bool scrambled : {false, true}) {
        if (scrambled) {
            std::vector<size_t> order(model.elementCount());
            std::iota(order.begin(), order.end(), 0);
            std::shuffle(order.begin(), order.end(), random);
            std::vector<int32_t> elements;
            for (size_t e : order) {
                elements.insert(elements.end(), &model.elements[3 * e], &model.elements[3 * e + 3]);
            }
            model.elements = elements;
        }
        for (int threads : {1, 2, 4}) {
            const ElementPartition partition =
                partitionElements(model, meshOrderOfElements(model), threads);
            std::vector<int32_t> all = partition.elements;
            std::sort(all.begin(), all.end());
            std::vector<int32_t> expected(model.elementCount());
            std::iota(expected.begin(), expected.end(), 0);
            EXPECT_EQ(all, expected);
            // The copies in slot order are those of the slot's element.
            ASSERT_EQ(partition.nodes.size(), 3 * model.elementCount());
            ASSERT_EQ(partition.materials.size(), model.elementCount());
            for (size_t a = 0; a < model.elementCount(); ++a) {
                const auto e = static_cast<size_t>(partition.elements[a]);
                EXPECT_TRUE(std::equal(&model.elements[3 * e], &model.elements[3 * e + 3],
                                       &partition.nodes[3 * a]))
                    << a;
                EXPECT_EQ(partition.materials[a], model.elementMaterial[e]) << a;
            }
            // Blocks tile the slots, rounds tile the blocks, and within a round no node belongs
            // to two blocks.
            ASSERT_EQ(partition.blockStart.front(), 0u);
            ASSERT_EQ(partition.blockStart.back(), model.elementCount());
            ASSERT_TRUE(std::is_sorted(partition.blockStart.begin(), partition.blockStart.end()));
            ASSERT_EQ(partition.roundStart.front(), 0u);
            ASSERT_EQ(partition.roundStart.back() + 1, partition.blockStart.size());
            ASSERT_TRUE(std::is_sorted(partition.roundStart.begin(), partition.roundStart.end()));
            for (size_t r = 0; r < partition.rounds(); ++r) {
                std::vector<int64_t> block(model.nodeCount(), -1);
                for (size_t b = partition.roundStart[r]; b < partition.roundStart[r + 1]; ++b) {
                    for (size_t a = partition.blockStart[b]; a < partition.blockStart[b + 1]; ++a) {
                        for (int k = 0; k < 3; ++k) {
                            int64_t& owner = block[partition.nodes[3 * a + k]];
                            EXPECT_TRUE(owner == -1 || owner == static_cast<int64_t>(b))
                                << "a node of two blocks in round " << r;
                            owner = static_cast<int64_t>(b);
                        }
                    }
                }
            }
            if (threads == 1) {
                EXPECT_EQ(partition.blockStart.size(), 2u);
            } else if (!scrambled) {
                // Blocks of a mesher's numbering meet along lines of nodes.
                EXPECT_LT(partition.laterCount(), model.elementCount() / 5);
                EXPECT_GT(partition.roundStart[1], static_cast<size_t>(threads));
            }
        }
    }
}

// The straightforward path: triplets of closed-form element matrices in mesh numbering, Eigen's
// simplicial Cholesky, no reordering of the host's own.
Eigen::VectorXd straightforwardSolution(const Model& model) {
    std::vector<int> equation(model.dofCount(), -1);
    int size = 0;
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (!model.fixed[dof]) {
            equation[dof] = size++;
        }
    }
    std::vector<Eigen::Triplet<double>> triplets;
    for (size_t e = 0; e < model.elementCount(); ++e) {
        const auto Ke = closedFormStiffness(model, e);
        for (int i = 0; i < 6; ++i) {
            for (int j = 0; j < 6; ++j) {
                const int a = equation[2 * model.elements[3 * e + i / 2] + i % 2];
                const int b = equation[2 * model.elements[3 * e + j / 2] + j % 2];
                if (a >= 0 && b >= 0) {
                    triplets.emplace_back(a, b, Ke(i, j));
                }
            }
        }
    }
    Eigen::SparseMatrix<double> K(size, size);
    K.setFromTriplets(triplets.begin(), triplets.end());
    Eigen::VectorXd f(size);
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (equation[dof] >= 0) {
            f[equation[dof]] = model.externalForce[dof];
        }
    }
    Eigen::SimplicialLLT<Eigen::SparseMatrix<double>> cholesky(K);
    const Eigen::VectorXd free = cholesky.solve(f);
    Eigen::VectorXd u = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(model.dofCount()));
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (equation[dof] >= 0) {
            u[static_cast<Eigen::Index>(dof)] = free[equation[dof]];
        }
    }
    return u;
}

TEST(Newton, GivesTheStraightforwardPathsTipDisplacementToRoundOff) {
    Loaded loaded;
    Analysis analysis;
    analysis.model = strip(200, 20);
    ElementKernels kernels(loaded.library, analysis.model, -1);
    solveLevel(analysis, kernels, [](const std::string&) {});
    const Eigen::VectorXd expected = straightforwardSolution(analysis.model);
    // The top right corner, node (200, 20).
    const size_t tip = 21 * 201 - 1;
    for (int c = 0; c < 2; ++c) {
        const double fast = analysis.u[2 * tip + c];
        const double reference = expected[static_cast<Eigen::Index>(2 * tip + c)];
        EXPECT_NEAR(fast, reference, 1e-9 * std::fabs(reference)) << c;
    }
    double worst = 0;
    for (size_t dof = 0; dof < analysis.u.size(); ++dof) {
        worst =
            std::max(worst, std::fabs(analysis.u[dof] - expected[static_cast<Eigen::Index>(dof)]));
    }
    EXPECT_LT(worst, 1e-9 * expected.cwiseAbs().maxCoeff());
}

TEST(Newton, ALinearModelStopsAfterOneFactorizationAtRoundOff) {
    Loaded loaded;
    Analysis analysis;
    analysis.model = strip(400, 40);
    ElementKernels kernels(loaded.library, analysis.model, -1);
    solveLevel(analysis, kernels, [](const std::string&) {});
    EXPECT_EQ(analysis.factorizations, 1);
    // The step, then one refinement with the same factor.
    ASSERT_EQ(analysis.residualNorms.size(), 3u);
    EXPECT_LT(analysis.backwardError, 1e-14);
    EXPECT_GT(analysis.factorEntries, 0);
    // Beam theory with shear for the tip deflection of a slender plane-strain cantilever.
    const double Eplane = kE / (1 - kNu * kNu), inertia = 1.0 / 12;
    const double bending = 1000.0 / (3 * Eplane * inertia);
    EXPECT_NEAR(analysis.maxDisplacement, bending, 0.05 * bending);
}

} // namespace

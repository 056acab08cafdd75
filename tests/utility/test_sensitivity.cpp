// Sensitivity contraction over parameter pairs: worked examples in both modes, the gather from the
// nodes, accumulation, degenerate inputs, order of additions, and more parameters than the cache.
#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Vec = std::vector<double>;

// One element as a host would hand it over: zeroed host records, per-node sensitivity blocks, the
// pair records and an IData array.
struct Element {
    ElSpec es{};
    std::vector<NodeKind> kinds;
    std::vector<NodeValues> values;
    std::vector<NodeKind*> kindPointers;
    std::vector<NodeValues*> valuePointers;
    std::vector<std::vector<double>> sensitivities;
    std::vector<int> pairRecords;
    std::vector<int> idata = std::vector<int>(128, 0);
    std::vector<std::vector<double>> rowStorage;
    std::vector<double*> rows;

    // nodeSensitivities[j] holds node j's blocks; dofs[j] its unknown count.
    Element(const std::vector<int>& dofs, std::vector<std::vector<double>> nodeSensitivities,
            const std::vector<std::pair<int, int>>& pairs, int parameterCount, int vectorRow,
            int rowCount)
        : kinds(dofs.size()), values(dofs.size()), sensitivities(std::move(nodeSensitivities)),
          rowStorage(static_cast<std::size_t>(rowCount)) {
        int n = 0;
        for (std::size_t j = 0; j < dofs.size(); ++j) {
            kinds[j] = NodeKind{};
            values[j] = NodeValues{};
            kinds[j].dofCount = dofs[j];
            values[j].sensitivity = sensitivities[j].empty() ? nullptr : sensitivities[j].data();
            kindPointers.push_back(&kinds[j]);
            valuePointers.push_back(&values[j]);
            n += dofs[j] > 0 ? dofs[j] : 0;
        }
        for (const auto& [first, second] : pairs) {
            pairRecords.insert(pairRecords.end(), {first, second, -9, -9, -9, -9});
        }
        es.dofCount = n;
        es.nodeCount = static_cast<int>(dofs.size());
        es.sensitivityMap = pairRecords.data();
        idata[XEFSensPairFirst] = 1;
        idata[XEFSensPairLast] = static_cast<int>(pairs.size());
        idata[XEFSensVectorRow] = vectorRow;
        idata[XEFSensParameterCount] = parameterCount;
        for (auto& row : rowStorage) {
            row.assign(static_cast<std::size_t>(n > 0 ? n : 1), 0.0);
            rows.push_back(row.data());
        }
    }

    // The records point into this object's own storage, so it never moves.
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    void setRow(int i, const Vec& v) { std::copy(v.begin(), v.end(), rows[i]); }
    void contract(const std::vector<double>& tensor, int symmetric) {
        SensDotProduct(&es, nullptr, kindPointers.data(), valuePointers.data(), idata.data(),
                       tensor.data(), rows.data(), symmetric);
    }
    const Vec& row(int i) const { return rowStorage[static_cast<std::size_t>(i)]; }
};

// T[0][0] = (1, 2), T[0][1] = T[1][0] = (3, 4), T[1][1] = (5, 6).
const Vec exampleTensor = {1, 2, 3, 4, 3, 4, 5, 6};
const Vec asymmetricTensor = {1, 2, 3, 4, 100, 100, 5, 6};

Element workedExample() {
    return Element({1, 1}, {{1, 3}, {2, -1}}, {{1, 2}, {2, 2}}, 2, 2, 4);
}

TEST(Sensitivity, WorkedExampleInBothModes) {
    for (int symmetric : {0, 1}) {
        Element e = workedExample();
        e.contract(exampleTensor, symmetric);
        EXPECT_EQ(e.row(0), (Vec{11, 23})) << symmetric;
        EXPECT_EQ(e.row(1), (Vec{-2, 6})) << symmetric;
        EXPECT_EQ(e.row(2), (Vec{1, 2})) << symmetric;
        EXPECT_EQ(e.row(3), (Vec{3, -1})) << symmetric;
    }
}

TEST(Sensitivity, AsymmetricTensorGeneralModeReadsEveryPair) {
    Element e = workedExample();
    e.contract(asymmetricTensor, 0);
    EXPECT_EQ(e.row(0), (Vec{11, 218}));
    EXPECT_EQ(e.row(1), (Vec{-2, 591}));
}

TEST(Sensitivity, AsymmetricTensorSymmetricModeReadsUpperPairsOnly) {
    Element e = workedExample();
    e.contract(asymmetricTensor, 1);
    EXPECT_EQ(e.row(0), (Vec{11, 23}));
    EXPECT_EQ(e.row(1), (Vec{-2, 6}));
}

TEST(Sensitivity, CallingTwiceAddsTheContributionAgain) {
    for (int symmetric : {0, 1}) {
        Element e = workedExample();
        e.contract(exampleTensor, symmetric);
        e.contract(exampleTensor, symmetric);
        EXPECT_EQ(e.row(0), (Vec{22, 46})) << symmetric;
        EXPECT_EQ(e.row(1), (Vec{-4, 12})) << symmetric;
        EXPECT_EQ(e.row(2), (Vec{1, 2})) << symmetric;
        EXPECT_EQ(e.row(3), (Vec{3, -1})) << symmetric;
    }
}

TEST(Sensitivity, GatherSkipsNodesWithoutUnknowns) {
    Element e({1, 0, -1, 1}, {{1, 3}, {}, {}, {2, -1}}, {{1, 2}, {2, 2}}, 2, 2, 4);
    e.contract(exampleTensor, 0);
    EXPECT_EQ(e.row(2), (Vec{1, 2}));
    EXPECT_EQ(e.row(3), (Vec{3, -1}));
    EXPECT_EQ(e.row(0), (Vec{11, 23}));
    EXPECT_EQ(e.row(1), (Vec{-2, 6}));
}

TEST(Sensitivity, GatherTakesOneBlockPerParameterFromEachNode) {
    Element e({2}, {{1, 2, 3, -1}}, {{1, 2}, {2, 2}}, 2, 2, 4);
    e.contract(exampleTensor, 1);
    EXPECT_EQ(e.row(2), (Vec{1, 2}));
    EXPECT_EQ(e.row(3), (Vec{3, -1}));
    EXPECT_EQ(e.row(0), (Vec{11, 23}));
    EXPECT_EQ(e.row(1), (Vec{-2, 6}));
}

TEST(Sensitivity, EmptyPairRangeStillGathers) {
    Element e = workedExample();
    e.idata[XEFSensPairFirst] = 2;
    e.idata[XEFSensPairLast] = 1;
    e.setRow(0, {7, 7});
    e.setRow(1, {7, 7});
    e.contract(exampleTensor, 0);
    EXPECT_EQ(e.row(0), (Vec{7, 7}));
    EXPECT_EQ(e.row(1), (Vec{7, 7}));
    EXPECT_EQ(e.row(2), (Vec{1, 2}));
    EXPECT_EQ(e.row(3), (Vec{3, -1}));
}

TEST(Sensitivity, NoParametersMeansNoGather) {
    Element e = workedExample();
    e.idata[XEFSensParameterCount] = 0;
    e.idata[XEFSensPairLast] = 0;
    e.setRow(2, {7, 7});
    e.contract(exampleTensor, 0);
    EXPECT_EQ(e.row(0), (Vec{0, 0}));
    EXPECT_EQ(e.row(2), (Vec{7, 7}));
    EXPECT_EQ(e.row(3), (Vec{0, 0}));
}

TEST(Sensitivity, NoNodesMeansNoGatherButTheContractionRuns) {
    Element e = workedExample();
    e.es.nodeCount = 0;
    // The gathered rows keep what the caller left there; the contraction reads them as they are.
    e.setRow(2, {1, 2});
    e.setRow(3, {3, -1});
    e.contract(exampleTensor, 0);
    EXPECT_EQ(e.row(0), (Vec{11, 23}));
    EXPECT_EQ(e.row(1), (Vec{-2, 6}));
}

TEST(Sensitivity, NoUnknownsGathersAndAddsNothing) {
    Element e = workedExample();
    e.es.dofCount = 0;
    e.contract(exampleTensor, 0);
    EXPECT_EQ(e.row(0), (Vec{0, 0}));
    EXPECT_EQ(e.row(1), (Vec{0, 0}));
    EXPECT_EQ(e.row(2), (Vec{1, 2}));
}

TEST(Sensitivity, SingleUnknownContractionStartsFromPositiveZero) {
    for (int symmetric : {0, 1}) {
        // g_1 = -0.0 makes the product -0.0; only a sum started at +0.0 turns it into +0.0, and
        // -0.0 + (2 * +0.0) then clears the sign of the pair vector's entry.
        Element e({1}, {{2, -0.0}}, {{1, 2}, {1, 1}}, 2, 2, 4);
        e.setRow(0, {-0.0});
        e.setRow(1, {1.0});
        e.contract({5.0}, symmetric);
        EXPECT_TRUE(e.row(0)[0] == 0.0 && !std::signbit(e.row(0)[0])) << symmetric;
        EXPECT_EQ(e.row(1)[0], 21.0) << symmetric;
    }
}

TEST(Sensitivity, GeneralModeAddsInAscendingPairOrder) {
    // One parameter of all ones; s(0,b) is the first entry of T[0][b], and s(0,0) itself sums
    // (1e16, 1, -1e16, 1) to 1. Into row entry 0 go 1, 1e16, 1, -1e16: 0.0 in this order, 2
    // exactly.
    Element e({1, 1, 1, 1}, {{1}, {1}, {1}, {1}}, {{1, 1}}, 1, 1, 2);
    Vec tensor(64, 0.0);
    const Vec first = {1e16, 1, -1e16, 1};
    for (int k = 0; k < 4; ++k) {
        tensor[static_cast<std::size_t>(k)] = first[static_cast<std::size_t>(k)];
    }
    tensor[4] = 1e16;
    tensor[8] = 1;
    tensor[12] = -1e16;
    e.contract(tensor, 0);
    EXPECT_EQ(e.row(0), (Vec{0, 0, 0, 0}));
}

TEST(Sensitivity, SymmetricModeInterleavesMirroredAdditions) {
    // Row entry 1 receives s(0,1) as the mirror of pair (0,1), then s(1,1), s(1,2), s(1,3):
    // 1e16, 1, -1e16, 1 gives 1.0 in this order (2 exactly, 0.0 with the mirrors added last).
    Element e({1, 1, 1, 1}, {{1}, {1}, {1}, {1}}, {{1, 1}}, 1, 1, 2);
    Vec tensor(64, 0.0);
    auto pair = [&tensor](int a, int b) -> double& {
        return tensor[static_cast<std::size_t>((a * 4 + b) * 4)];
    };
    pair(0, 1) = 1e16;
    pair(1, 1) = 1;
    pair(1, 2) = -1e16;
    pair(1, 3) = 1;
    e.contract(tensor, 1);
    EXPECT_EQ(e.row(0), (Vec{1e16, 1, -1e16, 1}));
}

// Pair vector entry a = sum_b sum_k T[a][b][k] g_p[b] g_q[k], summed exactly (integer data).
Vec expectedPair(const Vec& tensor, const Vec& gp, const Vec& gq) {
    Vec result(2, 0.0);
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            for (int k = 0; k < 2; ++k) {
                result[static_cast<std::size_t>(a)] +=
                    tensor[static_cast<std::size_t>((a * 2 + b) * 2 + k)] *
                    gp[static_cast<std::size_t>(b)] * gq[static_cast<std::size_t>(k)];
            }
        }
    }
    return result;
}

TEST(Sensitivity, MoreParametersThanTheCacheStillContractExactly) {
    constexpr int parameters = 203;
    std::vector<std::vector<double>> sensitivities(2);
    std::vector<Vec> g;
    for (int m = 0; m < parameters; ++m) {
        const Vec gm = {static_cast<double>(m + 1), static_cast<double>(m % 3 - 1)};
        sensitivities[0].push_back(gm[0]);
        sensitivities[1].push_back(gm[1]);
        g.push_back(gm);
    }
    const std::vector<std::pair<int, int>> pairs = {{1, 201}, {203, 203}, {202, 1}, {2, 2}};
    for (int symmetric : {0, 1}) {
        Element e({1, 1}, sensitivities, pairs, parameters, 4, 4 + parameters);
        e.contract(exampleTensor, symmetric);
        for (int m = 0; m < parameters; ++m) {
            EXPECT_EQ(e.row(4 + m), g[static_cast<std::size_t>(m)]) << m;
        }
        for (std::size_t t = 0; t < pairs.size(); ++t) {
            const Vec expected =
                expectedPair(exampleTensor, g[static_cast<std::size_t>(pairs[t].first - 1)],
                             g[static_cast<std::size_t>(pairs[t].second - 1)]);
            EXPECT_EQ(e.row(static_cast<int>(t)), expected) << t << " " << symmetric;
        }
    }
}

} // namespace

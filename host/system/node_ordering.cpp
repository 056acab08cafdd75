#include "node_ordering.h"

#include "cholmod_holders.h"
#include "side_by_side.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace xefhost {

namespace {

// Index of each node among those selected, or -1; count is how many are.
template <typename Selected>
std::vector<int32_t> indexAmong(size_t nodes, Selected selected, size_t& count) {
    std::vector<int32_t> index(nodes, -1);
    count = 0;
    for (size_t n = 0; n < nodes; ++n) {
        if (selected(n)) {
            index[n] = static_cast<int32_t>(count++);
        }
    }
    return index;
}

bool hasFreeUnknown(const Model& model, size_t node) {
    for (int c = 0; c < model.dofsPerNode; ++c) {
        if (!model.fixed[node * model.dofsPerNode + c]) {
            return true;
        }
    }
    return false;
}

// The upper triangle of the subgraph induced by the indexed nodes, in their index order.
struct Subgraph {
    std::vector<int32_t> columnStart, rows, nodeOf;
    cholmod_sparse pattern;

    size_t size() const { return nodeOf.size(); }
};

void buildSubgraph(Subgraph& sub, const NodeGraph& graph, const std::vector<int32_t>& index,
                   size_t n) {
    sub.columnStart.assign(n + 1, 0);
    sub.nodeOf.assign(n, 0);
    sub.rows.clear();
    sub.rows.reserve((graph.neighbours.size() * n / graph.nodeCount() + n) / 2);
    for (size_t j = 0; j < graph.nodeCount(); ++j) {
        const int32_t column = index[j];
        if (column < 0) {
            continue;
        }
        sub.nodeOf[column] = static_cast<int32_t>(j);
        for (int64_t a = graph.start[j]; a < graph.start[j + 1]; ++a) {
            const int32_t row = index[graph.neighbours[a]];
            if (row >= 0 && row <= column) {
                sub.rows.push_back(row);
            }
        }
        sub.columnStart[column + 1] = static_cast<int32_t>(sub.rows.size());
    }
    cholmod_sparse& pattern = sub.pattern;
    std::memset(&pattern, 0, sizeof pattern);
    pattern.nrow = pattern.ncol = n;
    pattern.nzmax = sub.rows.size();
    pattern.p = sub.columnStart.data();
    pattern.i = sub.rows.data();
    pattern.stype = 1;
    pattern.itype = CHOLMOD_INT;
    pattern.xtype = CHOLMOD_PATTERN;
    pattern.dtype = CHOLMOD_DOUBLE;
    pattern.sorted = 1;
    pattern.packed = 1;
}

void configureOrdering(CholmodCommon& common) {
    common->supernodal = CHOLMOD_SIMPLICIAL;
    common->nmethods = 1;
    common->postorder = 1;
}

[[noreturn]] void orderingFailed(const CholmodCommon& common) {
    throw std::runtime_error("the node ordering failed (status " + std::to_string(common->status) +
                             ", out of memory?)");
}

// The subgraph's nodes in postordered fill-reducing order: the method's own, or the given one
// postordered on its elimination tree, which changes no fill.
std::vector<int32_t> orderedNodes(Subgraph& sub, NodeOrdering method,
                                  const int32_t* given = nullptr) {
    std::vector<int32_t> order;
    if (sub.size() == 0) {
        return order;
    }
    CholmodCommon common;
    configureOrdering(common);
    common->method[0].ordering = given                                   ? CHOLMOD_GIVEN
                                 : method == NodeOrdering::MinimumDegree ? CHOLMOD_AMD
                                                                         : CHOLMOD_METIS;
    CholmodFactor symbolic(common);
    symbolic.reset(
        cholmod_analyze_p(&sub.pattern, const_cast<int32_t*>(given), nullptr, 0, common.get()));
    if (!symbolic) {
        orderingFailed(common);
    }
    const int32_t* perm = static_cast<const int32_t*>(symbolic->Perm);
    order.reserve(sub.size());
    for (size_t k = 0; k < sub.size(); ++k) {
        order.push_back(sub.nodeOf[perm[k]]);
    }
    return order;
}

// One half's nodes in the order that fills least when the separator is eliminated after them:
// minimum degree on the half with the separator, constrained to take the separator last. Ordering
// the half alone would not see that its nodes next to the separator are joined through it.
std::vector<int32_t> orderHalf(const NodeGraph& graph, const NodeSplit& split, NodePart mine) {
    size_t n = 0;
    const std::vector<int32_t> index = indexAmong(
        graph.nodeCount(),
        [&](size_t node) {
            return split.part[node] == mine || split.part[node] == NodePart::Separator;
        },
        n);
    Subgraph withSeparator;
    buildSubgraph(withSeparator, graph, index, n);
    std::vector<int32_t> constraint(n);
    for (size_t k = 0; k < n; ++k) {
        constraint[k] = split.part[withSeparator.nodeOf[k]] == NodePart::Separator;
    }
    std::vector<int32_t> perm(n);
    {
        CholmodCommon common;
        configureOrdering(common);
        if (!cholmod_camd(&withSeparator.pattern, nullptr, 0, constraint.data(), perm.data(),
                          common.get())) {
            orderingFailed(common);
        }
    }

    // The half's own nodes, in that order, postordered among themselves.
    size_t own = 0;
    const std::vector<int32_t> ownIndex = indexAmong(
        graph.nodeCount(), [&](size_t node) { return split.part[node] == mine; }, own);
    std::vector<int32_t> ownOrder;
    ownOrder.reserve(own);
    for (int32_t k : perm) {
        const int32_t node = withSeparator.nodeOf[k];
        if (split.part[node] == mine) {
            ownOrder.push_back(ownIndex[node]);
        }
    }
    Subgraph half;
    buildSubgraph(half, graph, ownIndex, own);
    return orderedNodes(half, NodeOrdering::MinimumDegree, ownOrder.data());
}

} // namespace

std::vector<int32_t> fillReducingNodeOrder(const Model& model, const NodeGraph& graph,
                                           NodeOrdering method) {
    // The ordering sees the graph of the matrix itself: a node without unknowns has nothing to
    // eliminate, and left in it would steer the minimum-degree choices as if it had.
    size_t n = 0;
    const std::vector<int32_t> index = indexAmong(
        graph.nodeCount(), [&](size_t node) { return hasFreeUnknown(model, node); }, n);
    Subgraph sub;
    buildSubgraph(sub, graph, index, n);
    std::vector<int32_t> order = orderedNodes(sub, method);
    order.reserve(graph.nodeCount());
    for (size_t node = 0; node < graph.nodeCount(); ++node) {
        if (index[node] < 0) {
            order.push_back(static_cast<int32_t>(node));
        }
    }
    return order;
}

std::vector<int32_t> splitNodeOrder(const NodeGraph& graph, const NodeSplit& split) {
    std::vector<int32_t> halves[2];
    runSideBySide([&](int h) {
        halves[h] = orderHalf(graph, split, h == 0 ? NodePart::First : NodePart::Second);
    });
    std::vector<int32_t> order = std::move(halves[0]);
    order.reserve(graph.nodeCount());
    order.insert(order.end(), halves[1].begin(), halves[1].end());
    for (NodePart last : {NodePart::Separator, NodePart::None}) {
        for (size_t node = 0; node < graph.nodeCount(); ++node) {
            if (split.part[node] == last) {
                order.push_back(static_cast<int32_t>(node));
            }
        }
    }
    return order;
}

} // namespace xefhost

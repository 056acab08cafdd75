#include "sparse_system.h"

#include <algorithm>
#include <stdexcept>

namespace xefhost {

namespace {

// Elements around each node, compressed: elementsOf[start[n] .. start[n+1]).
void nodeElements(const Model& model, std::vector<int64_t>& start, std::vector<int32_t>& list) {
    const int npe = model.nodesPerElement;
    start.assign(model.nodeCount() + 1, 0);
    for (int32_t node : model.elements) {
        ++start[node + 1];
    }
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        start[n + 1] += start[n];
    }
    list.resize(model.elements.size());
    std::vector<int64_t> fill(start.begin(), start.end() - 1);
    for (size_t e = 0; e < model.elementCount(); ++e) {
        for (int k = 0; k < npe; ++k) {
            list[fill[model.elements[e * npe + k]]++] = static_cast<int32_t>(e);
        }
    }
}

} // namespace

SparseSystem buildSparseSystem(const Model& model) {
    SparseSystem system;
    const int d = model.dofsPerNode;
    const int npe = model.nodesPerElement;
    const size_t nodes = model.nodeCount();

    system.equation.assign(model.dofCount(), -1);
    int64_t next = 0;
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (!model.fixed[dof]) {
            system.equation[dof] = static_cast<int32_t>(next++);
        }
    }
    if (next > INT32_MAX) {
        throw std::runtime_error("more unknowns than the solver's 32-bit indices hold");
    }
    system.size = static_cast<int32_t>(next);

    std::vector<int64_t> start;
    std::vector<int32_t> around;
    nodeElements(model, start, around);

    // Columns node by node: the neighbours of node j (itself included), ascending, give the rows
    // of each of its unknowns' columns in ascending unknown order.
    system.columnStart.assign(system.size + 1, 0);
    std::vector<int32_t> marker(nodes, -1), neighbours;
    std::vector<int32_t> rows;
    int64_t column = 0;
    for (size_t j = 0; j < nodes; ++j) {
        neighbours.clear();
        for (int64_t a = start[j]; a < start[j + 1]; ++a) {
            const int32_t* en = &model.elements[static_cast<size_t>(around[a]) * npe];
            for (int k = 0; k < npe; ++k) {
                if (marker[en[k]] != static_cast<int32_t>(j)) {
                    marker[en[k]] = static_cast<int32_t>(j);
                    neighbours.push_back(en[k]);
                }
            }
        }
        std::sort(neighbours.begin(), neighbours.end());
        for (int cj = 0; cj < d; ++cj) {
            const int32_t eqj = system.equation[j * d + cj];
            if (eqj < 0) {
                continue;
            }
            for (int32_t m : neighbours) {
                for (int cm = 0; cm < d; ++cm) {
                    const int32_t eqm = system.equation[static_cast<size_t>(m) * d + cm];
                    if (eqm >= 0 && eqm <= eqj) {
                        rows.push_back(eqm);
                    }
                }
            }
            if (rows.size() > static_cast<size_t>(INT32_MAX)) {
                throw std::runtime_error("more matrix entries than 32-bit indices hold");
            }
            system.columnStart[++column] = static_cast<int32_t>(rows.size());
        }
    }
    system.rowIndex = std::move(rows);
    system.values.assign(system.rowIndex.size(), 0.0);

    // Where each entry of each element's upper triangle lands.
    const int nd = npe * d;
    system.entriesPerElement = nd * (nd + 1) / 2;
    system.positions.resize(model.elementCount() * system.entriesPerElement);
    std::vector<int32_t> eq(nd);
    for (size_t e = 0; e < model.elementCount(); ++e) {
        for (int k = 0; k < npe; ++k) {
            for (int c = 0; c < d; ++c) {
                eq[k * d + c] =
                    system.equation[static_cast<size_t>(model.elements[e * npe + k]) * d + c];
            }
        }
        int32_t* out = &system.positions[e * system.entriesPerElement];
        for (int i = 0; i < nd; ++i) {
            for (int j = i; j < nd; ++j) {
                if (eq[i] < 0 || eq[j] < 0) {
                    *out++ = -1;
                    continue;
                }
                const int32_t lo = std::min(eq[i], eq[j]), hi = std::max(eq[i], eq[j]);
                const int32_t* first = &system.rowIndex[system.columnStart[hi]];
                const int32_t* last = &system.rowIndex[system.columnStart[hi + 1]];
                *out++ = static_cast<int32_t>(std::lower_bound(first, last, lo) -
                                              system.rowIndex.data());
            }
        }
    }
    return system;
}

} // namespace xefhost

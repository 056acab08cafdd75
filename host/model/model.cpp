#include "model.h"

#include "duplicate_elements.h"
#include "exact_solution.h"
#include "gmsh_topologies.h"
#include "material_keys.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <unordered_map>

namespace xefhost {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string groupList(const Mesh& mesh) {
    std::string list;
    for (const PhysicalGroup& g : mesh.groups) {
        if (!g.name.empty()) {
            list += (list.empty() ? "" : ", ") + ("\"" + g.name + "\"");
        }
    }
    return list.empty() ? "(the mesh names no physical groups)" : list;
}

// Physical tags of every group with this name (a name may be used in several dimensions).
std::vector<std::pair<int, int>> groupTags(const Mesh& mesh, const std::string& name,
                                           const std::string& where) {
    std::vector<std::pair<int, int>> tags;
    for (const PhysicalGroup& g : mesh.groups) {
        if (g.name == name) {
            tags.emplace_back(g.dimension, g.tag);
        }
    }
    if (tags.empty()) {
        throw ModelError(where + ": unknown physical group \"" + name +
                         "\"; the mesh has: " + groupList(mesh));
    }
    return tags;
}

bool inGroup(const std::vector<std::pair<int, int>>& tags, int dimension, int tag) {
    return std::any_of(tags.begin(), tags.end(), [&](const std::pair<int, int>& t) {
        return t.first == dimension && t.second == tag;
    });
}

class ModelBuilder {
  public:
    ModelBuilder(const Mesh& mesh, const Problem& problem, const ElementTraits& element,
                 ModelExtent extent, const std::vector<char>* ownedNodes)
        : mesh_(mesh), problem_(problem), element_(element), extent_(extent),
          ownedNodes_(ownedNodes) {}

    Model build() {
        selectElements();
        refuseDuplicates();
        checkOrientation();
        assignMaterials();
        applyFixes();
        applyTractionsAndPressures();
        applyPointLoads();
        return std::move(model_);
    }

  private:
    void selectElements() {
        const std::string& topology = element_.topology;
        type_ = findGmshTopology(topology);
        const GmshTopology* type = type_;
        if (!type) {
            throw ModelError("the element's topology \"" + topology +
                             "\" has no Gmsh element type in this host (it knows " +
                             knownTopologies() + ")");
        }
        if (element_.dimensions != 2) {
            throw ModelError("the host runs plane analyses; the element works in " +
                             std::to_string(element_.dimensions) + " dimensions");
        }
        model_.nodesPerElement = element_.nodeCount;
        model_.dataCount = static_cast<int>(element_.dataDefaults.size());
        const std::vector<int>& nodeDofs = element_.nodeDofs;
        const int dofs = nodeDofs.empty() ? 0 : nodeDofs[0];
        for (int k = 0; k < element_.nodeCount; ++k) {
            if (static_cast<size_t>(k) >= nodeDofs.size() || nodeDofs[k] != dofs) {
                throw ModelError("the host needs the same number of unknowns at every node");
            }
        }
        if (dofs != kDisplacementComponents || dofs * element_.nodeCount != element_.dofCount) {
            throw ModelError("the host solves for the two displacements ux, uy per node and "
                             "nothing else; the element has " +
                             std::to_string(dofs) + " unknowns per node and " +
                             std::to_string(element_.dofCount) + " in all");
        }
        model_.dofsPerNode = dofs;
        block_ = mesh_.block(type->gmshType);
        if (!block_ || block_->size() == 0) {
            throw ModelError(std::string("the mesh has no ") + type->description + " (Gmsh type " +
                             std::to_string(type->gmshType) + "), which the element's topology " +
                             topology + " needs");
        }
        if (block_->nodesPerElement != element_.nodeCount) {
            throw ModelError("Gmsh type " + std::to_string(type->gmshType) + " has " +
                             std::to_string(block_->nodesPerElement) +
                             " nodes but the element has " + std::to_string(element_.nodeCount));
        }
        for (const ElementBlock& other : mesh_.blocks) {
            if (other.dimension == 2 && other.gmshType != type->gmshType && other.size() > 0) {
                model_.notes.push_back(
                    std::to_string(other.size()) + " surface elements of Gmsh type " +
                    std::to_string(other.gmshType) + " (" + std::to_string(other.nodesPerElement) +
                    " nodes) are not of the element's topology " + topology + " and were left out");
            }
        }
        matchNodeOrder();
        // Only nodes that carry an element get unknowns.
        nodeIndex_.assign(mesh_.nodeCount(), -1);
        model_.elements.resize(block_->connectivity.size());
        const int npe = element_.nodeCount;
        for (size_t i = 0; i < block_->connectivity.size(); ++i) {
            // Element node k of element e is Gmsh node gmshNode_[k] of it.
            const size_t e = i / npe;
            const int32_t node = block_->connectivity[e * npe + gmshNode_[i % npe]];
            int32_t& index = nodeIndex_[node];
            if (index < 0) {
                index = static_cast<int32_t>(model_.nodeIds.size());
                model_.nodeIds.push_back(mesh_.nodeIds[node]);
                const double* x = &mesh_.coords[3 * node];
                model_.coords.insert(model_.coords.end(), x, x + 3);
            }
            model_.elements[i] = index;
        }
        model_.elementIds = block_->ids;
        const size_t n = model_.dofCount();
        model_.fixed.assign(n, 0);
        model_.prescribed.assign(n, 0.0);
        model_.externalForce.assign(n, 0.0);
    }

    std::string elementName(size_t e) const { return describeElement(model_, e); }

    // The element's node order against Gmsh's, through the reference positions of the nodes. An
    // element that gives no reference nodes is taken in Gmsh's order.
    void matchNodeOrder() {
        const int npe = element_.nodeCount;
        gmshNode_.resize(npe);
        for (int k = 0; k < npe; ++k) {
            gmshNode_[k] = k;
        }
        if (element_.referenceNodes.empty()) {
            model_.notes.push_back("the element gives no reference nodes: its nodes are taken in "
                                   "Gmsh's order");
        } else {
            try {
                gmshNode_ = gmshNodeOfElementNode(*type_, element_.referenceNodes);
            } catch (const std::runtime_error& error) {
                throw ModelError(
                    std::string("the element's reference nodes do not match Gmsh's: ") +
                    error.what());
            }
        }
        elementNode_.assign(npe, 0);
        for (int k = 0; k < npe; ++k) {
            elementNode_[gmshNode_[k]] = k;
        }
    }

    void refuseDuplicates() const {
        if (const auto pair = findDuplicateElements(model_)) {
            throw ModelError(elementName(pair->first) + " and " + elementName(pair->second) +
                             " have the same nodes: a mesh lists each element once");
        }
    }

    // Elements must run counter-clockwise with a positive area: clockwise ones are turned over,
    // degenerate ones refused. The corners are Gmsh's first nodes.
    void checkOrientation() {
        const int npe = model_.nodesPerElement;
        const int corners = type_->cornerCount;
        size_t flipped = 0;
        std::vector<int32_t> turned(npe);
        for (size_t e = 0; e < model_.elementCount(); ++e) {
            int32_t* nodes = &model_.elements[e * npe];
            // Twice the signed area of the corner polygon, from the first corner so that
            // coordinates far from the origin lose no digits.
            const double* origin = &model_.coords[3 * nodes[elementNode_[0]]];
            double twiceArea = 0, scale = 0;
            for (int c = 0; c < corners; ++c) {
                const double* a = &model_.coords[3 * nodes[elementNode_[c]]];
                const double* b = &model_.coords[3 * nodes[elementNode_[(c + 1) % corners]]];
                twiceArea += (a[0] - origin[0]) * (b[1] - origin[1]) -
                             (b[0] - origin[0]) * (a[1] - origin[1]);
                for (int d = c + 1; d < corners; ++d) {
                    const double* f = &model_.coords[3 * nodes[elementNode_[d]]];
                    scale = std::max(scale, std::hypot(f[0] - a[0], f[1] - a[1]));
                }
            }
            if (!(std::fabs(twiceArea) > 1e-12 * scale * scale)) {
                throw ModelError(elementName(e) + " is degenerate: its area is " +
                                 std::to_string(twiceArea / 2));
            }
            if (twiceArea < 0) {
                for (int k = 0; k < npe; ++k) {
                    turned[k] = nodes[elementNode_[type_->mirrored[gmshNode_[k]]]];
                }
                std::copy(turned.begin(), turned.end(), nodes);
                ++flipped;
            }
        }
        if (flipped) {
            model_.notes.push_back(std::to_string(flipped) + " clockwise " + type_->shape +
                                   " were renumbered counter-clockwise");
        }
    }

    void assignMaterials() {
        const int count = model_.dataCount;
        std::vector<std::string> keys;
        for (const std::string& name : element_.dataNames) {
            keys.push_back(dataKey(name));
        }
        const std::vector<double>& defaults = element_.dataDefaults;
        model_.materials = defaults;
        model_.elementMaterial.assign(model_.elementCount(), 0);
        for (const MaterialSpec& given : problem_.materials) {
            std::vector<double> values = defaults;
            if (!given.byPosition.empty()) {
                if (static_cast<int>(given.byPosition.size()) != count) {
                    throw ModelError(problem_.path + ": material.data: the element takes " +
                                     std::to_string(count) + " values");
                }
                values = given.byPosition;
            }
            for (const auto& [key, value] : given.byName) {
                const auto at = std::find(keys.begin(), keys.end(), lower(key));
                if (at == keys.end()) {
                    std::string known;
                    for (const std::string& k : keys) {
                        known += (known.empty() ? "" : ", ") + k;
                    }
                    throw ModelError(problem_.path + ": material." + key +
                                     ": the element has no such data (it has: " + known + ")");
                }
                values[at - keys.begin()] = value;
            }
            checkMaterial(keys, values, given.group);
            // Without data every material is the same empty set: the first stands for all.
            const int index = count == 0 ? 0 : static_cast<int>(model_.materials.size()) / count;
            model_.materials.insert(model_.materials.end(), values.begin(), values.end());
            std::vector<std::pair<int, int>> tags;
            if (!given.group.empty()) {
                tags = groupTags(mesh_, given.group, problem_.path + ": material.group");
            }
            for (size_t e = 0; e < model_.elementCount(); ++e) {
                if (given.group.empty() ||
                    inGroup(tags, block_->dimension, block_->physicalTag[e])) {
                    model_.elementMaterial[e] = index;
                }
            }
        }
        if (problem_.materials.empty()) {
            checkMaterial(keys, defaults, "");
        }
    }

    // The elastic constants the host knows by name must describe a stable material.
    void checkMaterial(const std::vector<std::string>& keys, const std::vector<double>& values,
                       const std::string& group) const {
        const std::string where =
            problem_.path + ": material" + (group.empty() ? "" : " of group \"" + group + "\"");
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == "e" && !(values[i] > 0)) {
                throw ModelError(where + ": Young's modulus E must be positive, got " +
                                 std::to_string(values[i]));
            }
            if (keys[i] == "nu" && !(values[i] > -1 && values[i] < 0.5)) {
                throw ModelError(where + ": Poisson's ratio nu must lie in (-1, 0.5), got " +
                                 std::to_string(values[i]));
            }
        }
    }

    // Model node indices of every node of every mesh element in a group.
    std::vector<int32_t> groupNodes(const std::string& name, const std::string& where) const {
        const auto tags = groupTags(mesh_, name, where);
        std::vector<char> seen(model_.nodeCount(), 0);
        std::vector<int32_t> nodes;
        for (const ElementBlock& b : mesh_.blocks) {
            for (size_t e = 0; e < b.size(); ++e) {
                if (!inGroup(tags, b.dimension, b.physicalTag[e])) {
                    continue;
                }
                for (int k = 0; k < b.nodesPerElement; ++k) {
                    const int32_t node = nodeIndex_[b.connectivity[e * b.nodesPerElement + k]];
                    if (node >= 0 && !seen[node]) {
                        seen[node] = 1;
                        nodes.push_back(node);
                    }
                }
            }
        }
        if (nodes.empty() && extent_ == ModelExtent::Whole) {
            throw ModelError(where + ": physical group \"" + name +
                             "\" has no node of the element mesh");
        }
        return nodes;
    }

    void applyFixes() {
        for (const FixSpec& fix : problem_.fixes) {
            ExactSolution exact;
            if (fix.fromExact) {
                exact = makeExactSolution(*problem_.exact, 1.0, 0.0);
            }
            for (int32_t node : groupNodes(fix.group, problem_.path + ": fix")) {
                std::optional<double> values[2] = {fix.x, fix.y};
                if (fix.fromExact) {
                    double u[2];
                    exact.displacement(model_.coords[3 * node], model_.coords[3 * node + 1], u);
                    values[0] = u[0], values[1] = u[1];
                }
                for (int c = 0; c < 2; ++c) {
                    if (values[c]) {
                        model_.fixed[model_.displacementDof(node, c)] = 1;
                        model_.prescribed[model_.displacementDof(node, c)] = *values[c];
                    }
                }
            }
        }
    }

    // Boundary edges (lines of a physical curve) with the element node opposite them, so that
    // the outward normal is known.
    struct Edge {
        int32_t a, b, m; // end nodes, and the middle node for 3-node lines (-1 otherwise)
    };

    std::vector<Edge> groupEdges(const std::string& name, const std::string& where) const {
        const auto tags = groupTags(mesh_, name, where);
        std::vector<Edge> edges;
        for (const ElementBlock& b : mesh_.blocks) {
            if (b.dimension != 1 || (b.nodesPerElement != 2 && b.nodesPerElement != 3)) {
                continue;
            }
            for (size_t e = 0; e < b.size(); ++e) {
                if (!inGroup(tags, 1, b.physicalTag[e])) {
                    continue;
                }
                const int32_t* c = &b.connectivity[e * b.nodesPerElement];
                Edge edge{nodeIndex_[c[0]], nodeIndex_[c[1]],
                          b.nodesPerElement == 3 ? nodeIndex_[c[2]] : -1};
                if (edge.a < 0 || edge.b < 0) {
                    throw ModelError(where + ": line element " + std::to_string(b.ids[e]) +
                                     " of group \"" + name + "\" is not on the element mesh");
                }
                edges.push_back(edge);
            }
        }
        if (edges.empty() && extent_ == ModelExtent::Whole) {
            throw ModelError(where + ": physical group \"" + name + "\" has no line elements");
        }
        return edges;
    }

    // Adds a load that is constant along a 2-node edge as consistent nodal forces: half to each
    // end.
    void addEdgeForce(const Edge& edge, double fx, double fy) {
        for (int32_t node : {edge.a, edge.b}) {
            model_.externalForce[model_.displacementDof(node, 0)] += 0.5 * fx;
            model_.externalForce[model_.displacementDof(node, 1)] += 0.5 * fy;
        }
    }

    // A 3-node edge follows the parabola through its nodes, as the elements beside it do:
    // the consistent force of a load per length t is t times the integral of each node's shape
    // function along the arc, taken by 5-point Gauss (the arc length's integrand is no
    // polynomial).
    void addCurvedEdgeTraction(const Edge& edge, double tx, double ty) {
        static const double kPoints[5] = {-0.9061798459386640, -0.5384693101056831, 0.0,
                                          0.5384693101056831, 0.9061798459386640};
        static const double kWeights[5] = {0.2369268850561891, 0.4786286704993665,
                                           0.5688888888888889, 0.4786286704993665,
                                           0.2369268850561891};
        const int32_t nodes[3] = {edge.a, edge.m, edge.b};
        double share[3] = {0, 0, 0};
        for (int g = 0; g < 5; ++g) {
            const double s = kPoints[g];
            const double N[3] = {0.5 * s * (s - 1), 1 - s * s, 0.5 * s * (s + 1)};
            const double dN[3] = {s - 0.5, -2 * s, s + 0.5};
            double dx = 0, dy = 0;
            for (int k = 0; k < 3; ++k) {
                dx += dN[k] * model_.coords[3 * nodes[k]];
                dy += dN[k] * model_.coords[3 * nodes[k] + 1];
            }
            for (int k = 0; k < 3; ++k) {
                share[k] += kWeights[g] * N[k] * std::hypot(dx, dy);
            }
        }
        for (int k = 0; k < 3; ++k) {
            model_.externalForce[model_.displacementDof(nodes[k], 0)] += share[k] * tx;
            model_.externalForce[model_.displacementDof(nodes[k], 1)] += share[k] * ty;
        }
    }

    // A pressure on a 3-node edge, exactly: node i takes -p times the integral of N_i (dy, -dx)
    // along the parabola, (sign) times sum_j M_ij (y_j, -x_j) with M_ij the integral of N_i N_j'
    // over [-1, 1] (nodes a, m, b).
    void addCurvedEdgePressure(const Edge& edge, double pressure, double sign) {
        static const double M[3][3] = {
            {-1.0 / 2, 2.0 / 3, -1.0 / 6}, {-2.0 / 3, 0.0, 2.0 / 3}, {1.0 / 6, -2.0 / 3, 1.0 / 2}};
        const int32_t nodes[3] = {edge.a, edge.m, edge.b};
        for (int i = 0; i < 3; ++i) {
            double tx = 0, ty = 0;
            for (int j = 0; j < 3; ++j) {
                tx += M[i][j] * model_.coords[3 * nodes[j]];
                ty += M[i][j] * model_.coords[3 * nodes[j] + 1];
            }
            model_.externalForce[model_.displacementDof(nodes[i], 0)] += -pressure * sign * ty;
            model_.externalForce[model_.displacementDof(nodes[i], 1)] += pressure * sign * tx;
        }
    }

    void applyTractionsAndPressures() {
        for (const TractionSpec& t : problem_.tractions) {
            for (const Edge& edge : groupEdges(t.group, problem_.path + ": traction")) {
                if (edge.m >= 0) {
                    addCurvedEdgeTraction(edge, t.vector[0], t.vector[1]);
                    continue;
                }
                const double* a = &model_.coords[3 * edge.a];
                const double* b = &model_.coords[3 * edge.b];
                const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
                addEdgeForce(edge, t.vector[0] * length, t.vector[1] * length);
            }
        }
        if (problem_.pressures.empty()) {
            return;
        }
        std::vector<std::vector<Edge>> loaded;
        std::unordered_map<uint64_t, int32_t> opposite;
        for (const PressureSpec& p : problem_.pressures) {
            loaded.push_back(groupEdges(p.group, problem_.path + ": pressure"));
            for (const Edge& edge : loaded.back()) {
                opposite[edgeKey(edge.a, edge.b)] = -1;
            }
        }
        findOpposites(opposite);
        for (size_t i = 0; i < loaded.size(); ++i) {
            const PressureSpec& p = problem_.pressures[i];
            for (const Edge& edge : loaded[i]) {
                const auto found = opposite.find(edgeKey(edge.a, edge.b));
                if (found->second < 0) {
                    throw ModelError(problem_.path + ": pressure: group \"" + p.group +
                                     "\" has an edge that is not on the boundary of the mesh");
                }
                const double* a = &model_.coords[3 * edge.a];
                const double* b = &model_.coords[3 * edge.b];
                const double* o = &model_.coords[3 * found->second];
                // Normal of length |ab|, turned away from the element's opposite node.
                double nx = b[1] - a[1], ny = -(b[0] - a[0]);
                const double sign = nx * (o[0] - a[0]) + ny * (o[1] - a[1]) > 0 ? -1.0 : 1.0;
                if (edge.m >= 0) {
                    addCurvedEdgePressure(edge, p.value, sign);
                    continue;
                }
                nx *= sign, ny *= sign;
                addEdgeForce(edge, -p.value * nx, -p.value * ny);
            }
        }
    }

    static uint64_t edgeKey(int32_t a, int32_t b) {
        const auto lo = static_cast<uint64_t>(std::min(a, b));
        const auto hi = static_cast<uint64_t>(std::max(a, b));
        return lo << 32 | hi;
    }

    // For each edge of the map: a corner of the element that has the edge, not on the edge.
    void findOpposites(std::unordered_map<uint64_t, int32_t>& map) const {
        const int corners = model_.nodesPerElement == 3 || model_.nodesPerElement == 6 ? 3 : 4;
        for (size_t e = 0; e < model_.elementCount(); ++e) {
            const int32_t* n = &model_.elements[e * model_.nodesPerElement];
            for (int k = 0; k < corners; ++k) {
                const auto found = map.find(edgeKey(n[k], n[(k + 1) % corners]));
                if (found != map.end()) {
                    found->second = n[(k + 2) % corners];
                }
            }
        }
    }

    void applyPointLoads() {
        if (extent_ == ModelExtent::Piece && !ownedNodes_ && !problem_.pointLoads.empty()) {
            throw ModelError(problem_.path + ": point_load: a model held in pieces would apply it "
                                             "on every piece that holds the node; use a traction");
        }
        std::vector<char> applies(model_.nodeCount(), 1);
        for (size_t meshNode = 0; ownedNodes_ && meshNode < nodeIndex_.size(); ++meshNode) {
            if (nodeIndex_[meshNode] >= 0) {
                applies[nodeIndex_[meshNode]] = (*ownedNodes_)[meshNode];
            }
        }
        for (const PointLoadSpec& load : problem_.pointLoads) {
            for (int32_t node : groupNodes(load.group, problem_.path + ": point_load")) {
                if (!applies[node]) {
                    continue;
                }
                model_.externalForce[model_.displacementDof(node, 0)] += load.force[0];
                model_.externalForce[model_.displacementDof(node, 1)] += load.force[1];
            }
        }
    }

    const Mesh& mesh_;
    const Problem& problem_;
    const ElementTraits& element_;
    ModelExtent extent_;
    const std::vector<char>* ownedNodes_;
    const GmshTopology* type_ = nullptr;
    std::vector<int> gmshNode_;    // Gmsh node of each element node
    std::vector<int> elementNode_; // element node of each Gmsh node
    const ElementBlock* block_ = nullptr;
    std::vector<int32_t> nodeIndex_;
    Model model_;
};

} // namespace

int gmshTypeOfTopology(const std::string& topology) {
    const GmshTopology* t = findGmshTopology(topology);
    return t ? t->gmshType : 0;
}

std::string describeElement(const Model& model, size_t element) {
    std::ostringstream name;
    name << "element " << model.elementIds[element] << " (nodes";
    for (int k = 0; k < model.nodesPerElement; ++k) {
        name << " " << model.nodeIds[model.elements[element * model.nodesPerElement + k]];
    }
    name << ")";
    return name.str();
}

Model buildModel(const Mesh& mesh, const Problem& problem, const ElementTraits& element,
                 ModelExtent extent, const std::vector<char>* ownedNodes) {
    return ModelBuilder(mesh, problem, element, extent, ownedNodes).build();
}

} // namespace xefhost

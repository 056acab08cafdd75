// The discrete model the host solves: the element's mesh block, materials, constraints, loads.
#pragma once

#include "element_traits.h"
#include "mesh.h"
#include "model_errors.h"
#include "problem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace xefhost {

// Gmsh element type of an element topology code ("T1" -> 2), or 0 when the host has none.
int gmshTypeOfTopology(const std::string& topology);

// The one statement of which unknowns are the displacement: a node's first two unknowns are ux
// and uy, and the host takes elements with exactly these two unknowns per node (fixes, loads,
// reactions and results are displacement components).
constexpr int kDisplacementComponents = 2;

struct Model {
    int nodesPerElement = 0;
    int dofsPerNode = 0;
    int dataCount = 0;
    std::vector<double> coords;      // [nodes][3], only the nodes the elements use
    std::vector<int64_t> nodeIds;    // Gmsh node tag of each node
    std::vector<int32_t> elements;   // [elements][nodesPerElement]
    std::vector<int64_t> elementIds; // Gmsh element tag of each element
    std::vector<int> elementMaterial;
    std::vector<double> materials;  // [materials][dataCount]
    std::vector<char> fixed;        // [nodes * dofsPerNode]
    std::vector<double> prescribed; // [nodes * dofsPerNode], value where fixed
    std::vector<double> externalForce;
    std::vector<std::string> notes; // things the host changed or wants the user to know

    size_t nodeCount() const { return nodeIds.size(); }
    size_t elementCount() const { return elementIds.size(); }
    size_t dofCount() const { return nodeCount() * dofsPerNode; }
    // The unknown of displacement component c (0: x, 1: y) of a node.
    size_t displacementDof(size_t node, int c) const { return node * dofsPerNode + c; }
    const double* material(size_t element) const {
        return materials.data() + elementMaterial[element] * dataCount;
    }
};

// "element 17 (nodes 4 5 9)", by the mesh's numbers, as every message names an element.
std::string describeElement(const Model& model, size_t element);

// Whether the mesh is the whole model, or one process's piece of a model held in pieces: a piece
// may lack a group's nodes and lines, which the caller checks over every piece.
enum class ModelExtent { Whole, Piece };

// `ownedNodes`, for a piece: per mesh node, whether this piece owns it. A point load is applied
// by the owner of its node alone, since the pieces that share a node sum what they apply there;
// a piece without it takes no point loads.
Model buildModel(const Mesh& mesh, const Problem& problem, const ElementTraits& element,
                 ModelExtent extent = ModelExtent::Whole,
                 const std::vector<char>* ownedNodes = nullptr);

} // namespace xefhost

// A rank's piece of a distributed plex as a host Mesh: the plex as it stands, or the plex once
// more uniformly refined, made straight into the piece without building the refined plex.
//
// Both give the rank's cells, the vertices of their closure and the labelled lines and points
// among them, with the physical groups from the labels "Cell Sets", "Face Sets" and "Vertex Sets".
// Node tags are global vertex numbers plus one: each rank's owned vertices are numbered after
// those of the ranks before it, so a tag tells a node's block row and its owner. Element tags
// are global numbers plus one, the same on every rank that holds the element.
//
// The refinement made into the piece is the one `refineUniformly` makes: each fine vertex a
// coarse vertex, an edge's midpoint or a quadrilateral's centre, each cell cut into four at the
// midpoints of its sides (and at its centre), so its interpolation is the same as well. The host
// reads nothing of the finest mesh but the piece, and PETSc's transform builds a whole plex for it
// (edges, cell types, labels, the star forest), which took three quarters of distributing and
// refining the 0.8-million-triangle cantilever on two ranks.
#pragma once

#include "mesh.h"
#include "uniform_refinement.h"

#include <petscdm.h>

#include <limits>
#include <vector>

namespace xefhost {

inline constexpr const char* kCellSets = "Cell Sets";
inline constexpr const char* kFaceSets = "Face Sets";
inline constexpr const char* kVertexSets = "Vertex Sets";
// The "Cell Sets" value of a cell in no group: the label leaves out the cells of the most common
// group (`commonCellTag` below), and a label's values are positive.
inline constexpr int kNoGroup = std::numeric_limits<int>::max();

// Collective. This rank's piece of `dm`, with `groups` as its physical groups.
Mesh plexPiece(DM dm, int commonCellTag, const std::vector<PhysicalGroup>& groups);

// Collective. Per node of plexPiece(dm): whether this rank owns it.
std::vector<char> plexOwnedVertices(DM dm);

// The piece of `coarse` once uniformly refined. Collective when made: it numbers the fine
// vertices by a global section over the coarse points that become them. Reads `coarse`, which
// must outlive it.
class RefinedPiece {
  public:
    explicit RefinedPiece(DM coarse);

    // Collective.
    Mesh piece(int commonCellTag, const std::vector<PhysicalGroup>& groups) const;
    // Per node of piece(): whether this rank owns it.
    std::vector<char> ownedNodes() const;
    // Fine cells over all ranks.
    long long globalCellCount() const { return globalCells_; }
    // From the coarse vertices to the fine ones.
    VertexInterpolation interpolation() const;

  private:
    DM coarse_;
    PetscInt pStart_ = 0;
    std::vector<PetscInt> node_;   // per coarse point: the fine node it becomes, or -1
    std::vector<PetscInt> global_; // per fine node: its global number, -(number + 1) if not owned
    long long globalCells_ = 0, globalNodes_ = 0;
};

} // namespace xefhost

// A mesh that no rank holds whole. Rank 0's coarse mesh becomes a PETSc DMPlex whose labels carry
// the physical groups ("Cell Sets" for surfaces, "Face Sets" for lines, "Vertex Sets" for
// points, valued by physical tag); PETSc's partitioner distributes it and every refinement
// after that is uniform and parallel, so the fine mesh exists only in pieces. Each rank then sees
// its piece as a host Mesh, on which the model is built as on one process. The last refinement is
// made straight into that piece (plex_piece.h): no rank builds the finest plex.
#pragma once

#include "mesh.h"
#include "plex_piece.h"
#include "uniform_refinement.h"

#include <petscdm.h>

#include <memory>
#include <vector>

namespace xefhost {

class DistributedMesh {
  public:
    // Collective on PETSC_COMM_WORLD. `coarse` is read on rank 0 only; other ranks pass an empty
    // mesh. Takes 3-node triangles and 4-node quadrilaterals (with their 2-node lines and points);
    // throws MeshError on rank 0 for other kinds, and PetscError where PETSc fails.
    DistributedMesh(const Mesh& coarse, int refinements);
    ~DistributedMesh();
    DistributedMesh(const DistributedMesh&) = delete;
    DistributedMesh& operator=(const DistributedMesh&) = delete;

    // This rank's cells, the vertices and labelled lines and points of their closure, as a Mesh.
    // Node and element tags are global numbers plus one, the same on every rank that holds the
    // point; the physical groups are rank 0's.
    Mesh localPiece() const;
    // Per node of localPiece(): whether this rank owns it (each shared vertex has one owner).
    std::vector<char> ownedNodes() const;
    // Cells over all ranks.
    long long globalCellCount() const;
    // The interpolations between the vertices of successive refinements, coarsest first (empty
    // without refinement); the mesh keeps none after this.
    std::vector<VertexInterpolation> takeInterpolations();
    // The plex that the piece comes from: without refinement the mesh itself, its vertices in
    // order localPiece()'s nodes; otherwise the mesh before its last refinement.
    DM plex() const;

  private:
    struct Plex;
    std::unique_ptr<Plex> plex_;
    std::unique_ptr<RefinedPiece> refined_; // reads plex_, after the last refinement
    std::vector<VertexInterpolation> interpolations_;
    std::vector<PhysicalGroup> groups_;
    int commonCellTag_ = 0; // the group of every cell that the cell label leaves out
};

} // namespace xefhost

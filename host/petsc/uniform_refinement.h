// One uniform refinement of a distributed plex, with the interpolation that carries values at the
// coarse vertices to the fine ones. Each fine vertex is a coarse vertex, the midpoint of a coarse
// edge or the centre of a coarse quadrilateral, and takes weight 1, 1/2 from each end or 1/4
// from each corner: linear interpolation on the triangles, bilinear on the quadrilaterals. The
// multigrid solver takes these as its prolongations between the refined meshes; for elements
// with nodes at the corners of their cells they are the natural ones, and for any other they
// still make a convergent (if slower) multigrid, since CG corrects whatever they miss.
#pragma once

#include <petscdm.h>
#include <petscmat.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace xefhost {

struct MatDestroyer {
    void operator()(Mat m) const { MatDestroy(&m); }
};
using OwnedMat = std::unique_ptr<std::remove_pointer_t<Mat>, MatDestroyer>;

// What one refinement made of this rank's fine vertices: each one that the rank owns, in the
// order of their global numbers, and the coarse vertices (global numbers, sorted)
// it takes equal weights from.
struct VertexInterpolation {
    PetscInt rows = 0;           // the fine vertices this rank owns
    PetscInt columns = 0;        // the coarse vertices this rank owns
    std::vector<PetscInt> start; // [rows + 1]: each row's first parent
    std::vector<PetscInt> parents;
};

// Collective. Returns the refined plex (the caller destroys it) and the interpolation from
// coarse's vertices to its vertices.
DM refineUniformly(DM coarse, VertexInterpolation& interpolation);

// Collective. The prolongation of an interpolation over `unknownsPerNode` interleaved unknowns
// per node: row i * unknownsPerNode + c takes row i's weights on the coarse unknowns of
// component c. An AIJ matrix of that block size, which every parallel Galerkin product takes.
OwnedMat prolongationMatrix(const VertexInterpolation& interpolation, PetscInt unknownsPerNode);

} // namespace xefhost

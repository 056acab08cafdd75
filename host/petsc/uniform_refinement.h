// One uniform refinement of a distributed plex, with the interpolation that carries values at the
// coarse vertices to the fine ones. Each fine vertex is a coarse vertex, the midpoint of a coarse
// edge or the centre of a coarse quadrilateral, and takes weight 1, 1/2 from each end or 1/4
// from each corner: linear interpolation on the triangles, bilinear on the quadrilaterals. The
// multigrid solver uses these matrices as its prolongations between the refined meshes, for
// elements with nodes at the corners of their cells.
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

// The prolongation of each refinement, coarsest first: row i of step k is the fine vertex with
// global number i after k + 1 refinements, its columns the vertices of the mesh before.
using Prolongations = std::vector<OwnedMat>;

// Collective. Returns the refined plex (the caller destroys it) and sets `prolongation` to the
// interpolation from coarse's vertices to its vertices, each row on the rank that owns the vertex.
DM refineUniformly(DM coarse, OwnedMat& prolongation);

// Collective. A vertex prolongation spread over `unknownsPerNode` interleaved unknowns per node:
// row i * unknownsPerNode + c takes the weights of row i on the coarse unknowns of component c.
// Its block size is unknownsPerNode, so that the Galerkin operators built with it keep that.
OwnedMat spreadOverUnknowns(Mat vertexProlongation, PetscInt unknownsPerNode);

} // namespace xefhost

/* The MOLR element's kernels: a 3-node plane-strain linear-elastic triangle with two displacement
 * unknowns per node, ordered (ux1, uy1, ux2, uy2, ux3, uy3). Hosts reach them only through the
 * addresses XEFSetElSpec stores in ElSpec; element authors linking the static library may call them
 * directly. Neither kernel checks its input nor allocates. */
#ifndef MOLR_ELEMENT_H
#define MOLR_ELEMENT_H

#include "XEFRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Adds the internal force into p[0..5] and the stiffness into the upper triangle s[i][j], j >= i.
 * Reads es->data[0..1] (E, nu), es->intPointCount, the weights es->intPoints[4g+3], and
 * nv[k]->coords[0..1], nv[k]->current[0..1]. Uses at most v[0..227]. */
void SKR(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
         int* idata, double* p, double** s);

/* Assigns gpost[g][0..5] = (Dxx, Dxy, Dyy, Sxx, Sxy, Syy) for every point,
 * npost[k][0..3] = (ux, uy, ux, uy) for every node, and ed->storedReals[0..2] = the area-weighted
 * stresses (xx, yy, xy). Uses at most v[0..148]. */
void SPP(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
         int* idata, double** gpost, double** npost);

#ifdef __cplusplus
}
#endif

#endif

/* The NEOHOOKE element's kernels: a 3-node plane-strain triangle of compressible neo-Hookean
 * material, total Lagrangian, two displacement unknowns per node ordered (ux1, uy1, ux2, uy2, ux3,
 * uy3). The host reaches them only through the addresses XEFSetElSpec stores in ElSpec. Neither
 * kernel checks its input, allocates or touches the work vector: an inverted or degenerate
 * triangle (det F <= 0, zero area) and nu = 0.5 or -1 give whatever IEEE arithmetic gives. */
#ifndef NEOHOOKE_ELEMENT_H
#define NEOHOOKE_ELEMENT_H

#include "XEFRecords.h"

namespace neohooke {

/* Adds the internal force into p[0..5] and the consistent tangent (material and geometric terms)
 * into the upper triangle s[i][j], j >= i. Reads es->data[0..1] (E, nu), es->intPointCount, the
 * weights es->intPoints[4g+3], nv[k]->coords[0..1] and nv[k]->current[0..1]. */
void tangentKernel(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv,
                   double* rdata, int* idata, double* p, double** s);

/* Assigns every point row gpost[g][0..12] = (Fxx, Fxy, Fyx, Fyy, J, Cauchy xx, yy, xy, zz,
 * nominal Pxx, Pxy, Pyx, Pyy) and every node row npost[k][0..3] = (ux, uy, x, y), the last two
 * the deformed position. Leaves ed->storedReals alone. */
void postKernel(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
                int* idata, double** gpost, double** npost);

constexpr int kPointValueCount = 13;
constexpr int kNodeValueCount = 4;

} // namespace neohooke

#endif

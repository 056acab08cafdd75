// Closed-form kernels of the plane-strain linear-elastic constant-strain triangle, derived afresh
// from B (shape-function derivatives) and the plane-strain D, on plain arrays and without records.
// They set the cost a kernel of this element should have; the library's kernels are measured
// against them. They live in their own file so that the benchmark loop calls them as it calls a
// library kernel, one out-of-line call per element.
#pragma once

namespace molrbench {

struct Material {
    double E;
    double nu;
};

// xyz: x, y, z of the three nodes; u: (ux1, uy1, ux2, uy2, ux3, uy3). The material is read from
// memory, as the library reads it from the record: passed by value, GCC spilled E and nu one by one
// and reloaded them as one 16-byte value, a store-forwarding stall that slowed the post reference
// by half. Adds area B^T sigma into p[6] and the upper triangle of area B^T D B into K[6][6]
// (row-major).
void referenceTangent(const double xyz[9], const double u[6], const Material& m, double p[6],
                      double K[36]);

// Assigns each of the points rows (exx, exy, eyy, sxx, sxy, syy) with exy the tensor shear strain,
// the three node rows (ux, uy, ux, uy) and the area-weighted stresses (xx, yy, xy).
void referencePost(const double xyz[9], const double u[6], const Material& m, int points,
                   double pointRows[][6], double nodeRows[3][4], double stored[3]);

} // namespace molrbench

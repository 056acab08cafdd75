// TEMPLATE: a 3-node plane-strain linear-elastic triangle, the smallest complete element library
// for a host that loads elements through XEFSetElSpec. Copy this folder, rename the code name and
// the library, then change the material law and the kernels; the contract with the host stays:
//
//  - The library exports XEFSetElSpec and nothing else: extern "C", marked XEF_EXPORT, everything
//    else compiled with hidden visibility (see CMakeLists.txt).
//  - XEFSetElSpec fills the host's description record ElSpec (element/XEFRecords.h, every field at
//    a pinned byte offset) and returns 0. The host owns the record and allocates it zeroed; a field
//    left alone stays zero, and the `host*` byte ranges are never written.
//  - The tangent kernel ADDS the internal force into p[0..5] and the stiffness into the upper
//    triangle s[i][j], j >= i. The host clears both before each call; adding lets the kernel
//    build them up point by point without a copy of its own.
//  - The post kernel ASSIGNS gpost[g][0..5] for every integration point g, npost[k][0..1] for every
//    node k and ed->storedReals[0..2].
//  - The host hands each call a work vector of 8192 reals, not cleared between calls. This element
//    uses none of it: its few temporaries live on the stack. An element that needs more scratch
//    than the stack should hold takes it from v and says how much (`xefhost check --work-size N`
//    holds it to that).
//  - Hosts call the kernels from several threads at once, each thread with its own records,
//    outputs and work vector, so the library keeps no writable global state: every table below
//    is const.
#include "XEFRecords.h"
#include "XEMUtility.h"

namespace {

// Unknowns are numbered node by node: (ux1, uy1, ux2, uy2, ux3, uy3).
constexpr int kNodes = 3;
constexpr int kDofs = 2 * kNodes;
constexpr int kData = 2;
constexpr int kPointValues = 6;
constexpr int kNodalValues = 2;

// The centroid rule of the catalogue (one point, weight 1/2) integrates a constant-strain triangle
// exactly; a host may still ask for any other code, so the kernels loop over whatever points come.
constexpr int kDefaultIntCode = 12;

// A data name is the symbol the host shows, " -", and an explanation; "$[Nu]$" is the host's
// escape for the Greek letter. A problem file names each datum by its symbol in lower case ASCII
// (`e`, `nu`), and the host checks E > 0 and -1 < nu < 1/2 for data named so.
const char* const kDataNames[kData] = {"E -Young's modulus", "$[Nu]$ -Poisson's ratio"};
// Used only when the host asks for defaults (dataMode -1), as the check bench does.
const double kDefaultData[kData] = {1000.0, 0.25};

// Tensor strains and stresses, named as the host looks them up for its error norms and its von
// Mises picture (Dxx, Dyy, Dxy, Sigmaxx, ...); the order is the element's own.
const char* const kPointNames[kPointValues] = {"Dxx",         "Dyy",         "Dxy",
                                               "$[Sigma]$xx", "$[Sigma]$yy", "$[Sigma]$xy"};
const char* const kNodalNames[kNodalValues] = {"u", "v"};
const int kNodeDofs[kNodes] = {2, 2, 2};
// "D": a node that carries displacements.
const char* const kNodeIds[kNodes] = {"D", "D", "D"};

// The shape-function gradients of the linear triangle, constant over the element: b = dN/dx,
// c = dN/dy, and J, twice the signed area. The host numbers the nodes counter-clockwise, so J > 0;
// it also refuses degenerate triangles, which is why nothing here guards the division.
struct Gradients {
    double J;
    double b[kNodes];
    double c[kNodes];
};

Gradients gradients(NodeValues* const* nv) {
    const double x1 = nv[0]->coords[0], y1 = nv[0]->coords[1];
    const double x2 = nv[1]->coords[0], y2 = nv[1]->coords[1];
    const double x3 = nv[2]->coords[0], y3 = nv[2]->coords[1];
    Gradients g;
    g.J = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    g.b[0] = (y2 - y3) / g.J;
    g.b[1] = (y3 - y1) / g.J;
    g.b[2] = (y1 - y2) / g.J;
    g.c[0] = (x3 - x2) / g.J;
    g.c[1] = (x1 - x3) / g.J;
    g.c[2] = (x2 - x1) / g.J;
    return g;
}

// Column i of B, the strain (exx, eyy, gamma_xy) that unknown i alone produces.
void strainOfUnknown(const Gradients& g, int i, double e[3]) {
    const int node = i / 2;
    const bool isX = i % 2 == 0;
    e[0] = isX ? g.b[node] : 0.0;
    e[1] = isX ? 0.0 : g.c[node];
    e[2] = isX ? g.c[node] : g.b[node];
}

// Engineering strain (exx, eyy, gamma_xy) of the current unknowns.
void strain(const Gradients& g, NodeValues* const* nv, double e[3]) {
    e[0] = e[1] = e[2] = 0.0;
    for (int i = 0; i < kDofs; ++i) {
        double column[3];
        strainOfUnknown(g, i, column);
        const double u = nv[i / 2]->current[i % 2];
        for (int r = 0; r < 3; ++r) {
            e[r] += column[r] * u;
        }
    }
}

// Plane-strain Hooke's law: (sxx, syy, sxy) = D (exx, eyy, gamma_xy). The material is es->data,
// the host's copy for the element's material, or kDefaultData.
void stress(const double* data, const double e[3], double s[3]) {
    const double E = data[0];
    const double nu = data[1];
    const double f = E / ((1.0 + nu) * (1.0 - 2.0 * nu));
    s[0] = f * ((1.0 - nu) * e[0] + nu * e[1]);
    s[1] = f * (nu * e[0] + (1.0 - nu) * e[1]);
    s[2] = f * (0.5 - nu) * e[2];
}

double dot3(const double a[3], const double b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Internal force p += sum over points of dV B^T sigma and stiffness K += sum of dV B^T D B, with
// dV = w J: the host's weights already carry the reference triangle's area of 1/2. Reads only
// es->data, es->intPointCount, es->intPoints, nv[k]->coords and nv[k]->current; ns, rdata and
// idata are not needed (xefhost passes a null rdata).
void tangent(double* /*v*/, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/, NodeValues** nv,
             double* /*rdata*/, int* /*idata*/, double* p, double** s) {
    const Gradients g = gradients(nv);
    double e[3], sigma[3];
    strain(g, nv, e);
    stress(es->data, e, sigma);
    double B[kDofs][3], DB[kDofs][3];
    for (int i = 0; i < kDofs; ++i) {
        strainOfUnknown(g, i, B[i]);
        stress(es->data, B[i], DB[i]);
    }
    for (int q = 0; q < es->intPointCount; ++q) {
        const double dV = es->intPoints[4 * q + 3] * g.J;
        for (int i = 0; i < kDofs; ++i) {
            p[i] += dV * dot3(B[i], sigma);
            // The host reads the upper triangle only, diagonal included, and mirrors it.
            for (int j = i; j < kDofs; ++j) {
                s[i][j] += dV * dot3(B[i], DB[j]);
            }
        }
    }
}

// Point values: the strain and stress are the same at every point of this element, but the host
// sizes gpost by the points of the code in use, so every row is assigned. The stored reals are the
// element's integrals of (sxx, syy, sxy): a host sums them over a region and divides by its area.
void post(double* /*v*/, ElSpec* es, ElRecord* ed, NodeKind** /*ns*/, NodeValues** nv,
          double* /*rdata*/, int* /*idata*/, double** gpost, double** npost) {
    const Gradients g = gradients(nv);
    double e[3], sigma[3];
    strain(g, nv, e);
    stress(es->data, e, sigma);
    double area = 0.0;
    for (int q = 0; q < es->intPointCount; ++q) {
        double* row = gpost[q];
        row[0] = e[0];
        row[1] = e[1];
        row[2] = 0.5 * e[2]; // the host's Dxy is the tensor shear strain
        row[3] = sigma[0];
        row[4] = sigma[1];
        row[5] = sigma[2];
        area += es->intPoints[4 * q + 3] * g.J;
    }
    for (int k = 0; k < kNodes; ++k) {
        npost[k][0] = nv[k]->current[0];
        npost[k][1] = nv[k]->current[1];
    }
    for (int r = 0; r < 3; ++r) {
        ed->storedReals[r] = area * sigma[r];
    }
}

} // namespace

// The description. The host calls it once per material with dataMode 0 and es->data already set,
// and once with dataMode -1 when it wants the defaults; intCode -1 asks for kDefaultIntCode.
// Integration points (es->intPoints) are the host's to build from the code; the element only
// states how many there are, through the utility layer's catalogue.
extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    es->codeName = "TEMPLATE";
    es->tangentKernel = tangent;
    es->postKernel = post;

    es->dimensions = 2;
    es->topology = "T1";
    es->nodeCount = kNodes;
    es->dofCount = kDofs; // the sum of nodeDofs
    es->nodeDofs = kNodeDofs;
    es->nodeIds = kNodeIds;
    // The host places integration points and nodes in this reference frame (area coordinates).
    es->referenceNodes = XEFSetReferenceNodes("T1");

    es->dataCount = kData;
    es->dataNames = kDataNames;
    if (dataMode == -1) {
        es->data = kDefaultData;
    }

    es->gpostCount = kPointValues;
    es->gpostNames = kPointNames;
    es->npostCount = kNodalValues;
    es->npostNames = kNodalNames;

    es->defaultIntCode = kDefaultIntCode;
    es->intCode = intCode == -1 ? kDefaultIntCode : intCode;
    // intPointCount is the product of the component rules' counts; an unknown code gives none.
    XEFMultiIntPoints(&es->intCode, idata, &es->intPointCount, &es->rulePoints[0],
                      &es->rulePoints[1], &es->rulePoints[2], 0);
    return 0;
}

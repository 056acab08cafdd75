// A plane-strain triangle with one deliberate fault, chosen by a compile definition, to prove that
// `xefhost check` finds it. The kernels wrap MOLR's, so the fault is the only thing that differs
// from an element known to be right; without a definition the library is that element.
#include "MOLR.h"
#include "XEMUtility.h"
#include "molr_strain_state.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

namespace {

const char* const dataNames[2] = {"E -Young", "$[Nu]$ -Poisson"};
const double defaults[2] = {1.0, 0.49};
const char* const pointNames[6] = {"Dxx",         "Dxy",         "Dyy",
                                   "$[Sigma]$xx", "$[Sigma]$xy", "$[Sigma]$yy"};
const char* const nodalNames[4] = {"DeformedMeshX", "DeformedMeshY", "u", "v"};
const int nodeDofs[3] = {2, 2, 2};
const double referenceNodes[9] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};

#if defined(MOLR_FAULT_MISSING_NAME)
const char* const nodeIds[3] = {"D", "", "D"};
#else
const char* const nodeIds[3] = {"D", "D", "D"};
#endif

#if defined(MOLR_FAULT_ROTATION_SPRING) || defined(MOLR_FAULT_AXIS_BIAS)
// Adds the energy spring * w^2 / 2 of a measure w = d . u that is linear in the unknowns: a
// consistent, symmetric addition to residual and tangent.
void addSpring(ElSpec* es, NodeValues** nv, const molr::TriangleKinematics& k, const double d[6],
               double* p, double** s) {
    double w = 0.0;
    for (int n = 0; n < 3; ++n) {
        w += d[2 * n] * nv[n]->current[0] + d[2 * n + 1] * nv[n]->current[1];
    }
    const double spring = 0.1 * es->data[0] * molr::weightSum(es) * k.J;
    for (int i = 0; i < 6; ++i) {
        p[i] += spring * w * d[i];
        for (int j = i; j < 6; ++j) {
            s[i][j] += spring * d[i] * d[j];
        }
    }
}
#endif

#if defined(MOLR_FAULT_ROTATION_SPRING)
// A spring on the infinitesimal rotation (dv/dx - du/dy)/2: frame invariant, but the element no
// longer turns freely.
void restrainRotation(ElSpec* es, NodeValues** nv, double* p, double** s) {
    const molr::TriangleKinematics k = molr::triangleKinematics(nv);
    const double d[6] = {-0.5 * k.c[0], 0.5 * k.b[0],  -0.5 * k.c[1],
                         0.5 * k.b[1],  -0.5 * k.c[2], 0.5 * k.b[2]};
    addSpring(es, nv, k, d, p, s);
}
#elif defined(MOLR_FAULT_AXIS_BIAS)
// A spring on the strain along the global x axis: rigid motions and linear fields are still
// right, but the material now has a direction fixed to the coordinate system.
void stiffenAlongX(ElSpec* es, NodeValues** nv, double* p, double** s) {
    const molr::TriangleKinematics k = molr::triangleKinematics(nv);
    const double d[6] = {k.b[0], 0.0, k.b[1], 0.0, k.b[2], 0.0};
    addSpring(es, nv, k, d, p, s);
}
#endif

void tangent(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
             int* idata, double* p, double** s) {
    SKR(v, es, ed, ns, nv, rdata, idata, p, s);
#if defined(MOLR_FAULT_TANGENT_ENTRY)
    // One entry of the upper triangle off by 5 % of a diagonal entry; the residual is right.
    s[1][4] += 0.05 * s[1][1];
#elif defined(MOLR_FAULT_ROTATION_SPRING)
    restrainRotation(es, nv, p, s);
#elif defined(MOLR_FAULT_AXIS_BIAS)
    stiffenAlongX(es, nv, p, s);
#elif defined(MOLR_FAULT_WORK_OVERRUN)
    // Keeps an intermediate value past the 228 reals the element is meant to need.
    v[300] = p[0];
#elif defined(MOLR_FAULT_STALE_WORK)
    // Accumulates into the work vector without clearing it first.
    v[0] += p[0];
    p[0] = v[0];
#elif defined(MOLR_FAULT_STRAY_POINTER)
    // Stores through a pointer that was never set to anything valid.
    static double* volatile stray = reinterpret_cast<double*>(std::uintptr_t{64});
    *stray = p[0];
#elif defined(MOLR_FAULT_ENDLESS_LOOP)
    // Waits for a condition that no call ever sets.
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
#elif defined(MOLR_FAULT_RESIDUAL_OVERRUN)
    // Counts the unknowns from 1: one real past the residual.
    p[es->dofCount] = p[0];
#elif defined(MOLR_FAULT_MATRIX_OVERRUN)
    // One column too many in the last row: one real past the matrix.
    s[es->dofCount - 1][es->dofCount] = s[0][0];
#elif defined(MOLR_FAULT_FAR_OVERRUN)
    // Indexes the residual with another array's stride: 64 reals past it.
    p[es->dofCount + 63] = p[0];
#elif defined(MOLR_FAULT_NONDETERMINISTIC)
    // A call counter kept between calls nudges every other result in its last bits.
    static std::atomic<unsigned> calls{0};
    if (++calls % 2 == 0) {
        p[0] += std::ldexp(p[0], -50);
    }
#else
    (void)v;
#endif
}

#if defined(MOLR_FAULT_POINT_OVERRUN)
void post(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
          int* idata, double** gpost, double** npost) {
    SPP(v, es, ed, ns, nv, rdata, idata, gpost, npost);
    // One result more than the element declares, at its last point.
    gpost[es->intPointCount - 1][es->gpostCount] = gpost[0][0];
}
#endif

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    es->codeName = "FAULTY";
    es->tangentKernel = tangent;
#if defined(MOLR_FAULT_NULL_KERNEL)
    es->postKernel = nullptr;
#elif defined(MOLR_FAULT_POINT_OVERRUN)
    es->postKernel = post;
#else
    es->postKernel = SPP;
#endif
#if defined(MOLR_FAULT_THREE_D)
    es->dimensions = 3;
#else
    es->dimensions = 2;
#endif
    es->dofCount = 6;
    es->nodeCount = 3;
    es->dataCount = 2;
    es->gpostCount = 6;
    es->npostCount = 4;
    es->topology = "T1";
    es->dataNames = dataNames;
    es->gpostNames = pointNames;
    es->npostNames = nodalNames;
    es->nodeIds = nodeIds;
    es->nodeDofs = nodeDofs;
    es->referenceNodes = referenceNodes;
    if (dataMode == -1) {
        es->data = defaults;
    }
    es->defaultIntCode = 35;
    es->intCode = intCode == -1 ? 35 : intCode;
    XEFMultiIntPoints(&es->intCode, idata, &es->intPointCount, &es->rulePoints[0],
                      &es->rulePoints[1], &es->rulePoints[2], 0);
#if defined(MOLR_FAULT_FIXED_POINT_COUNT)
    // Counts the default rule whatever code was asked for.
    es->intPointCount = 3;
    es->rulePoints[0] = 3;
#endif
    return 0;
}

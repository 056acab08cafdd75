/* Utility layer for element code: integration codes and rules, reference nodes, dense helpers,
 * static condensation, sensitivity contraction, message limiting and time.
 *
 * Every routine has C linkage and none is exported from the element library; element authors link
 * the static library. Integers are passed by address where the host's calling form does so.
 * Reals are summed one term at a time in ascending index order from +0.0 (no fused multiply-add),
 * so results are bitwise the same on every machine. */
#ifndef MOLR_XEM_UTILITY_H
#define MOLR_XEM_UTILITY_H

#include "XEFRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Integration codes and point counts --------------------------------------------------- */

/* Dimension and point count of single rules 1..43, indexed by code; entries 0 and 44..47 are 0. */
extern const int nd[48];
extern const int ng[48];

/* Counts the points of any integration code (single 1..43, or two or three rules in groups of three
 * decimal digits, lowest group first) into *total and the three component counts. With flag 0 it
 * returns null and touches nothing else; with a non-zero flag it also returns the points: the
 * library's own table for a single code, or a calloc'ed block of [total][4] reals that the caller
 * frees for a composite code (null if calloc fails). A composite of more than three dimensions is
 * reported on standard output and in IData entry 8 (set to 3); its block is returned all zero. */
double* XEFMultiIntPoints(const int* code, int* idata, int* total, int* count1, int* count2,
                          int* count3, int flag);

/* ---- Integration rule catalogue, composite rules, reference nodes ------------------------- */

/* Rule code (1..43) -> its table of [count][4] reals (xi, eta, zeta, weight), owned by the library;
 * any other code gives null and a count of 0. */
const double* XEFIntPoints(const int* code, int* count);

/* Topology code ("T1", "Q2S", ...) -> its reference-node table, three reals per node, or null. */
const double* XEFSetReferenceNodes(const char* code);

/* The 18 topology codes in lookup order, and each topology's reference nodes: three reals per node
 * in element node order (area coordinates for triangles, all three stored). */
extern const char* const Topology[18];
extern const double topL1[6];
extern const double topL2[9];
extern const double topT1[9];
extern const double topT2[18];
extern const double topQ1[12];
extern const double topQ2[27];
extern const double topC1[6];
extern const double topC2[9];
extern const double topP1[9];
extern const double topP2[18];
extern const double topS1[12];
extern const double topS2[24];
extern const double topO1[12];
extern const double topO2[30];
extern const double topH1[24];
extern const double topH2[81];
extern const double topQ2S[24];
extern const double topH2S[60];

/* ---- Vector helpers ------------------------------------------------------------------------ */

double XEMDot(const double* a, const double* b, int n);
double XEMSum(const double* a, int n);
/* a[q-1] when numerator is exactly q times denominator with 1 <= q <= n, otherwise +0.0. */
double XEMDeltaPart(const double* a, int numerator, int denominator, int n);
/* Copies source[0..n-1] to destination element by element in ascending order (source first). */
void XEMMove(const double* source, double* destination, int n);
void XEMZero(double* a, int n);
double XEMIsDOFConstrained(int status, double ifConstrained, double ifFree);

/* ---- Static condensation ------------------------------------------------------------------- */

/* K: [r+c] row pointers, R: [r+c]; condenses the trailing c unknowns in place.
 * condensedResidual: [c]; coupling: [c][r] row-major; error: 0, or the failing pivot's row. */
void XEMCondense(double** K, double* R, double* condensedResidual, double* coupling,
                 int retainedCount, int condensedCount, int* error);
/* condensedUnknowns: [c], condensedResidual on entry, x_c on return; coupling: [c][r];
 * retainedUnknowns: [r]. */
void XEMRecover(double* condensedUnknowns, const double* coupling, const double* retainedUnknowns,
                int retainedCount, int condensedCount);

/* ---- Sensitivity contraction --------------------------------------------------------------- */

/* tensor: [n][n][n] with n = es->dofCount; rows: pair vectors then gathered vectors (see IData
 * entries SensPairFirst..SensParameterCount). */
void SensDotProduct(ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, int* idata,
                    const double* tensor, double** rows, int symmetric);

/* ---- Messages and time --------------------------------------------------------------------- */

/* 1: the caller may emit its message on channel (1 console, 2 host, 3 log file) now; 0: not. */
int XEMCheckPrint(int channel, int* idata, HostLink* link, int mode);
/* Wall-clock seconds since the epoch, milliseconds as the fraction. */
double Time(void);

#ifdef __cplusplus
}
#endif

#endif

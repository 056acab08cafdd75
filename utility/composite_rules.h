/* Tensor-product rules built from two or three catalogue rules. */
#ifndef MOLR_COMPOSITE_RULES_H
#define MOLR_COMPOSITE_RULES_H

#ifdef __cplusplus
extern "C" {
#endif

/* Builds the product of the componentCount (2 or 3) rules `components`, lowest group of the code
 * first, into a calloc'ed block of [total][4] reals that the caller frees. If their dimensions add
 * up to more than 3 the block stays zero, the error is printed on standard output naming `code`,
 * and IData entry 8 is set to 3. Null when calloc gives nothing. */
double* xefBuildCompositeRule(int code, const int components[3], int componentCount, int total,
                              int* idata);

#ifdef __cplusplus
}
#endif

#endif

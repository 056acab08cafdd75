// What the two factorizations (whole matrix, or two halves and a separator) share in calling
// CHOLMOD.
#pragma once

#include "cholmod_holders.h"

#include <suitesparse/cholmod.h>

#include <cstdint>
#include <string>

namespace xefhost {

// Supernodal Cholesky of a matrix already numbered in a postordered fill-reducing order: no
// second ordering and no permuted or transposed copy of it.
void configureFactor(CholmodCommon& common);

// A view of the lower triangle, compressed by column, sorted and packed: no copy.
void describeLower(cholmod_sparse& A, int32_t size, const int32_t* columnStart,
                   const int32_t* rowIndex, const double* values);

// A view of a vector as a CHOLMOD dense column: no copy.
void describeColumn(cholmod_dense& B, size_t size, const double* values);

// What a failed CHOLMOD call's status means for the user.
std::string cholmodFailure(const cholmod_common& common);

} // namespace xefhost

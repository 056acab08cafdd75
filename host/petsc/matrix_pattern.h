// The stiffness matrix's pattern on a mesh held in pieces, and matrices made from rows that the
// host lays out itself.
//
// A rank's own block rows couple through its own elements and through the elements of every other
// rank that holds the row's node. Those couplings go to the row's owner over a star forest, so
// each owner knows its rows exactly; the matrix is then made from compressed rows that the host
// lays out itself, in the arrays PETSc keeps (the diagonal block with local columns, the rest with
// global ones), as are the multigrid's prolongations. Inserting the pattern through MatSetValues
// took three quarters of the matrix's set-up on the 0.8-million-triangle cantilever, and its
// preallocation counted each coupling on a partition boundary once per rank that sees it.
#pragma once

#include <petscmat.h>

#include <cstdint>
#include <vector>

namespace xefhost {

// Block rows in compressed form: each row's global block columns, sorted.
struct BlockRows {
    std::vector<PetscInt> start{0};
    std::vector<PetscInt> column;
};

// Collective. The block rows of this rank's own nodes, rows first..last-1 of the matrix (in
// `firstBlock`, each rank's first block row, with the total last). Per local node: `block`, its
// global block row; `neighbours` (from `start`), the local nodes it shares an element with, itself
// included, sorted, no repeats; `slot`, its own row less first, or -(1 + k) where another rank owns
// it, k counting those nodes in order.
BlockRows ownedBlockRows(const std::vector<size_t>& start, const std::vector<int32_t>& neighbours,
                         const std::vector<PetscInt>& block, const std::vector<PetscInt>& slot,
                         const std::vector<PetscInt>& firstBlock);

// Rows in compressed form with global columns, sorted within each row, and their values.
struct CompressedRows {
    std::vector<PetscInt> start{0};
    std::vector<PetscInt> column;
    std::vector<PetscScalar> value;
};

// Collective. The AIJ matrix whose rows on this rank are `rows`, and which gives this rank
// `localColumns` columns (the ranks' columns follow each other in rank order), of block size
// `blockSize`. It owns its arrays.
Mat matrixFromRows(PetscInt localColumns, PetscInt blockSize, CompressedRows rows);

// Collective. The square matrix on the block rows of ownedBlockRows, `blockSize` unknowns to a
// block (interleaved), every entry zero; later insertions outside the pattern are errors.
Mat matrixOnPattern(const BlockRows& rows, PetscInt blockSize);

} // namespace xefhost

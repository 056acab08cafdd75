#include "matrix_pattern.h"

#include "petsc_runtime.h"

#include <petscsf.h>

#include <algorithm>
#include <memory>
#include <string>

namespace xefhost {

namespace {

struct StarForest {
    PetscSF sf = nullptr;
    StarForest() { requirePetsc(PetscSFCreate(PETSC_COMM_WORLD, &sf), "sending the couplings"); }
    ~StarForest() { PetscSFDestroy(&sf); }
    StarForest(const StarForest&) = delete;
    StarForest& operator=(const StarForest&) = delete;
    void connect(PetscInt roots, std::vector<PetscSFNode>& remote) {
        requirePetsc(PetscSFSetGraph(sf, roots, static_cast<PetscInt>(remote.size()), nullptr,
                                     PETSC_COPY_VALUES, remote.data(), PETSC_COPY_VALUES),
                     "sending the couplings");
        requirePetsc(PetscSFSetUp(sf), "sending the couplings");
    }
};

// The matrix's compressed rows, which PETSc reads in place and never frees: they go with the
// matrix, through a container composed with it.
struct Arrays {
    std::vector<PetscInt> i, j, oi, oj;
    std::vector<PetscScalar> a, oa;
};

PetscErrorCode destroyArrays(void* arrays) {
    delete static_cast<Arrays*>(arrays);
    return 0;
}

} // namespace

BlockRows ownedBlockRows(const std::vector<size_t>& start, const std::vector<int32_t>& neighbours,
                         const std::vector<PetscInt>& block, const std::vector<PetscInt>& slot,
                         const std::vector<PetscInt>& firstBlock) {
    const size_t nodes = slot.size();
    const int self = thisRank();
    const PetscInt owned = firstBlock[self + 1] - firstBlock[self];

    // Each node that another rank owns sends its couplings to that rank: first how many, which
    // reserves each sender its place among the row's arrivals (a fetch-and-add at the row), then
    // the couplings themselves, each to its place.
    std::vector<PetscSFNode> owners;
    std::vector<PetscInt> sentCount;
    for (size_t n = 0; n < nodes; ++n) {
        if (slot[n] < 0) {
            const int owner =
                static_cast<int>(std::upper_bound(firstBlock.begin(), firstBlock.end(), block[n]) -
                                 firstBlock.begin() - 1);
            owners.push_back({owner, block[n] - firstBlock[owner]});
            sentCount.push_back(static_cast<PetscInt>(start[n + 1] - start[n]));
        }
    }
    StarForest rowsOfHalo;
    rowsOfHalo.connect(owned, owners);
    std::vector<PetscInt> arrivals(static_cast<size_t>(owned), 0), place(sentCount.size(), 0);
    requirePetsc(PetscSFFetchAndOpBegin(rowsOfHalo.sf, MPIU_INT, arrivals.data(), sentCount.data(),
                                        place.data(), MPI_SUM),
                 "counting the couplings");
    requirePetsc(PetscSFFetchAndOpEnd(rowsOfHalo.sf, MPIU_INT, arrivals.data(), sentCount.data(),
                                      place.data(), MPI_SUM),
                 "counting the couplings");
    std::vector<PetscInt> arrivalStart(static_cast<size_t>(owned) + 1, 0);
    for (PetscInt row = 0; row < owned; ++row) {
        arrivalStart[row + 1] = arrivalStart[row] + arrivals[row];
    }
    std::vector<PetscInt> rowStartThere(sentCount.size(), 0);
    requirePetsc(PetscSFBcastBegin(rowsOfHalo.sf, MPIU_INT, arrivalStart.data(),
                                   rowStartThere.data(), MPI_REPLACE),
                 "counting the couplings");
    requirePetsc(PetscSFBcastEnd(rowsOfHalo.sf, MPIU_INT, arrivalStart.data(), rowStartThere.data(),
                                 MPI_REPLACE),
                 "counting the couplings");

    std::vector<PetscSFNode> destinations;
    std::vector<PetscInt> sent;
    for (size_t n = 0, h = 0; n < nodes; ++n) {
        if (slot[n] >= 0) {
            continue;
        }
        for (size_t k = start[n]; k < start[n + 1]; ++k) {
            destinations.push_back({owners[h].rank, rowStartThere[h] + place[h] +
                                                        static_cast<PetscInt>(k - start[n])});
            sent.push_back(block[static_cast<size_t>(neighbours[k])]);
        }
        ++h;
    }
    StarForest couplings;
    couplings.connect(arrivalStart[owned], destinations);
    std::vector<PetscInt> arrived(static_cast<size_t>(arrivalStart[owned]));
    requirePetsc(
        PetscSFReduceBegin(couplings.sf, MPIU_INT, sent.data(), arrived.data(), MPI_REPLACE),
        "sending the couplings");
    requirePetsc(PetscSFReduceEnd(couplings.sf, MPIU_INT, sent.data(), arrived.data(), MPI_REPLACE),
                 "sending the couplings");

    // Each own row: its node's couplings here and those that arrived, merged.
    std::vector<size_t> nodeOfRow(static_cast<size_t>(owned));
    for (size_t n = 0; n < nodes; ++n) {
        if (slot[n] >= 0) {
            nodeOfRow[static_cast<size_t>(slot[n])] = n;
        }
    }
    BlockRows rows;
    rows.start.reserve(static_cast<size_t>(owned) + 1);
    rows.column.reserve(start[nodes] + arrived.size());
    for (PetscInt row = 0; row < owned; ++row) {
        const size_t n = nodeOfRow[row];
        const size_t first = rows.column.size();
        for (size_t k = start[n]; k < start[n + 1]; ++k) {
            rows.column.push_back(block[static_cast<size_t>(neighbours[k])]);
        }
        rows.column.insert(rows.column.end(), arrived.begin() + arrivalStart[row],
                           arrived.begin() + arrivalStart[row + 1]);
        const auto begin = rows.column.begin() + static_cast<std::ptrdiff_t>(first);
        std::sort(begin, rows.column.end());
        rows.column.erase(std::unique(begin, rows.column.end()), rows.column.end());
        rows.start.push_back(static_cast<PetscInt>(rows.column.size()));
    }
    return rows;
}

namespace {

// This rank's first of a count that the ranks take in turn.
PetscInt firstOfRank(PetscInt count) {
    PetscInt first = 0;
    MPI_Exscan(&count, &first, 1, MPIU_INT, MPI_SUM, PETSC_COMM_WORLD);
    return thisRank() == 0 ? 0 : first; // MPI leaves rank 0's result undefined
}

// Reserved whole: growing arrays of hundreds of megabytes by doubling cost more than filling them.
void startRows(Arrays& m, size_t rows, size_t inside, size_t outside) {
    m.i.reserve(rows + 1);
    m.oi.reserve(rows + 1);
    m.j.reserve(inside);
    m.a.reserve(inside);
    m.oj.reserve(outside);
    m.oa.reserve(outside);
    m.i.push_back(0);
    m.oi.push_back(0);
}

void endRow(Arrays& m) {
    m.i.push_back(static_cast<PetscInt>(m.j.size()));
    m.oi.push_back(static_cast<PetscInt>(m.oj.size()));
}

// The matrix on the split arrays, which it takes with it.
Mat matrixOnArrays(std::unique_ptr<Arrays> arrays, PetscInt localColumns, PetscInt blockSize) {
    Arrays& m = *arrays;
    const PetscInt localRows = static_cast<PetscInt>(m.i.size()) - 1;
    Mat matrix = nullptr;
    if (rankCount() == 1) {
        requirePetsc(MatCreateSeqAIJWithArrays(PETSC_COMM_WORLD, localRows, localColumns,
                                               m.i.data(), m.j.data(), m.a.data(), &matrix),
                     "creating a matrix");
    } else {
        requirePetsc(MatCreateMPIAIJWithSplitArrays(PETSC_COMM_WORLD, localRows, localColumns,
                                                    PETSC_DETERMINE, PETSC_DETERMINE, m.i.data(),
                                                    m.j.data(), m.a.data(), m.oi.data(),
                                                    m.oj.data(), m.oa.data(), &matrix),
                     "creating a matrix");
    }
    PetscContainer container = nullptr;
    PetscErrorCode composed = PetscContainerCreate(PETSC_COMM_SELF, &container);
    if (composed == 0) {
        PetscContainerSetPointer(container, arrays.release());
        PetscContainerSetUserDestroy(container, destroyArrays);
        composed = PetscObjectCompose(reinterpret_cast<PetscObject>(matrix), "xefhost arrays",
                                      reinterpret_cast<PetscObject>(container));
        PetscContainerDestroy(&container);
    }
    if (composed == 0) {
        composed = MatSetBlockSize(matrix, blockSize);
    }
    // The off-diagonal block has few rows that are not empty, which PETSc's products skip by its
    // compressed rows; with inodes on (which PETSc's own assembly turns off for that block, and
    // the split arrays leave on) they walk every row, and the matrix products on two ranks took
    // a tenth to a quarter longer.
    if (composed == 0 && rankCount() > 1) {
        Mat diagonal = nullptr, offDiagonal = nullptr;
        composed = MatMPIAIJGetSeqAIJ(matrix, &diagonal, &offDiagonal, nullptr);
        if (composed == 0) {
            composed = MatSetOption(offDiagonal, MAT_USE_INODES, PETSC_FALSE);
        }
    }
    if (composed != 0) {
        MatDestroy(&matrix);
        requirePetsc(composed, "creating a matrix");
    }
    return matrix;
}

} // namespace

Mat matrixFromRows(PetscInt localColumns, PetscInt blockSize, CompressedRows rows) {
    const PetscInt firstColumn = firstOfRank(localColumns), lastColumn = firstColumn + localColumns;
    const size_t inside = static_cast<size_t>(
        std::count_if(rows.column.begin(), rows.column.end(), [&](PetscInt column) {
            return column >= firstColumn && column < lastColumn;
        }));
    auto arrays = std::make_unique<Arrays>();
    Arrays& m = *arrays;
    startRows(m, rows.start.size() - 1, inside, rows.column.size() - inside);
    for (size_t row = 0; row + 1 < rows.start.size(); ++row) {
        for (PetscInt k = rows.start[row]; k < rows.start[row + 1]; ++k) {
            const PetscInt column = rows.column[k];
            const bool inside = column >= firstColumn && column < lastColumn;
            (inside ? m.j : m.oj).push_back(inside ? column - firstColumn : column);
            (inside ? m.a : m.oa).push_back(rows.value[k]);
        }
        endRow(m);
    }
    rows = CompressedRows();
    return matrixOnArrays(std::move(arrays), localColumns, blockSize);
}

// Laid out straight into the split arrays: a whole expanded copy of the rows first would add a
// fifth to the peak memory of a solve.
Mat matrixOnPattern(const BlockRows& rows, PetscInt blockSize) {
    const PetscInt d = blockSize;
    const PetscInt owned = static_cast<PetscInt>(rows.start.size()) - 1;
    const PetscInt first = firstOfRank(owned), last = first + owned;
    const size_t inside = static_cast<size_t>(
        std::count_if(rows.column.begin(), rows.column.end(),
                      [&](PetscInt column) { return column >= first && column < last; }));
    const size_t perBlock = static_cast<size_t>(d * d);
    auto arrays = std::make_unique<Arrays>();
    Arrays& m = *arrays;
    startRows(m, static_cast<size_t>(owned * d), inside * perBlock,
              (rows.column.size() - inside) * perBlock);
    for (PetscInt row = 0; row < owned; ++row) {
        for (PetscInt c = 0; c < d; ++c) {
            for (PetscInt k = rows.start[row]; k < rows.start[row + 1]; ++k) {
                const PetscInt column = rows.column[k];
                const bool inside = column >= first && column < last;
                for (PetscInt c2 = 0; c2 < d; ++c2) {
                    (inside ? m.j : m.oj).push_back((inside ? column - first : column) * d + c2);
                }
            }
            endRow(m);
        }
    }
    m.a.assign(m.j.size(), 0.0);
    m.oa.assign(m.oj.size(), 0.0);
    Mat matrix = matrixOnArrays(std::move(arrays), owned * d, d);
    const PetscErrorCode fixed = MatSetOption(matrix, MAT_NEW_NONZERO_LOCATION_ERR, PETSC_TRUE);
    if (fixed != 0) {
        MatDestroy(&matrix);
        requirePetsc(fixed, "creating the matrix");
    }
    return matrix;
}

} // namespace xefhost

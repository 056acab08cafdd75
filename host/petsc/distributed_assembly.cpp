#include "distributed_assembly.h"

#include "call_records.h"
#include "crash_report.h"
#include "finite_outputs.h"
#include "matrix_pattern.h"
#include "petsc_runtime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace xefhost {

namespace {

// The rank's own rows of the stiffness as PETSc stores them, for adding into in place: the
// columns this rank owns (the "diagonal" block, numbered locally) and the others (the
// "off-diagonal" block, numbered in the order of their global numbers), in compressed rows with
// sorted columns. One process has the diagonal block alone.
class OwnedRows {
  public:
    explicit OwnedRows(Mat matrix) {
        PetscBool sequential = PETSC_FALSE;
        requirePetsc(
            PetscObjectTypeCompare(reinterpret_cast<PetscObject>(matrix), MATSEQAIJ, &sequential),
            "reading the matrix");
        if (sequential) {
            diagonal_.matrix = matrix;
        } else {
            const PetscInt* columns = nullptr;
            requirePetsc(
                MatMPIAIJGetSeqAIJ(matrix, &diagonal_.matrix, &offDiagonal_.matrix, &columns),
                "reading the matrix");
            PetscInt rows = 0;
            MatGetSize(offDiagonal_.matrix, &rows, &offColumnCount_);
            offColumns_ = columns;
        }
        for (Block* block : {&diagonal_, &offDiagonal_}) {
            if (block->matrix) {
                PetscInt n = 0;
                PetscBool done = PETSC_FALSE;
                requirePetsc(MatGetRowIJ(block->matrix, 0, PETSC_FALSE, PETSC_FALSE, &n,
                                         &block->start, &block->column, &done),
                             "reading the matrix");
                if (!done) {
                    throw PetscError("PETSc gave no compressed rows of the matrix");
                }
                requirePetsc(MatSeqAIJGetArray(block->matrix, &block->value), "reading the matrix");
            }
        }
    }
    ~OwnedRows() {
        for (Block* block : {&diagonal_, &offDiagonal_}) {
            if (block->matrix) {
                PetscInt n = 0;
                PetscBool done = PETSC_FALSE;
                MatSeqAIJRestoreArray(block->matrix, &block->value);
                MatRestoreRowIJ(block->matrix, 0, PETSC_FALSE, PETSC_FALSE, &n, &block->start,
                                &block->column, &done);
            }
        }
    }
    OwnedRows(const OwnedRows&) = delete;
    OwnedRows& operator=(const OwnedRows&) = delete;

    // The off-diagonal block's column of a global column, or -1 where this rank's rows have none.
    PetscInt offColumn(PetscInt global) const {
        const PetscInt* end = offColumns_ + offColumnCount_;
        const PetscInt* found = std::lower_bound(offColumns_, end, global);
        return found != end && *found == global ? static_cast<PetscInt>(found - offColumns_) : -1;
    }
    // Adds to an entry of the pattern: row local, column local (diagonal block) or an
    // offColumn (off-diagonal block).
    void add(bool owned, PetscInt row, PetscInt column, PetscScalar value) {
        Block& block = owned ? diagonal_ : offDiagonal_;
        const PetscInt* first = block.column + block.start[row];
        const PetscInt* last = block.column + block.start[row + 1];
        const PetscInt* found = std::lower_bound(first, last, column);
        if (found == last || *found != column) {
            throw PetscError("an element couples unknowns that the matrix's pattern does not");
        }
        block.value[found - block.column] += value;
    }

  private:
    struct Block {
        Mat matrix = nullptr;
        const PetscInt *start = nullptr, *column = nullptr;
        PetscScalar* value = nullptr;
    };
    Block diagonal_, offDiagonal_;
    const PetscInt* offColumns_ = nullptr;
    PetscInt offColumnCount_ = 0;
};

} // namespace

// The distributed mesh numbers each rank's owned vertices after those of the ranks before it, and
// the piece's node tags are those numbers plus one: a node's block row is its tag less one, and its
// owner the rank whose range holds it. Only the count of owned vertices is read from the mesh.
DistributedAssembly::DistributedAssembly(const DistributedMesh& mesh, const Model& piece)
    : piece_(piece) {
    const int d = piece.dofsPerNode;
    const std::vector<char> ownedVertex = mesh.ownedNodes();
    const PetscInt owned =
        static_cast<PetscInt>(std::count(ownedVertex.begin(), ownedVertex.end(), char{1}));
    const int ranks = rankCount(), self = thisRank();
    firstBlock_.assign(static_cast<size_t>(ranks) + 1, 0);
    MPI_Allgather(&owned, 1, MPIU_INT, firstBlock_.data() + 1, 1, MPIU_INT, PETSC_COMM_WORLD);
    for (int r = 0; r < ranks; ++r) {
        firstBlock_[r + 1] += firstBlock_[r];
    }
    const PetscInt first = firstBlock_[self], last = firstBlock_[self + 1];

    slot_.resize(piece.nodeCount());
    std::vector<char> seen(static_cast<size_t>(owned), 0);
    std::vector<PetscSFNode> remote;
    for (size_t node = 0; node < piece.nodeCount(); ++node) {
        const int64_t block = piece.nodeIds[node] - 1;
        if (block < 0 || block >= firstBlock_[ranks]) {
            throw PetscError("node " + std::to_string(piece.nodeIds[node]) +
                             " of the piece's model is no vertex of the distributed mesh");
        }
        if (block >= first && block < last) {
            const PetscInt row = static_cast<PetscInt>(block - first);
            if (seen[row]) {
                throw PetscError("node " + std::to_string(piece.nodeIds[node]) +
                                 " appears twice in the piece's model");
            }
            seen[row] = 1;
            slot_[node] = row;
            continue;
        }
        const int owner = static_cast<int>(
            std::upper_bound(firstBlock_.begin(), firstBlock_.end(), static_cast<PetscInt>(block)) -
            firstBlock_.begin() - 1);
        slot_[node] = -static_cast<PetscInt>(1 + haloNodes_++);
        for (int c = 0; c < d; ++c) {
            remote.push_back({owner, (static_cast<PetscInt>(block) - firstBlock_[owner]) * d + c});
        }
    }
    if (std::find(seen.begin(), seen.end(), char{0}) != seen.end()) {
        throw PetscError("a vertex that this rank owns is no node of its piece's model");
    }
    requirePetsc(PetscSFCreate(PETSC_COMM_WORLD, &halo_), "connecting the shared nodes");
    requirePetsc(PetscSFSetGraph(halo_, owned * d, static_cast<PetscInt>(remote.size()), nullptr,
                                 PETSC_COPY_VALUES, remote.data(), PETSC_COPY_VALUES),
                 "connecting the shared nodes");
    requirePetsc(PetscSFSetUp(halo_), "connecting the shared nodes");
}

DistributedAssembly::~DistributedAssembly() {
    PetscSFDestroy(&halo_);
}

void DistributedAssembly::spread(const PetscScalar* global, double* model) const {
    const int d = piece_.dofsPerNode;
    std::vector<PetscScalar> halo(haloNodes_ * d);
    requirePetsc(PetscSFBcastBegin(halo_, MPIU_SCALAR, global, halo.data(), MPI_REPLACE),
                 "spreading a field");
    requirePetsc(PetscSFBcastEnd(halo_, MPIU_SCALAR, global, halo.data(), MPI_REPLACE),
                 "spreading a field");
    for (size_t node = 0; node < slot_.size(); ++node) {
        const PetscInt s = slot_[node];
        const PetscScalar* from = s >= 0 ? global + s * d : halo.data() + (-s - 1) * d;
        std::copy(from, from + d, model + node * d);
    }
}

void DistributedAssembly::add(const double* model, PetscScalar* global) const {
    const int d = piece_.dofsPerNode;
    std::vector<PetscScalar> halo(haloNodes_ * d);
    for (size_t node = 0; node < slot_.size(); ++node) {
        const PetscInt s = slot_[node];
        for (int c = 0; c < d; ++c) {
            if (s >= 0) {
                global[s * d + c] += model[node * d + c];
            } else {
                halo[(-s - 1) * d + c] = model[node * d + c];
            }
        }
    }
    requirePetsc(PetscSFReduceBegin(halo_, MPIU_SCALAR, halo.data(), global, MPI_SUM),
                 "summing a field");
    requirePetsc(PetscSFReduceEnd(halo_, MPIU_SCALAR, halo.data(), global, MPI_SUM),
                 "summing a field");
}

// The matrix is laid out from the piece's elements rather than by DMCreateMatrix, whose
// point-by-point walk over the plex's adjacency took 14 s of the set-up on a 0.8-million-triangle
// mesh (8 s on two ranks), where this takes about a tenth; the couplings of a node that another
// rank owns go to its owner (matrix_pattern.h).
Mat DistributedAssembly::createMatrix() const {
    const int d = piece_.dofsPerNode;
    const int npe = piece_.nodesPerElement;
    const size_t nodes = piece_.nodeCount(), elementCount = piece_.elementCount();

    // Each node's neighbours through the piece's elements, itself included, sorted and then
    // packed in place: the lists with repeats are the largest thing the layout holds.
    std::vector<size_t> start(nodes + 1, 0);
    for (size_t e = 0; e < elementCount; ++e) {
        for (int a = 0; a < npe; ++a) {
            start[static_cast<size_t>(piece_.elements[e * npe + a]) + 1] += npe;
        }
    }
    for (size_t n = 0; n < nodes; ++n) {
        start[n + 1] += start[n];
    }
    std::vector<int32_t> neighbour(start[nodes]);
    {
        std::vector<size_t> fill(start.begin(), start.end() - 1);
        for (size_t e = 0; e < elementCount; ++e) {
            const int32_t* element = &piece_.elements[e * npe];
            for (int a = 0; a < npe; ++a) {
                size_t& next = fill[static_cast<size_t>(element[a])];
                for (int b = 0; b < npe; ++b) {
                    neighbour[next++] = element[b];
                }
            }
        }
    }
    size_t packed = 0;
    for (size_t n = 0; n < nodes; ++n) {
        int32_t* begin = neighbour.data() + start[n];
        int32_t* end = neighbour.data() + start[n + 1];
        std::sort(begin, end);
        end = std::unique(begin, end);
        start[n] = packed;
        packed = static_cast<size_t>(std::copy(begin, end, neighbour.data() + packed) -
                                     neighbour.data());
    }
    start[nodes] = packed;
    neighbour.resize(packed);
    neighbour.shrink_to_fit();

    std::vector<PetscInt> blocks(nodes);
    for (size_t n = 0; n < nodes; ++n) {
        blocks[n] = static_cast<PetscInt>(piece_.nodeIds[n] - 1);
    }
    Mat matrix = nullptr;
    {
        const BlockRows rows = ownedBlockRows(start, neighbour, blocks, slot_, firstBlock_);
        std::vector<int32_t>().swap(neighbour);
        std::vector<size_t>().swap(start);
        matrix = matrixOnPattern(rows, d);
    }
    ISLocalToGlobalMapping map = nullptr;
    requirePetsc(ISLocalToGlobalMappingCreate(PETSC_COMM_WORLD, d, static_cast<PetscInt>(nodes),
                                              blocks.data(), PETSC_COPY_VALUES, &map),
                 "numbering the matrix");
    const PetscErrorCode mapped = MatSetLocalToGlobalMapping(matrix, map, map);
    ISLocalToGlobalMappingDestroy(&map);
    requirePetsc(mapped, "numbering the matrix");
    requirePetsc(MatSetOption(matrix, MAT_SPD, PETSC_TRUE), "marking the matrix SPD");
    return matrix;
}

Vec DistributedAssembly::createVector() const {
    const int d = piece_.dofsPerNode;
    const int self = thisRank();
    Vec vector = nullptr;
    requirePetsc(VecCreate(PETSC_COMM_WORLD, &vector), "creating a vector");
    requirePetsc(VecSetSizes(vector, (firstBlock_[self + 1] - firstBlock_[self]) * d,
                             firstBlock_.back() * d),
                 "creating a vector");
    requirePetsc(VecSetBlockSize(vector, d), "creating a vector");
    requirePetsc(VecSetType(vector, VECSTANDARD), "creating a vector");
    return vector;
}

void DistributedAssembly::scatter(const std::vector<double>& nodal, Vec global) const {
    const int d = piece_.dofsPerNode;
    PetscScalar* values = nullptr;
    requirePetsc(VecGetArray(global, &values), "gathering a field");
    for (size_t node = 0; node < slot_.size(); ++node) {
        if (slot_[node] >= 0) {
            std::copy(&nodal[node * d], &nodal[node * d] + d, values + slot_[node] * d);
        }
    }
    VecRestoreArray(global, &values);
}

std::vector<double> DistributedAssembly::gather(Vec global) const {
    std::vector<double> nodal(piece_.dofCount());
    const PetscScalar* values = nullptr;
    requirePetsc(VecGetArrayRead(global, &values), "spreading a field");
    spread(values, nodal.data());
    VecRestoreArrayRead(global, &values);
    return nodal;
}

std::vector<double> DistributedAssembly::summed(const std::vector<double>& nodal) const {
    const int self = thisRank();
    std::vector<PetscScalar> sums(
        static_cast<size_t>(firstBlock_[self + 1] - firstBlock_[self]) * piece_.dofsPerNode, 0.0);
    add(nodal.data(), sums.data());
    std::vector<double> result(piece_.dofCount());
    spread(sums.data(), result.data());
    return result;
}

void DistributedAssembly::assemble(ElementKernels& kernels, Vec u, Vec force, Mat stiffness,
                                   Vec magnitude) const {
    const Model& model = piece_;
    const int npe = model.nodesPerElement;
    const int d = model.dofsPerNode;
    const int dofs = npe * d;
    const std::vector<double> uModel = gather(u);
    std::vector<double> f(model.dofCount(), 0.0), m(magnitude ? model.dofCount() : 0, 0.0);
    if (stiffness) {
        requirePetsc(MatZeroEntries(stiffness), "clearing the matrix");
    }

    CallRecords call(model, dofs);
    double stored[kStoredReals];
    std::vector<PetscInt> rows(static_cast<size_t>(dofs));
    std::vector<PetscScalar> full(static_cast<size_t>(dofs) * dofs);
    bool finiteStiffness = true;
    // The rank's own rows are added into the matrix's arrays in place: MatSetValues took three
    // quarters of the assembly (at 800,000 cells on two ranks the two passes went from 0.31 to
    // 0.19 s). Rows that other ranks own still go through it.
    std::unique_ptr<OwnedRows> owned;
    std::vector<PetscInt> haloColumn; // per halo node, its first unknown's off-diagonal column
    if (stiffness) {
        owned = std::make_unique<OwnedRows>(stiffness);
        haloColumn.assign(haloNodes_, -1);
        for (size_t node = 0; node < slot_.size(); ++node) {
            if (slot_[node] < 0) {
                haloColumn[static_cast<size_t>(-slot_[node] - 1)] =
                    owned->offColumn(static_cast<PetscInt>(model.nodeIds[node] - 1) * d);
            }
        }
    }
    ForeignCallScope foreign("tangent kernel", model.elementIds.data());
    for (size_t e = 0; e < model.elementCount(); ++e) {
        foreign.at(static_cast<int64_t>(e));
        kernels.callTangent(model, e, uModel.data(), call, stored);
        for (int i = 0; i < dofs; ++i) {
            const size_t node =
                static_cast<size_t>(model.elements[e * npe + i / model.dofsPerNode]);
            rows[i] = static_cast<PetscInt>(node * model.dofsPerNode + i % model.dofsPerNode);
            f[static_cast<size_t>(rows[i])] += call.p()[i];
        }
        for (int i = 0; magnitude && i < dofs; ++i) {
            double size = 0;
            for (int j = 0; j < dofs; ++j) {
                const double kij = i <= j ? call.s()[static_cast<size_t>(i) * dofs + j]
                                          : call.s()[static_cast<size_t>(j) * dofs + i];
                size += std::fabs(kij) * std::fabs(uModel[static_cast<size_t>(rows[j])]);
            }
            m[static_cast<size_t>(rows[i])] += size;
        }
        if (stiffness) {
            // The kernels fill the upper triangle; PETSc's matrix holds both.
            for (int i = 0; i < dofs; ++i) {
                for (int j = 0; j < dofs; ++j) {
                    full[static_cast<size_t>(i) * dofs + j] =
                        i <= j ? call.s()[static_cast<size_t>(i) * dofs + j]
                               : call.s()[static_cast<size_t>(j) * dofs + i];
                    finiteStiffness &= std::isfinite(full[static_cast<size_t>(i) * dofs + j]);
                }
            }
            for (int i = 0; i < dofs; ++i) {
                const PetscInt row = slot_[static_cast<size_t>(rows[i]) / d];
                if (row < 0) {
                    requirePetsc(MatSetValuesLocal(stiffness, 1, &rows[i], dofs, rows.data(),
                                                   &full[static_cast<size_t>(i) * dofs],
                                                   ADD_VALUES),
                                 "adding an element's stiffness");
                    continue;
                }
                for (int j = 0; j < dofs; ++j) {
                    const PetscInt column = slot_[static_cast<size_t>(rows[j]) / d];
                    const PetscInt component = rows[j] % d;
                    owned->add(column >= 0, row * d + rows[i] % d,
                               column >= 0
                                   ? column * d + component
                                   : haloColumn[static_cast<size_t>(-column - 1)] + component,
                               full[static_cast<size_t>(i) * dofs + j]);
                }
            }
        }
    }
    // As on one process: no value that is not finite reaches the solver, and the first element
    // that returned one is named.
    if (!finiteStiffness || !allFinite(f, 1)) {
        throwNonFiniteTangent(model, kernels, uModel, stiffness != nullptr);
    }
    for (auto [local, global] : {std::make_pair(&f, force), std::make_pair(&m, magnitude)}) {
        if (!global) {
            continue;
        }
        requirePetsc(VecSet(global, 0.0), "clearing a sum");
        PetscScalar* values = nullptr;
        requirePetsc(VecGetArray(global, &values), "summing over the ranks");
        add(local->data(), values);
        VecRestoreArray(global, &values);
    }
    owned.reset();
    if (stiffness) {
        requirePetsc(MatAssemblyBegin(stiffness, MAT_FINAL_ASSEMBLY), "assembling the matrix");
        requirePetsc(MatAssemblyEnd(stiffness, MAT_FINAL_ASSEMBLY), "assembling the matrix");
    }
}

} // namespace xefhost

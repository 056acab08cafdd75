#include "distributed_results.h"

#include "atomic_file.h"
#include "petsc_runtime.h"
#include "raster_average.h"
#include "result_output.h"
#include "svg_writer.h"

#include <petscsys.h>

#include <filesystem>

namespace xefhost {

namespace {

// Combines a box over the ranks: each bound is a minimum (the maxima by their negatives).
PlaneBounds sharedBounds(const PlaneBounds& piece) {
    double bounds[4] = {piece.xMin, -piece.xMax, piece.yMin, -piece.yMax};
    MPI_Allreduce(MPI_IN_PLACE, bounds, 4, MPI_DOUBLE, MPI_MIN, PETSC_COMM_WORLD);
    PlaneBounds whole;
    whole.xMin = bounds[0];
    whole.xMax = -bounds[1];
    whole.yMin = bounds[2];
    whole.yMax = -bounds[3];
    return whole;
}

// The two displacements of each node, as the picture takes them.
std::vector<double> planeDisplacement(const Analysis& a) {
    std::vector<double> displacement(2 * a.model.nodeCount());
    for (size_t node = 0; node < a.model.nodeCount(); ++node) {
        displacement[2 * node] = a.u[a.model.displacementDof(node, 0)];
        displacement[2 * node + 1] = a.u[a.model.displacementDof(node, 1)];
    }
    return displacement;
}

// Adds the picture to rank 0's files from every rank's raster sums.
void addPicture(AtomicFileSet& files, const std::string& path, const std::string& title,
                const Analysis& piece, double scale, int rank) {
    const Model& m = piece.model;
    const PictureColouring colouring = pictureColouring(piece, vonMises(piece));
    const std::vector<double> displacement = planeDisplacement(piece);
    const PlaneBounds box =
        sharedBounds(deformedBounds(m.coords, m.elements, m.nodesPerElement, displacement, scale));
    double range[2] = {INFINITY, INFINITY}; // the lowest value and the negated highest
    for (const double value : colouring.cellValue) {
        if (std::isfinite(value)) {
            range[0] = std::min(range[0], value);
            range[1] = std::min(range[1], -value);
        }
    }
    MPI_Allreduce(MPI_IN_PLACE, range, 2, MPI_DOUBLE, MPI_MIN, PETSC_COMM_WORLD);
    const PictureGrid grid = pictureGrid(box.xMin, box.xMax, box.yMin, box.yMax);
    RasterSums sums = pictureRasterSums(grid, m.coords, m.elements, m.nodesPerElement, displacement,
                                        scale, colouring.cellValue);
    const int cells = static_cast<int>(sums.sum.size());
    MPI_Reduce(rank == 0 ? MPI_IN_PLACE : sums.sum.data(), sums.sum.data(), cells, MPI_DOUBLE,
               MPI_SUM, 0, PETSC_COMM_WORLD);
    MPI_Reduce(rank == 0 ? MPI_IN_PLACE : sums.count.data(), sums.count.data(), cells, MPI_INT,
               MPI_SUM, 0, PETSC_COMM_WORLD);
    if (rank == 0) {
        writeSvgRaster(files, path, grid, rasterAverage(sums), range[0], -range[1], scale, title,
                       colouring.valueLabel, colouring.remark);
    }
}

} // namespace

std::vector<std::string> writeDistributedResults(const std::string& folder, const std::string& name,
                                                 const Problem& problem,
                                                 const std::vector<Analysis>& levels) {
    const int rank = thisRank(), ranks = rankCount();
    const Analysis& finest = levels.back();
    const std::filesystem::path base = std::filesystem::path(folder) / name;
    const auto pieceName = [&](int r) { return name + "-" + std::to_string(r) + ".vtu"; };

    AtomicFileSet piece, tied;
    addPieceVtu(piece, (std::filesystem::path(folder) / pieceName(rank)).string(), finest);
    const PlaneBounds undeformed = sharedBounds(modelBounds(finest.model));
    const double scale = deformationScale(undeformed.diagonal(), finest.maxDisplacement);
    addPicture(tied, base.string() + ".svg", problem.title.empty() ? name : problem.title, finest,
               scale, rank);
    std::vector<std::string> written;
    if (rank == 0) {
        std::vector<std::string> pieces;
        for (int r = 0; r < ranks; ++r) {
            pieces.push_back(pieceName(r));
        }
        addPvtu(tied, base.string() + ".pvtu", finest, pieces);
        tied.addText(base.string() + ".json", summaryJson(problem, finest, levels, scale));
        written = {base.string() + ".pvtu", base.string() + ".svg", base.string() + ".json"};
    } else {
        written = {(std::filesystem::path(folder) / pieceName(rank)).string()};
    }
    // A rank that failed to stage its files has ended the job before this point.
    MPI_Barrier(PETSC_COMM_WORLD);
    piece.commit();
    MPI_Barrier(PETSC_COMM_WORLD);
    tied.commit();
    return written;
}

} // namespace xefhost

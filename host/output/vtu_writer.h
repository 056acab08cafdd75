// ParaView result files: VTK XML unstructured grids with appended raw binary data, so that a mesh
// of a million elements is written at disk speed and read back without conversion.
#pragma once

#include "atomic_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace xefhost {

// One named array, `components` values per point or per cell, point after point. ParaView warps
// and draws arrows only with vectors of three components, so plane vectors should be padded.
struct Field {
    std::string name;
    int components;
    std::vector<double> values;
};

// A mesh of one cell kind: `coords` holds three coordinates per point, `connectivity`
// `nodesPerCell` zero-based point indices per cell in the node order of VTK's `vtkCellType`.
struct VtuMesh {
    const std::vector<double>* coords;
    const std::vector<int32_t>* connectivity;
    int nodesPerCell;
    int vtkCellType;
};

// Writes the .vtu file atomically. Throws std::invalid_argument, before anything is written, when
// the sizes of the mesh and the fields disagree or a cell names a point that does not exist, and
// std::runtime_error when the file cannot be written.
void writeVtu(const std::string& path, const VtuMesh& mesh, const std::vector<Field>& pointData,
              const std::vector<Field>& cellData);
// The same, added to a set of files that appear together.
void writeVtu(AtomicFileSet& files, const std::string& path, const VtuMesh& mesh,
              const std::vector<Field>& pointData, const std::vector<Field>& cellData);

// Adds to `files` the ParaView file (.pvtu) of a mesh written as one .vtu per piece: it names the
// pieces, `pieceSources`, by their paths relative to the .pvtu's folder, and lists the arrays that
// every piece carries, by the names and component counts of `pointData` and `cellData` (their
// values are not read), all Float64 as writeVtu writes them. Throws std::invalid_argument when
// there is no piece or a field has no components.
void writePvtu(AtomicFileSet& files, const std::string& path, const std::vector<Field>& pointData,
               const std::vector<Field>& cellData, const std::vector<std::string>& pieceSources);

} // namespace xefhost

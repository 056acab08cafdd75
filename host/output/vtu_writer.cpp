// VTK XML unstructured grids with appended raw binary arrays, written in one pass.
#include "vtu_writer.h"

#include "atomic_file.h"
#include "text_escape.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace xefhost {

namespace {

// One array of the appended block: its XML attributes, its size and how to produce its bytes.
struct AppendedArray {
    std::string attributes;
    uint64_t bytes;
    std::function<void(std::ostream&)> writeData;
};

const char* hostByteOrder() {
    const uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? "LittleEndian" : "BigEndian";
}

template <typename T> void writeRaw(std::ostream& out, const std::vector<T>& values) {
    out.write(reinterpret_cast<const char*>(values.data()),
              static_cast<std::streamsize>(values.size() * sizeof(T)));
}

// Arrays that the mesh implies (offsets, cell types) are produced in slices rather than held whole.
template <typename T, typename ValueAt>
void writeGenerated(std::ostream& out, size_t count, ValueAt valueAt) {
    constexpr size_t sliceSize = 1 << 16;
    std::vector<T> slice;
    for (size_t first = 0; first < count; first += sliceSize) {
        slice.resize(std::min(sliceSize, count - first));
        for (size_t i = 0; i < slice.size(); ++i) {
            slice[i] = valueAt(first + i);
        }
        writeRaw(out, slice);
    }
}

void checkField(const Field& field, size_t count, const char* where) {
    if (field.components < 1 ||
        field.values.size() != static_cast<size_t>(field.components) * count) {
        throw std::invalid_argument(std::string(where) + " field '" + field.name + "' has " +
                                    std::to_string(field.values.size()) + " values for " +
                                    std::to_string(count) + " entries of " +
                                    std::to_string(field.components) + " components");
    }
}

void checkMesh(const VtuMesh& mesh) {
    if (!mesh.coords || !mesh.connectivity || mesh.coords->size() % 3 != 0 ||
        mesh.nodesPerCell < 1 || mesh.connectivity->size() % mesh.nodesPerCell != 0) {
        throw std::invalid_argument("mesh arrays do not hold whole points and cells");
    }
    if (mesh.vtkCellType < 1 || mesh.vtkCellType > 255) {
        throw std::invalid_argument("no VTK cell type " + std::to_string(mesh.vtkCellType));
    }
    const auto points = static_cast<int64_t>(mesh.coords->size() / 3);
    const auto& cells = *mesh.connectivity;
    const auto bad = std::find_if(cells.begin(), cells.end(),
                                  [points](int32_t node) { return node < 0 || node >= points; });
    if (bad != cells.end()) {
        throw std::invalid_argument(
            "cell " + std::to_string((bad - cells.begin()) / mesh.nodesPerCell) + " names point " +
            std::to_string(*bad) + " of " + std::to_string(points));
    }
}

// The same words describe an array in a piece and in the file that lists the pieces.
std::string fieldAttributes(const Field& field) {
    return "type=\"Float64\" Name=\"" + xmlEscape(field.name) + "\" NumberOfComponents=\"" +
           std::to_string(field.components) + "\"";
}

const char* const coordAttributes = "type=\"Float64\" NumberOfComponents=\"3\"";

AppendedArray fieldArray(const Field& field) {
    return {fieldAttributes(field), field.values.size() * sizeof(double),
            [&field](std::ostream& out) { writeRaw(out, field.values); }};
}

std::vector<AppendedArray> cellArrays(const VtuMesh& mesh) {
    const size_t cells = mesh.connectivity->size() / mesh.nodesPerCell;
    const int64_t perCell = mesh.nodesPerCell;
    const auto type = static_cast<uint8_t>(mesh.vtkCellType);
    return {{"type=\"Int32\" Name=\"connectivity\"", mesh.connectivity->size() * sizeof(int32_t),
             [&mesh](std::ostream& out) { writeRaw(out, *mesh.connectivity); }},
            {"type=\"Int64\" Name=\"offsets\"", cells * sizeof(int64_t),
             [cells, perCell](std::ostream& out) {
                 writeGenerated<int64_t>(out, cells, [perCell](size_t cell) {
                     return static_cast<int64_t>(cell + 1) * perCell;
                 });
             }},
            {"type=\"UInt8\" Name=\"types\"", cells * sizeof(uint8_t),
             [cells, type](std::ostream& out) {
                 writeGenerated<uint8_t>(out, cells, [type](size_t) { return type; });
             }}};
}

// Writes the XML description of a section's arrays, advancing the running appended offset.
void describe(std::string& xml, const char* section, const std::vector<AppendedArray>& arrays,
              uint64_t& offset) {
    xml += "      <" + std::string(section) + ">\n";
    for (const auto& array : arrays) {
        xml += "        <DataArray " + array.attributes + " format=\"appended\" offset=\"" +
               std::to_string(offset) + "\"/>\n";
        offset += sizeof(uint64_t) + array.bytes;
    }
    xml += "      </" + std::string(section) + ">\n";
}

} // namespace

void writeVtu(const std::string& path, const VtuMesh& mesh, const std::vector<Field>& pointData,
              const std::vector<Field>& cellData) {
    AtomicFileSet files;
    writeVtu(files, path, mesh, pointData, cellData);
    files.commit();
}

void writeVtu(AtomicFileSet& files, const std::string& path, const VtuMesh& mesh,
              const std::vector<Field>& pointData, const std::vector<Field>& cellData) {
    checkMesh(mesh);
    const size_t points = mesh.coords->size() / 3;
    const size_t cells = mesh.connectivity->size() / mesh.nodesPerCell;
    std::vector<AppendedArray> pointArrays, cellDataArrays;
    for (const auto& field : pointData) {
        checkField(field, points, "point");
        pointArrays.push_back(fieldArray(field));
    }
    for (const auto& field : cellData) {
        checkField(field, cells, "cell");
        cellDataArrays.push_back(fieldArray(field));
    }
    const std::vector<AppendedArray> coordArrays = {
        {coordAttributes, mesh.coords->size() * sizeof(double),
         [&mesh](std::ostream& out) { writeRaw(out, *mesh.coords); }}};
    const std::vector<AppendedArray> topology = cellArrays(mesh);

    std::string xml = std::string("<?xml version=\"1.0\"?>\n") +
                      "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"" +
                      hostByteOrder() + "\" header_type=\"UInt64\">\n  <UnstructuredGrid>\n" +
                      "    <Piece NumberOfPoints=\"" + std::to_string(points) +
                      "\" NumberOfCells=\"" + std::to_string(cells) + "\">\n";
    uint64_t offset = 0;
    describe(xml, "PointData", pointArrays, offset);
    describe(xml, "CellData", cellDataArrays, offset);
    describe(xml, "Points", coordArrays, offset);
    describe(xml, "Cells", topology, offset);
    xml += "    </Piece>\n  </UnstructuredGrid>\n  <AppendedData encoding=\"raw\">\n   _";

    files.add(path, [&](std::ostream& out) {
        out << xml;
        const std::vector<AppendedArray>* sections[] = {&pointArrays, &cellDataArrays, &coordArrays,
                                                        &topology};
        for (const auto* section : sections) {
            for (const auto& array : *section) {
                out.write(reinterpret_cast<const char*>(&array.bytes), sizeof array.bytes);
                array.writeData(out);
            }
        }
        out << "\n  </AppendedData>\n</VTKFile>\n";
    });
}

void writePvtu(AtomicFileSet& files, const std::string& path, const std::vector<Field>& pointData,
               const std::vector<Field>& cellData, const std::vector<std::string>& pieceSources) {
    if (pieceSources.empty()) {
        throw std::invalid_argument("a .pvtu file of no pieces");
    }
    const auto section = [](const char* name, const std::vector<Field>& fields) {
        std::string xml = "    <" + std::string(name) + ">\n";
        for (const Field& field : fields) {
            if (field.components < 1) {
                throw std::invalid_argument("field '" + field.name + "' has no components");
            }
            xml += "      <PDataArray " + fieldAttributes(field) + "/>\n";
        }
        return xml + "    </" + std::string(name) + ">\n";
    };
    std::string xml =
        std::string("<?xml version=\"1.0\"?>\n") +
        "<VTKFile type=\"PUnstructuredGrid\" version=\"1.0\" byte_order=\"" + hostByteOrder() +
        "\" header_type=\"UInt64\">\n" + "  <PUnstructuredGrid GhostLevel=\"0\">\n" +
        section("PPointData", pointData) + section("PCellData", cellData) +
        "    <PPoints>\n      <PDataArray " + coordAttributes + "/>\n    </PPoints>\n";
    for (const std::string& source : pieceSources) {
        xml += "    <Piece Source=\"" + xmlEscape(source) + "\"/>\n";
    }
    xml += "  </PUnstructuredGrid>\n</VTKFile>\n";
    files.addText(path, xml);
}

} // namespace xefhost

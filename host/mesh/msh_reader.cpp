// Reading of Gmsh .msh files: the whole file is loaded once and scanned in place, so that meshes
// of millions of elements read in about a second.
#include "msh_reader.h"
#include "file_kind.h"
#include "msh_sections.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace xefhost {

namespace {

std::string readWholeFile(const std::string& path) {
    // A missing file is left to fopen, whose reason names it.
    const std::string kind = notARegularFile(path);
    if (!kind.empty() && kind != "no such file") {
        throw MeshError(path + ": is " + kind + ", not a mesh file");
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        throw MeshError(path + ": cannot open the mesh file (" + std::strerror(errno) + ")");
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::string data(error ? 0 : size, '\0');
    if (error) {
        throw MeshError(path + ": cannot read the mesh file (" + error.message() + ")");
    }
    if (std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
        throw MeshError(path + ": cannot read the mesh file (" +
                        (std::ferror(file.get()) ? std::strerror(errno) : "it ended early") + ")");
    }
    return data;
}

// Returns the major version, 2 or 4, after switching the cursor to binary where the file is.
int readMeshFormat(MshCursor& cursor) {
    const auto version = cursor.text<double>("the format version");
    if (version != 2.2 && version != 4.1) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", version);
        cursor.fail(std::string("unsupported format version ") + text +
                    ", this reader takes 2.2 and 4.1");
    }
    const auto fileType = cursor.text<int>("the file type");
    if (fileType != 0 && fileType != 1) {
        cursor.fail("expected the file type 0 (text) or 1 (binary), found " +
                    std::to_string(fileType));
    }
    const auto dataSize = cursor.text<int>("the data size");
    if (dataSize != 8) {
        cursor.fail("unsupported data size " + std::to_string(dataSize) +
                    ", this reader takes 8-byte values");
    }
    if (fileType == 1) {
        cursor.endLine();
        cursor.setBinary();
        const auto one = cursor.raw<int32_t>("the byte order marker");
        if (one == 0x01000000) {
            cursor.fail("the file was written with the opposite byte order to this machine's");
        } else if (one != 1) {
            cursor.fail("expected the byte order marker 1, found " + std::to_string(one));
        }
    }
    cursor.endSection("MeshFormat");
    return version == 2.2 ? 2 : 4;
}

void readPhysicalNames(MshCursor& cursor, MshMeshBuilder& builder) {
    const auto count = cursor.text<uint64_t>("the number of physical names");
    for (uint64_t i = 0; i < count; ++i) {
        const auto dimension = cursor.text<int>("a physical dimension");
        checkMshDimension(cursor, dimension);
        const auto tag = cursor.text<int>("a physical tag");
        builder.nameGroup(dimension, tag, cursor.quoted("a quoted physical name"));
    }
    cursor.endSection("PhysicalNames");
}

} // namespace

void checkMshDimension(const MshCursor& cursor, int dimension) {
    if (dimension < 0 || dimension > 3) {
        cursor.fail("expected a dimension from 0 to 3, found " + std::to_string(dimension));
    }
}

void indexMshNodes(const MshCursor& cursor, MshMeshBuilder& builder) {
    // Connectivity holds 32-bit indices.
    if (builder.nodeCount() > static_cast<size_t>(INT32_MAX)) {
        cursor.fail("the mesh has more nodes than this reader can index");
    }
    int64_t duplicate = 0;
    if (!builder.indexNodes(duplicate)) {
        cursor.fail("node tag " + std::to_string(duplicate) + " is given to more than one node");
    }
}

ElementBlock& mshElementBlock(const MshCursor& cursor, MshMeshBuilder& builder, int gmshType) {
    ElementBlock* block = builder.block(gmshType);
    if (!block) {
        cursor.fail("unknown element type " + std::to_string(gmshType));
    }
    return *block;
}

namespace {

Mesh readMshFile(const std::string& path, bool meshRequired) {
    MshCursor cursor(path, readWholeFile(path));
    std::string name;
    if (!cursor.nextSection(name) || name != "MeshFormat") {
        cursor.fail("expected $MeshFormat at the start of the file");
    }
    const auto readSection = readMeshFormat(cursor) == 2 ? readMshSection22 : readMshSection41;
    MshMeshBuilder builder;
    bool nodes = false;
    bool elements = false;
    while (cursor.nextSection(name)) {
        if (name == "PhysicalNames") {
            readPhysicalNames(cursor, builder);
        } else if (!readSection(cursor, name, builder)) {
            cursor.skipSection(name);
        }
        nodes = nodes || name == "Nodes";
        elements = elements || name == "Elements";
    }
    if (meshRequired && (!nodes || !elements)) {
        cursor.failAtEnd(std::string("unexpected end of file, expected a $") +
                         (nodes ? "Elements" : "Nodes") + " section");
    }
    return builder.finish();
}

} // namespace

Mesh readMsh(const std::string& path) {
    return readMshFile(path, true);
}

Mesh readMshModel(const std::string& path) {
    return readMshFile(path, false);
}

const ElementBlock* Mesh::block(int gmshType) const {
    for (const ElementBlock& b : blocks) {
        if (b.gmshType == gmshType) {
            return &b;
        }
    }
    return nullptr;
}

const PhysicalGroup* Mesh::group(const std::string& wanted) const {
    for (const PhysicalGroup& g : groups) {
        if (g.name == wanted) {
            return &g;
        }
    }
    return nullptr;
}

} // namespace xefhost

// The .msh reader (formats 2.2 and 4.1, text and binary), for a mesh and for a model alone, on
// arbitrary bytes: it either returns a mesh whose every index is in range, or throws MeshError.
// Anything else is a finding.
#include "fuzz_check.h"
#include "memory_file.h"
#include "msh_reader.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkMesh(const xefhost::Mesh& mesh) {
    MOLR_FUZZ_CHECK(mesh.coords.size() == 3 * mesh.nodeCount());
    for (const xefhost::ElementBlock& block : mesh.blocks) {
        const size_t npe = static_cast<size_t>(block.nodesPerElement);
        MOLR_FUZZ_CHECK(block.physicalTag.size() == block.size());
        MOLR_FUZZ_CHECK(block.connectivity.size() == block.size() * npe);
        for (const int32_t node : block.connectivity) {
            MOLR_FUZZ_CHECK(node >= 0 && static_cast<size_t>(node) < mesh.nodeCount());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static molrfuzz::MemoryFile file;
    file.write(data, size);
    try {
        checkMesh(xefhost::readMsh(file.path()));
    } catch (const xefhost::MeshError&) {
    }
    // The model alone, as gmsh -0 writes it for the host's estimate of a mesh's size.
    try {
        checkMesh(xefhost::readMshModel(file.path()));
    } catch (const xefhost::MeshError&) {
    }
    return 0;
}

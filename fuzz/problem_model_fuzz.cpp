// A problem file from arbitrary bytes, read and built into a model for each element kind on a
// fixed mesh with every kind of named group, then checked for restraint. Errors that name what
// is wrong (ProblemError, ModelError, SingularModelError) are expected; anything else is a
// finding. The problem's own mesh key is read but not followed: the mesh stays fixed, so that
// the fuzzer never opens other files.
#include "element_kinds.h"
#include "fuzz_check.h"
#include "memory_file.h"
#include "model.h"
#include "msh_reader.h"
#include "restraint.h"

#include <cstddef>
#include <cstdint>

namespace {

struct Fixture {
    xefhost::Mesh mesh = xefhost::readMsh(MOLR_FUZZ_MODEL_DIR "/plate.msh");
    xefhost::Mesh secondOrderMesh = xefhost::readMsh(MOLR_FUZZ_MODEL_DIR "/plate_order2.msh");
    std::vector<molrfuzz::ElementKind> kinds = molrfuzz::elementKinds();
};

void checkModel(const xefhost::Model& model) {
    const size_t nodes = model.nodeCount();
    MOLR_FUZZ_CHECK(model.coords.size() == 3 * nodes);
    MOLR_FUZZ_CHECK(model.elements.size() ==
                    model.elementCount() * static_cast<size_t>(model.nodesPerElement));
    for (const int32_t node : model.elements) {
        MOLR_FUZZ_CHECK(node >= 0 && static_cast<size_t>(node) < nodes);
    }
    MOLR_FUZZ_CHECK(model.elementMaterial.size() == model.elementCount());
    for (const int material : model.elementMaterial) {
        MOLR_FUZZ_CHECK(material >= 0 && static_cast<size_t>(material + 1) * model.dataCount <=
                                             model.materials.size());
    }
    MOLR_FUZZ_CHECK(model.fixed.size() == model.dofCount());
    MOLR_FUZZ_CHECK(model.prescribed.size() == model.dofCount());
    MOLR_FUZZ_CHECK(model.externalForce.size() == model.dofCount());
}

void build(const xefhost::Mesh& mesh, const xefhost::Problem& problem,
           const xefhost::ElementTraits& traits) {
    try {
        const xefhost::Model model = xefhost::buildModel(mesh, problem, traits);
        checkModel(model);
        xefhost::requireRestraint(model);
    } catch (const xefhost::ModelError&) {
    } catch (const xefhost::SingularModelError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Fixture fixture;
    static molrfuzz::MemoryFile file;
    file.write(data, size);
    xefhost::Problem problem;
    try {
        problem = xefhost::readProblem(file.path());
    } catch (const xefhost::ProblemError&) {
        return 0;
    }
    for (const molrfuzz::ElementKind& kind : fixture.kinds) {
        build(kind.secondOrder ? fixture.secondOrderMesh : fixture.mesh, problem, kind.traits);
    }
    return 0;
}

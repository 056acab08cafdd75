// Windows test host: loads MOLR.W64.dll by name with LoadLibrary, as a host process does, and
// checks what crosses the boundary. Usage: molr_windows_checks [path of the DLL].
#include "checks.h"

namespace {

// Only the description routine is reachable by name; kernels and utilities are internal.
void checkExports(CheckLog& log, const MolrDll& dll) {
    log.group("Exports");
    log.expect(dll.setElSpec() != nullptr, "XEFSetElSpec is exported by its plain name");
    for (const char* internal : {"SKR", "SPP", "XEFMultiIntPoints", "XEMSum", "XEMCondense"}) {
        log.expect(dll.lookup(internal) == nullptr, std::string(internal) + " is not exported");
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "MOLR.W64.dll";
    CheckLog log;
    const MolrDll dll(path);
    if (!log.expect(dll.loaded(), std::string("LoadLibrary(") + path + ")")) {
        return log.finish();
    }
    checkExports(log, dll);
    if (dll.setElSpec() != nullptr) {
        checkDescription(log, dll);
        checkKernels(log, dll);
    }
    checkUtilities(log);
    return log.finish();
}

#include "molr_dll.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

MolrDll::MolrDll(const char* path) : module_(LoadLibraryA(path)) {}

MolrDll::~MolrDll() {
    if (module_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(module_));
    }
}

void* MolrDll::lookup(const char* name) const {
    // FARPROC is a generic code address; void (*)() converts to any function type without a cast
    // warning, and to an object pointer on every Windows compiler.
    const auto routine =
        reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(module_), name));
    return reinterpret_cast<void*>(routine);
}

SetElSpecRoutine MolrDll::setElSpec() const {
    return reinterpret_cast<SetElSpecRoutine>(lookup("XEFSetElSpec"));
}

bool MolrDll::owns(const void* address) const {
    MEMORY_BASIC_INFORMATION region;
    if (address == nullptr || VirtualQuery(address, &region, sizeof region) == 0) {
        return false;
    }
    return region.AllocationBase == module_;
}

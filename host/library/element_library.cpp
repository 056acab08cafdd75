#include "element_library.h"

#include "crash_report.h"

#include <sys/stat.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace xefhost {

namespace {

#if defined(_WIN32)
void* openLibrary(const std::string& path, std::string& reason) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        reason = "not a loadable library (error " + std::to_string(GetLastError()) + ")";
    }
    return reinterpret_cast<void*>(module);
}
void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
#else
void* openLibrary(const std::string& path, std::string& reason) {
    // A bare name would make dlopen search the system paths; the user means this file.
    const std::string local = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        reason = std::string("not a loadable library (") + (error ? error : "unknown") + ")";
    }
    return handle;
}
void* findSymbol(void* handle, const char* name) {
    return dlsym(handle, name);
}
void closeLibrary(void* handle) {
    dlclose(handle);
}
#endif

} // namespace

ElementLibrary::ElementLibrary(const std::string& path) : path_(path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        throw LibraryError(path + ": no such file");
    }
    if (!S_ISREG(info.st_mode)) {
        throw LibraryError(path + ": not a regular file");
    }
    std::string reason;
    {
        // Loading runs the library's own initialisation code.
        const ForeignCallScope foreign("load-time initialisation", nullptr);
        handle_ = openLibrary(path, reason);
    }
    if (!handle_) {
        throw LibraryError(path + ": " + reason);
    }
    void* routine = findSymbol(handle_, "XEFSetElSpec");
    if (!routine) {
        closeLibrary(handle_);
        throw LibraryError(path +
                           ": does not export XEFSetElSpec, so it is not an element library");
    }
    setElSpec_ = reinterpret_cast<SetElSpecRoutine>(routine);
}

ElementLibrary::~ElementLibrary() {
    closeLibrary(handle_);
}

} // namespace xefhost

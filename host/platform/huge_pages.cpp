#include "huge_pages.h"

#include <suitesparse/SuiteSparse_config.h>

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace xefhost {

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// Below a few huge pages the advice saves little and splits the mapping for nothing.
constexpr size_t kSmallest = 4 * kHugePage;

void* mallocOnHugePages(size_t bytes) {
    void* data = std::malloc(bytes);
    if (data) {
        adviseHugePages(data, bytes);
    }
    return data;
}

void* callocOnHugePages(size_t count, size_t size) {
    void* data = std::calloc(count, size);
    if (data) {
        adviseHugePages(data, count * size);
    }
    return data;
}

void* reallocOnHugePages(void* old, size_t bytes) {
    void* data = std::realloc(old, bytes);
    if (data) {
        adviseHugePages(data, bytes);
    }
    return data;
}

} // namespace

void adviseHugePages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes < kSmallest) {
        return;
    }
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void returnFreeHeapPages() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void useHugePagesInSparseSolver() {
    SuiteSparse_config.malloc_func = mallocOnHugePages;
    SuiteSparse_config.calloc_func = callocOnHugePages;
    SuiteSparse_config.realloc_func = reallocOnHugePages;
    SuiteSparse_config.free_func = std::free;
}

} // namespace xefhost

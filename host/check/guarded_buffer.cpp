#include "guarded_buffer.h"

#include "guard_regions.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <new>

namespace xefhost::check {

GuardedBuffer::GuardedBuffer(size_t reals, const char* name) : reals_(reals) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t dataBytes = (reals * sizeof(double) + page - 1) / page * page;
    const size_t guardBytes = (kGuardReals * sizeof(double) + page - 1) / page * page;
    mappedBytes_ = dataBytes + guardBytes;
    mapping_ =
        mmap(nullptr, mappedBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED) {
        throw std::bad_alloc();
    }
    char* guard = static_cast<char*>(mapping_) + dataBytes;
    if (mprotect(guard, guardBytes, PROT_NONE) != 0) {
        munmap(mapping_, mappedBytes_);
        throw std::bad_alloc();
    }
    data_ = reinterpret_cast<double*>(guard) - reals;
    slot_ = registerGuard(reinterpret_cast<uintptr_t>(guard),
                          reinterpret_cast<uintptr_t>(guard + guardBytes), reals, name);
}

GuardedBuffer::~GuardedBuffer() {
    releaseGuard(slot_);
    munmap(mapping_, mappedBytes_);
}

void GuardedBuffer::clear() {
    std::fill(data_, data_ + reals_, 0.0);
}

} // namespace xefhost::check

// An array of reals that ends against inaccessible memory, so that a kernel writing even one real
// past it faults at once instead of corrupting what lies behind, and the fault can be named.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xefhost::check {

// Reals past the end whose writes fault and are named: the inaccessible region costs address
// space only, and a kernel indexing this far past an output is caught by name.
constexpr size_t kGuardReals = 8192;

class GuardedBuffer {
  public:
    // `name` (static text) names the output when a write runs past it. Throws std::bad_alloc when
    // the pages cannot be mapped.
    GuardedBuffer(size_t reals, const char* name);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    double* data() { return data_; }
    void clear();

  private:
    void* mapping_ = nullptr;
    size_t mappedBytes_ = 0;
    double* data_ = nullptr;
    size_t reals_ = 0;
    int slot_ = -1;
};

} // namespace xefhost::check

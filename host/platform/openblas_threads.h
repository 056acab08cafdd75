// OpenBLAS's thread count, asked of the running process: its functions are looked up among the
// symbols already loaded (another BLAS has none, and then nothing changes). Loads nothing.
#pragma once

namespace xefhost {

// Limits OpenBLAS to one thread while it lives, where two threads each run a factorization or a
// solve of their own; does nothing with another BLAS.
class OneBlasThreadEach {
  public:
    OneBlasThreadEach();
    ~OneBlasThreadEach();
    OneBlasThreadEach(const OneBlasThreadEach&) = delete;
    OneBlasThreadEach& operator=(const OneBlasThreadEach&) = delete;

  private:
    int previous_ = 0;
};

} // namespace xefhost

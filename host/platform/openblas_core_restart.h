// OpenBLAS picks its kernels from the CPU model once, as it loads. Version 0.3.21 (Debian 12) does
// not know recent Xeons and falls back to its oldest kernels, which made the factorization of the
// 800,000-triangle cantilever 2.5 s -> 3.4 s slower than its AVX2 kernels on the same CPU.
#pragma once

namespace xefhost {

// When OpenBLAS fell back to its generic core although the CPU has AVX2 and FMA, and the user named
// no core in OPENBLAS_CORETYPE, runs this program again with the AVX2 core named (argv as given).
// Returns when there is nothing to do or the restart is not possible.
void restartWithFasterBlasKernels(char** argv);

} // namespace xefhost

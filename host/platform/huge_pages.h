// Transparent huge pages for the largest arrays. The first touch of fresh memory costs a page
// fault per 4 KiB page, which on the factor of a large model adds up to more than the arithmetic
// around it; one fault per 2 MiB page does not.
#pragma once

#include <cstddef>
#include <vector>

namespace xefhost {

// Advises the kernel to back the whole 2 MiB pages inside [data, data + bytes) with huge pages.
// Only advice: nothing changes where the system has no transparent huge pages.
void adviseHugePages(void* data, size_t bytes);

// Sizes a vector that is about to be filled, with huge pages advised before the first touch.
template <typename T> void resizeOnHugePages(std::vector<T>& values, size_t size, const T& value) {
    std::vector<T>().swap(values);
    values.reserve(size);
    adviseHugePages(values.data(), size * sizeof(T));
    values.assign(size, value);
}

// Hands the free pages inside the heap back to the system. Arrays freed between the pattern and
// the factorization (node graph, element entry positions) leave tens of MiB there that the
// factor, allocated in one block, cannot reuse and that would count in the peak.
void returnFreeHeapPages();

// Makes CHOLMOD allocate its large blocks (the factor above all) on huge pages.
void useHugePagesInSparseSolver();

} // namespace xefhost

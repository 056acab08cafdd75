// An element description record filled from fuzz bytes: first the counts, 4 bytes each in the
// machine's order (missing bytes read as zero) in the order of kCountFields, then the choices of
// the lists and texts. Every pointer is null or points into a buffer this object owns, of exactly
// the length the bytes decided, so that a read past a list's count is caught by AddressSanitizer
// as the reader's fault, never the record's.
#pragma once

#include "XEFRecords.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace molrfuzz {

// dimensions, dofCount, nodeCount, dataCount, segmentCount, intCode, intPointCount, gpostCount,
// npostCount, defaultIntCode, rulePoints[0..2].
constexpr size_t kCountFields = 13;

class FuzzedDescription {
  public:
    FuzzedDescription(const uint8_t* data, size_t size);
    FuzzedDescription(const FuzzedDescription&) = delete;
    FuzzedDescription& operator=(const FuzzedDescription&) = delete;

    const ElSpec& record() const { return record_; }

  private:
    template <class T> T* allocate(size_t count);
    // Null, or `multiple` values per item of a list of `count` items (the count within the
    // host's `limit`) or of a byte-chosen short length (a count the host must refuse unread).
    template <class T> const T* list(int count, int multiple, int limit);
    size_t itemCount(int count, int limit);
    const char* text();
    const char* const* texts(int count, int limit);

    ElSpec record_{};
    FuzzedDataProvider bytes_;
    std::vector<std::shared_ptr<void>> owned_;
};

} // namespace molrfuzz

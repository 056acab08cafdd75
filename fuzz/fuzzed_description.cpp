// The counts come from a fixed header so that seeds can be written by hand; every later choice
// is drawn in turn from the bytes after it.
#include "fuzzed_description.h"

#include "description_limits.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

namespace molrfuzz {

namespace {

// Segments have no bound of the host's; longer lists than this are not worth the allocation.
constexpr int kSegmentListLimit = 1024;
// A description record carries 26 initialisation codes and 3 version reals.
constexpr int kInitialisationCodes = 26;
constexpr int kVersionReals = 3;
// Short lists for counts out of bounds, and the longest text.
constexpr size_t kShortList = 16;
constexpr size_t kLongestText = 64;

size_t headerBytes(size_t size) {
    return std::min(size, sizeof(int) * kCountFields);
}

} // namespace

FuzzedDescription::FuzzedDescription(const uint8_t* data, size_t size)
    : bytes_(data + headerBytes(size), size - headerBytes(size)) {
    ElSpec& s = record_;
    int* const counts[kCountFields] = {
        &s.dimensions,    &s.dofCount,      &s.nodeCount,    &s.dataCount,  &s.segmentCount,
        &s.intCode,       &s.intPointCount, &s.gpostCount,   &s.npostCount, &s.defaultIntCode,
        &s.rulePoints[0], &s.rulePoints[1], &s.rulePoints[2]};
    for (size_t i = 0; i < kCountFields && sizeof(int) * (i + 1) <= size; ++i) {
        std::memcpy(counts[i], data + sizeof(int) * i, sizeof(int));
    }
    s.codeName = text();
    s.topology = text();
    s.dataNames = texts(s.dataCount, xefhost::kMaxDataValues);
    s.gpostNames = texts(s.gpostCount, xefhost::kMaxQuantities);
    s.npostNames = texts(s.npostCount, xefhost::kMaxQuantities);
    s.nodeIds = texts(s.nodeCount, xefhost::kMaxNodes);
    s.segments = list<int>(s.segmentCount, 1, kSegmentListLimit);
    s.nodeDofs = list<int>(s.nodeCount, 1, xefhost::kMaxNodes);
    s.data = list<double>(s.dataCount, 1, xefhost::kMaxDataValues);
    s.intPoints = list<double>(s.intPointCount, 4, xefhost::kMaxPoints);
    s.referenceNodes = list<double>(s.nodeCount, 3, xefhost::kMaxNodes);
    s.pnweights = list<double>(s.nodeCount, 1, xefhost::kMaxNodes);
    s.initialisationCode = list<int>(kInitialisationCodes, 1, kInitialisationCodes);
    s.version = list<double>(kVersionReals, 1, kVersionReals);
}

template <class T> T* FuzzedDescription::allocate(size_t count) {
    T* values = new T[count]();
    owned_.emplace_back(values, [](void* p) { delete[] static_cast<T*>(p); });
    return values;
}

template <class T> const T* FuzzedDescription::list(int count, int multiple, int limit) {
    if (bytes_.ConsumeBool()) {
        return nullptr;
    }
    const size_t items = itemCount(count, limit);
    const size_t length = items * static_cast<size_t>(multiple);
    T* values = allocate<T>(length);
    for (size_t i = 0; i < length; ++i) {
        if constexpr (std::is_floating_point_v<T>) {
            values[i] = bytes_.ConsumeFloatingPoint<T>();
        } else {
            values[i] = bytes_.ConsumeIntegral<T>();
        }
    }
    return values;
}

size_t FuzzedDescription::itemCount(int count, int limit) {
    return count >= 0 && count <= limit ? static_cast<size_t>(count)
                                        : bytes_.ConsumeIntegralInRange<size_t>(0, kShortList);
}

const char* FuzzedDescription::text() {
    if (bytes_.ConsumeBool()) {
        return nullptr;
    }
    const std::string given = bytes_.ConsumeRandomLengthString(kLongestText);
    char* copy = allocate<char>(given.size() + 1);
    given.copy(copy, given.size());
    return copy;
}

const char* const* FuzzedDescription::texts(int count, int limit) {
    if (bytes_.ConsumeBool()) {
        return nullptr;
    }
    const size_t items = itemCount(count, limit);
    const char** list = allocate<const char*>(items);
    for (size_t i = 0; i < items; ++i) {
        list[i] = text();
    }
    return list;
}

} // namespace molrfuzz

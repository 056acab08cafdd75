// The host's side of XEFSetElSpec: a zeroed record, the call, and readable accessors.
#pragma once

#include "XEFRecords.h"
#include "element_library.h"
#include "element_traits.h"

#include <memory>
#include <string>
#include <vector>

namespace xefhost {

// Bytes the host allocates for ElSpec; the library fills at most the first 608.
constexpr size_t kElSpecBytes = 1024;
// Entries of the host's IData array; the library touches indices up to 103.
constexpr size_t kIDataEntries = 256;

// An element description as the host holds it: the record in host-owned zeroed storage and the
// host's IData array.
class ElementDescription {
  public:
    // Calls XEFSetElSpec(record, idata, intCode, dataMode) of the library; throws
    // DescriptionError (description_limits.h) where a count lies outside what the host takes.
    ElementDescription(const ElementLibrary& library, int intCode = -1, int dataMode = -1);

    ElSpec& record() { return *spec_; }
    const ElSpec& record() const { return *spec_; }
    int* idata() { return idata_.data(); }

    std::vector<std::string> dataNames() const;
    std::vector<std::string> gpostNames() const;
    std::vector<std::string> npostNames() const;
    // The plain values the model is built from.
    ElementTraits traits() const;

  private:
    struct alignas(16) Storage {
        unsigned char bytes[kElSpecBytes];
    };
    std::unique_ptr<Storage> storage_;
    ElSpec* spec_;
    std::vector<int> idata_;
};

} // namespace xefhost

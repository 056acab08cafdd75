// Run-time loading of an element library through its one exported routine.
#pragma once

#include "XEFRecords.h"

#include <stdexcept>
#include <string>

namespace xefhost {

// A library could not be used: the message names the file and the reason.
class LibraryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using SetElSpecRoutine = int (*)(ElSpec*, int*, int, int);

// Owns a loaded element library (dlopen on POSIX, LoadLibrary on Windows) and its XEFSetElSpec.
class ElementLibrary {
  public:
    explicit ElementLibrary(const std::string& path);
    ~ElementLibrary();
    ElementLibrary(const ElementLibrary&) = delete;
    ElementLibrary& operator=(const ElementLibrary&) = delete;

    const std::string& path() const { return path_; }
    SetElSpecRoutine setElSpec() const { return setElSpec_; }

  private:
    std::string path_;
    void* handle_ = nullptr;
    SetElSpecRoutine setElSpec_ = nullptr;
};

} // namespace xefhost

// Result files appear whole or not at all: a run that fails half-way never leaves a truncated file
// where a viewer or a script would take it for a result.
#pragma once

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace xefhost {

// Creates folder if missing and proves that a file can be made in it, so that a run finds a folder
// it cannot write before it solves rather than after. Throws std::runtime_error naming the folder
// and the system's reason.
void requireWritableFolder(const std::string& folder);

// Creates the folder of `path` if missing, lets `write` fill a temporary file beside it, forces the
// data to disk and renames the temporary over `path`. On any failure (including an exception from
// `write`) the temporary is removed, an existing `path` is left as it was, and std::runtime_error
// naming the file and the reason is thrown.
void writeAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

// The same for contents already in memory.
void writeTextAtomically(const std::string& path, std::string_view contents);

// Files that appear as one set: each is written whole to a temporary beside its path as it is
// added (from any thread), and only commit() renames them over their paths, once every one is
// complete. A set destroyed before commit() removes its temporaries and leaves every earlier file
// as it was, so a run that fails part-way never mixes new files with old. A folder in the way of
// a path is found when the file is added, before anything is renamed.
class AtomicFileSet {
  public:
    AtomicFileSet();
    ~AtomicFileSet();
    AtomicFileSet(const AtomicFileSet&) = delete;
    AtomicFileSet& operator=(const AtomicFileSet&) = delete;

    void add(const std::string& path, const std::function<void(std::ostream&)>& write);
    void addText(const std::string& path, std::string_view contents);
    void commit();

  private:
    struct Staged;
    std::mutex mutex_;
    std::vector<Staged> staged_;
};

} // namespace xefhost

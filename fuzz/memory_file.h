// A file that lives in memory and has a path, for the readers that take a path: each fuzz input
// is written to it in place, with no disk traffic and nothing left behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace molrfuzz {

class MemoryFile {
  public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the whole content.
    void write(const uint8_t* data, size_t size);
    // Opens the same file again (through /proc), as a regular file.
    const std::string& path() const { return path_; }

  private:
    int fd_;
    std::string path_;
};

} // namespace molrfuzz

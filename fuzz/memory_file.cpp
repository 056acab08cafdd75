// memfd_create gives an anonymous regular file whose /proc/self/fd link opens like any path.
#include "memory_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

namespace molrfuzz {

namespace {

[[noreturn]] void failSystem(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

} // namespace

MemoryFile::MemoryFile() : fd_(memfd_create("molr-fuzz-input", MFD_CLOEXEC)) {
    if (fd_ < 0) {
        failSystem("memfd_create");
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    close(fd_);
}

void MemoryFile::write(const uint8_t* data, size_t size) {
    if (ftruncate(fd_, 0) != 0) {
        failSystem("ftruncate");
    }
    for (size_t done = 0; done < size;) {
        const ssize_t written = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (written < 0) {
            failSystem("pwrite");
        }
        done += static_cast<size_t>(written);
    }
}

} // namespace molrfuzz

// Atomic file writes: a temporary beside the target, forced to disk, then renamed over it.
#include "atomic_file.h"

#include "signal_cleanup.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace xefhost {

namespace {

#if defined(_WIN32)
int processId() {
    return _getpid();
}
bool syncToDisk(const fs::path& file) {
    const int fd = _wopen(file.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        return false;
    }
    const bool synced = _commit(fd) == 0;
    return _close(fd) == 0 && synced;
}
#else
int processId() {
    return static_cast<int>(getpid());
}
bool syncToDisk(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}
#endif

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw std::runtime_error("cannot write " + path + ": " + reason);
}

// errno is the only account the streams give of a failed open or write.
std::string systemReason() {
    return errno != 0 ? std::generic_category().message(errno) : "the data could not be written";
}

// A hidden name beside the target, unique per process and call, so that the final rename stays
// within one file system and concurrent writers never share a temporary.
fs::path temporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + target.filename().string() + ".tmp" +
                             std::to_string(processId()) + "-" + std::to_string(counter++);
    return target.parent_path() / name;
}

} // namespace

// Removes the temporary unless it has been renamed into place. Outside the unnamed namespace, as
// AtomicFileSet's staged files hold it.
class TemporaryFile {
  public:
    explicit TemporaryFile(fs::path path) : path_(std::move(path)), registered_(path_.string()) {}
    ~TemporaryFile() {
        if (!placed_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const fs::path& path() const { return path_; }
    void placeAs(const fs::path& target, std::error_code& error) {
        fs::rename(path_, target, error);
        placed_ = !error;
    }

  private:
    fs::path path_;
    bool placed_ = false;
    RegisteredTemporary registered_; // removed by a signal that ends the run before the rename
};

namespace {

// Writes the contents to a temporary beside path and forces them to disk; the temporary is
// removed if anything fails.
std::unique_ptr<TemporaryFile> stage(const std::string& path,
                                     const std::function<void(std::ostream&)>& write) {
    const fs::path target(path);
    std::error_code error;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) {
            fail(path, "cannot create the folder " + target.parent_path().string() + " (" +
                           error.message() + ")");
        }
    }
    if (fs::is_directory(target, error)) {
        fail(path, "a folder of that name is in the way");
    }
    auto temporary = std::make_unique<TemporaryFile>(temporaryBeside(target));
    {
        errno = 0;
        std::ofstream stream(temporary->path(), std::ios::binary | std::ios::trunc);
        if (!stream) {
            fail(path, systemReason());
        }
        try {
            write(stream);
        } catch (const std::exception& e) {
            fail(path, e.what());
        }
        stream.close();
        if (!stream) {
            fail(path, systemReason());
        }
    }
    if (!syncToDisk(temporary->path())) {
        fail(path, systemReason());
    }
    return temporary;
}

} // namespace

void requireWritableFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        throw std::runtime_error("cannot create the output folder " + folder + ": " +
                                 error.message());
    }
    const TemporaryFile probe(temporaryBeside(fs::path(folder) / "write-probe"));
    errno = 0;
    std::ofstream stream(probe.path(), std::ios::binary | std::ios::trunc);
    if (!stream) {
        throw std::runtime_error("cannot write results to the output folder " + folder + ": " +
                                 systemReason());
    }
}

struct AtomicFileSet::Staged {
    std::string path;
    std::unique_ptr<TemporaryFile> temporary;
};

AtomicFileSet::AtomicFileSet() = default;
AtomicFileSet::~AtomicFileSet() = default;

void AtomicFileSet::add(const std::string& path, const std::function<void(std::ostream&)>& write) {
    std::unique_ptr<TemporaryFile> temporary = stage(path, write);
    const std::lock_guard<std::mutex> lock(mutex_);
    staged_.push_back(Staged{path, std::move(temporary)});
}

void AtomicFileSet::addText(const std::string& path, std::string_view contents) {
    add(path, [contents](std::ostream& out) {
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    });
}

void AtomicFileSet::commit() {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (Staged& file : staged_) {
        std::error_code error;
        file.temporary->placeAs(file.path, error);
        if (error) {
            fail(file.path, error.message());
        }
    }
    staged_.clear();
}

void writeAtomically(const std::string& path, const std::function<void(std::ostream&)>& write) {
    AtomicFileSet file;
    file.add(path, write);
    file.commit();
}

void writeTextAtomically(const std::string& path, std::string_view contents) {
    writeAtomically(path, [contents](std::ostream& out) {
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    });
}

} // namespace xefhost

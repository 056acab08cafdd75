// What an interrupted or crashing run must not leave behind: temporary files are registered here
// while they exist, and a signal that ends the process removes them first. The handlers do only
// what is safe inside a signal handler. (Child processes are tied to this one's life where they
// are started; see gmsh_runner.)
#pragma once

#include <string>

namespace xefhost {

// Makes SIGINT, SIGTERM and SIGHUP remove the registered temporaries, then end the process as the
// signal would have (exit status 128 + signal).
void installInterruptCleanup();

// Removes every registered temporary; safe to call from a signal handler.
void cleanUpRegistered() noexcept;

// A file that exists only while its owner works on it. Paths past PATH_MAX, or more than the
// registry holds at once, are simply not cleaned up by a signal; the owner still removes them.
class RegisteredTemporary {
  public:
    explicit RegisteredTemporary(const std::string& path);
    ~RegisteredTemporary();
    RegisteredTemporary(const RegisteredTemporary&) = delete;
    RegisteredTemporary& operator=(const RegisteredTemporary&) = delete;

  private:
    int slot_;
};

// A file of the host's own making, removed when the object goes, whichever way the run leaves its
// scope, or by a signal that ends the process.
class ScratchFile {
  public:
    explicit ScratchFile(std::string path);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    RegisteredTemporary registered_;
};

} // namespace xefhost

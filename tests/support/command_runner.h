// Runs a command line and collects its exit code and output, for end-to-end tests of xefhost.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace molrtest {

struct CommandResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        return result;
    }
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string xefhost() {
    return std::string(MOLR_BINARY_DIR) + "/xefhost";
}

// An empty folder of the build tree for one test's files, e.g. solve-tests/patch.
inline std::filesystem::path scratchFolder(const std::string& group, const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(MOLR_BINARY_DIR) / group / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// `xefhost solve` of a problem file with the built module, results into out.
inline CommandResult xefhostSolve(const std::string& problem, const std::filesystem::path& out,
                                  const std::string& extra = "") {
    return runCommand(xefhost() + " solve " + problem + " --element " + MOLR_MODULE_PATH + " -o " +
                      out.string() + " " + extra);
}

} // namespace molrtest

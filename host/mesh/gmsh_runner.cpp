#include "gmsh_runner.h"

#include "file_kind.h"
#include "msh_reader.h"
#include "signal_cleanup.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace xefhost {

namespace {

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / program;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return "";
}

std::string lastLines(const std::string& file, size_t count) {
    std::ifstream in(file);
    std::string line, all;
    std::vector<std::string> lines;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    for (size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) {
        all += "\n  " + lines[i];
    }
    return all;
}

std::string sizeText(double size) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", size);
    return text;
}

// Runs gmsh with the given arguments, its output going to `log` and its input from /dev/null.
// Returns whether it exited with status 0. gmsh is asked to end with this process (the kernel
// sends it SIGTERM when the host dies, whichever way), so that an interrupted or crashed run
// never leaves it meshing on.
bool runGmsh(const std::string& geometry, const std::vector<std::string>& arguments,
             const std::string& log) {
    const std::string gmsh = findOnPath("gmsh");
    if (gmsh.empty()) {
        throw GmshError("meshing " + geometry +
                        " needs the gmsh program, which is not installed (Debian package "
                        "'gmsh': apt-get install gmsh, or run `make deps`)");
    }
    std::vector<char*> argv{const_cast<char*>(gmsh.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t host = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls safe between fork and exec in a threaded process.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != host) {
            ::_exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signal, SIG_DFL);
        }
        const int input = ::open("/dev/null", O_RDONLY);
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (input < 0 || output < 0 || ::dup2(input, STDIN_FILENO) < 0 ||
            ::dup2(output, STDOUT_FILENO) < 0 || ::dup2(output, STDERR_FILENO) < 0) {
            ::_exit(127);
        }
        ::execv(gmsh.c_str(), argv.data());
        ::_exit(127);
    }
    if (pid < 0) {
        throw GmshError("cannot start " + gmsh + " to mesh " + geometry + ": " +
                        std::strerror(errno));
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void requireGeometryFile(const std::string& geometry) {
    const std::string kind = notARegularFile(geometry);
    if (!kind.empty()) {
        throw GmshError(geometry + ": " +
                        (kind == "no such file" ? "no such geometry file"
                                                : "is " + kind + ", not a geometry file"));
    }
}

} // namespace

double estimateTriangles(const std::string& geometry, double elementSize,
                         const std::string& scratchPath) {
    requireGeometryFile(geometry);
    const ScratchFile model(scratchPath), log(scratchPath + ".log");
    const std::string size = sizeText(elementSize);
    if (!runGmsh(geometry,
                 {geometry, "-0", "-setnumber", "h", size, "-format", "msh41", "-o", scratchPath},
                 scratchPath + ".log")) {
        throw GmshError("gmsh could not read " + geometry + ":" +
                        lastLines(scratchPath + ".log", 8));
    }
    double area = 0;
    for (const SurfaceBox& box : readMshModel(scratchPath).surfaceBoxes) {
        area += (box.maxX - box.minX) * (box.maxY - box.minY);
    }
    return area / (std::sqrt(3.0) / 4.0 * elementSize * elementSize);
}

void requireMeshableSize(const std::string& geometry, double elementSize,
                         const std::string& scratchPath) {
    const double triangles = estimateTriangles(geometry, elementSize, scratchPath);
    if (triangles > kMaxMeshedTriangles) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "an element size of %g would give about %.2g triangles on %s, more than the "
                      "%.0e the host meshes; choose an element size of at least %.3g",
                      elementSize, triangles, geometry.c_str(), kMaxMeshedTriangles,
                      elementSize * std::sqrt(triangles / kMaxMeshedTriangles));
        throw GmshError(text);
    }
}

void meshGeometry(const std::string& geometry, double elementSize, const std::string& mshPath) {
    requireGeometryFile(geometry);
    const std::string size = sizeText(elementSize);
    const std::string log = mshPath + ".log";
    const ScratchFile logFile(log);
    const RegisteredTemporary mesh(mshPath);
    const bool ok = runGmsh(geometry,
                            {geometry, "-2", "-format", "msh41", "-bin", "-setnumber", "h", size,
                             "-clmax", size, "-o", mshPath},
                            log) &&
                    std::filesystem::is_regular_file(mshPath);
    if (!ok) {
        ::unlink(mshPath.c_str());
        throw GmshError("gmsh could not mesh " + geometry + ":" + lastLines(log, 8));
    }
}

} // namespace xefhost

#include "gmsh_runner.h"

#include "file_kind.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
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

} // namespace

void meshGeometry(const std::string& geometry, double elementSize, const std::string& mshPath) {
    const std::string kind = notARegularFile(geometry);
    if (!kind.empty()) {
        throw GmshError(geometry + ": " +
                        (kind == "no such file" ? "no such geometry file"
                                                : "is " + kind + ", not a geometry file"));
    }
    const std::string gmsh = findOnPath("gmsh");
    if (gmsh.empty()) {
        throw GmshError("meshing " + geometry +
                        " needs the gmsh program, which is not installed (Debian package "
                        "'gmsh': apt-get install gmsh, or run `make deps`)");
    }
    char size[64];
    std::snprintf(size, sizeof size, "%.17g", elementSize);
    const std::string log = mshPath + ".log";
    const std::string command = quoted(gmsh) + " " + quoted(geometry) +
                                " -2 -format msh41 -bin -setnumber h " + size + " -clmax " + size +
                                " -o " + quoted(mshPath) + " > " + quoted(log) + " 2>&1";
    const int status = std::system(command.c_str());
    const bool ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                    std::filesystem::is_regular_file(mshPath);
    if (!ok) {
        const std::string tail = lastLines(log, 8);
        std::filesystem::remove(log);
        throw GmshError("gmsh could not mesh " + geometry + ":" + tail);
    }
    std::filesystem::remove(log);
}

} // namespace xefhost

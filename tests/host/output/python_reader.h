// Result files are checked by reading them back with Debian's Python readers, independent of the
// writers' own code.
#pragma once

#include "command_runner.h"

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace molrtest {

// Debian's packaged modules (python3-meshio) belong to Debian's interpreter, which a user's PATH
// may hide behind another one.
inline std::string debianPython() {
    return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

inline bool pythonHasModule(const std::string& module) {
    return runCommand(debianPython() + " -c 'import " + module + "'").exitCode == 0;
}

// Runs tests/host/output/<script> on `file`; its lines are tab-separated fields.
inline CommandResult runReader(const std::string& script, const std::string& file) {
    return runCommand(debianPython() + " " + MOLR_SOURCE_DIR + "/tests/host/output/" + script +
                      " '" + file + "'");
}

inline std::vector<std::vector<std::string>> tabSeparatedLines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) {
            fields.push_back(field);
        }
        lines.push_back(fields);
    }
    return lines;
}

} // namespace molrtest

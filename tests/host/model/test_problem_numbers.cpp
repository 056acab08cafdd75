// Whole numbers in a problem file: an integer, or a float holding one, is taken; a fraction, or a
// float beyond what any integer type holds, is refused by name rather than cast.
#include "problem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using xefhost::Problem;
using xefhost::ProblemError;
using xefhost::readProblem;

struct NumberCase {
    const char* name;
    const char* text;    // appended to a problem that is otherwise complete
    const char* refusal; // in the ProblemError's message, or null when the file is taken
    int steps;           // when taken
    int intCode;         // when taken
};

const NumberCase kCases[] = {
    {"integers", "integration_code = 3\n[solve]\nsteps = 2\n", nullptr, 2, 3},
    {"whole-floats", "integration_code = 3.0\n[solve]\nsteps = 2.0\n", nullptr, 2, 3},
    {"fraction", "[solve]\nsteps = 2.5\n", "solve.steps: expected an integer", 0, 0},
    {"huge-steps", "[solve]\nmax_iterations = 201e100\n",
     "solve.max_iterations: expected an integer", 0, 0},
    {"huge-negative-steps", "[solve]\nsteps = -1e19\n", "solve.steps: expected an integer", 0, 0},
    {"huge-code", "integration_code = 9.3e18\n", "integration_code: expected an integer", 0, 0},
    {"infinite-code", "integration_code = inf\n", "integration_code: expected an integer", 0, 0},
};

std::string write(const NumberCase& c) {
    const std::filesystem::path folder = std::filesystem::path(MOLR_BINARY_DIR) / "problem_numbers";
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / (std::string(c.name) + ".toml");
    // Top-level keys must come before the first table.
    const std::string text(c.text);
    const size_t tables = text.find('[');
    std::ofstream(path) << text.substr(0, tables)
                        << "[mesh]\nfile = \"m.msh\"\n[[fix]]\ngroup = \"g\"\nx = 0.0\n"
                        << (tables == std::string::npos ? "" : text.substr(tables));
    return path.string();
}

TEST(ProblemNumbers, WholeNumbersAreTakenAndOthersRefusedByName) {
    for (const NumberCase& c : kCases) {
        const std::string path = write(c);
        if (!c.refusal) {
            const Problem problem = readProblem(path);
            EXPECT_EQ(problem.solve.steps, c.steps) << c.name;
            EXPECT_EQ(problem.intCode, c.intCode) << c.name;
            continue;
        }
        try {
            readProblem(path);
            ADD_FAILURE() << c.name << " was taken";
        } catch (const ProblemError& error) {
            EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos)
                << c.name << ": " << error.what();
        }
    }
}

} // namespace

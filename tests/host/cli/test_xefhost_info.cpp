// `xefhost info` end to end: what a person reads, and the refusals of unusable files.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

using molrtest::runCommand;
using molrtest::xefhost;

TEST(XefhostInfo, DescribesTheElementWithReadableNames) {
    const auto r = runCommand(xefhost() + " info " + MOLR_MODULE_PATH);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    for (const char* expected :
         {"MOLR", "T1", "3, unknowns per node 2, 2, 2 (6 in all)", "0.49", "(Poisson)", "(Young)",
          "\u03BD", "\u03C3xx", "\u03C3xy", "DeformedMeshX", "35 (default 35): 3 points"}) {
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
    }
    EXPECT_EQ(r.output.find("$["), std::string::npos) << "escapes must be shown as letters";
}

TEST(XefhostInfo, ShowsTheCountsOfARequestedCode) {
    const auto r = runCommand(xefhost() + " info " + MOLR_MODULE_PATH + " --int-code 21022023");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("21022023 (default 35): 24 points; component rules 4, 3, 2"),
              std::string::npos)
        << r.output;
}

TEST(XefhostInfo, UnusableFilesGiveOneLineNamingTheFileAndExitTwo) {
    const std::string text = std::string(MOLR_BINARY_DIR) + "/not_a_library.txt";
    std::ofstream(text) << "plain text\n";
    const struct {
        std::string path, reason;
    } cases[] = {
        {"/nonexistent/MOLR.so", "no such file"},
        {text, "not a loadable library"},
        {"/lib/x86_64-linux-gnu/libm.so.6", "does not export XEFSetElSpec"},
    };
    for (const auto& c : cases) {
        const auto r = runCommand(xefhost() + " info " + c.path);
        EXPECT_EQ(r.exitCode, 2) << r.output;
        EXPECT_NE(r.output.find(c.path), std::string::npos) << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << r.output;
        EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    }
}

} // namespace

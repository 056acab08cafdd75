// An element library that lies is caught before its lie becomes a result: a count out of bounds
// is refused by every command (exit code 2, one line naming the field and its value), and a
// non-finite residual stops the solve (exit code 3).
#include "command_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Lie {
    const char* setting; // MOLR_LIE for the lying element
    const char* named;   // what the refusal must say
};

const Lie kLies[] = {
    {"nodeCount=1000000000", "the description's nodeCount is 1000000000"},
    {"nodeCount=-3", "the description's nodeCount is -3"},
    {"dofCount=100000", "the description's dofCount is 100000"},
    {"dataCount=1000000000", "the description's dataCount is 1000000000"},
    {"gpostCount=1000000000", "the description's gpostCount is 1000000000"},
    {"npostCount=-1", "the description's npostCount is -1"},
    {"intPointCount=1000000000", "the description's intPointCount is 1000000000"},
    {"dimensions=7", "the description's dimensions is 7"},
};

std::string command(const std::string& verb, const std::string& lie) {
    const std::string liar = MOLR_LYING_ELEMENT;
    const std::string tail =
        verb == "solve" ? std::string(MOLR_SOURCE_DIR) + "/examples/patch/patch.toml --element " +
                              liar + " -o " + MOLR_BINARY_DIR + "/description-limits-out"
                        : liar;
    return "MOLR_LIE='" + lie + "' " + molrtest::xefhost() + " " + verb + " " + tail;
}

TEST(DescriptionLimits, EveryCommandRefusesACountOutOfBoundsByName) {
    for (const Lie& lie : kLies) {
        for (const char* verb : {"info", "check", "solve"}) {
            const molrtest::CommandResult r = molrtest::runCommand(command(verb, lie.setting));
            EXPECT_EQ(r.exitCode, 2) << verb << " " << lie.setting << "\n" << r.output;
            EXPECT_NE(r.output.find(lie.named), std::string::npos)
                << verb << " " << lie.setting << "\n"
                << r.output;
        }
    }
}

TEST(LyingElement, ACrashWhileLoadingOrDescribingIsNamedByEveryCommand) {
    const std::pair<const char*, const char*> crashes[] = {
        {"load=crash", "crashed with SIGSEGV (segmentation fault) in its load-time initialisation"},
        {"describe=crash", "crashed with SIGSEGV (segmentation fault) in its XEFSetElSpec"},
    };
    for (const auto& [lie, named] : crashes) {
        for (const char* verb : {"info", "check", "solve"}) {
            const molrtest::CommandResult r = molrtest::runCommand(command(verb, lie));
            EXPECT_NE(r.exitCode, 0) << verb << " " << lie << "\n" << r.output;
            EXPECT_NE(r.output.find(named), std::string::npos) << verb << " " << lie << "\n"
                                                               << r.output;
        }
    }
}

TEST(DescriptionLimits, TheSameLibraryTellingTheTruthIsDescribed) {
    const molrtest::CommandResult r = molrtest::runCommand(command("info", ""));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("LIAR"), std::string::npos) << r.output;
}

} // namespace

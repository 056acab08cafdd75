// `xefhost check` end to end: the MOLR module passes every check, and each deliberately faulty
// library is caught by the check meant for its fault, and only the checks its fault touches fail. A
// kernel that crashes, writes past its outputs or never returns fails the families that call it,
// naming what happened, and the bench lives on to run the rest.
#include "check_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

namespace {

using molrtest::check;
using molrtest::expectStatus;
using molrtest::kAllChecks;
using molrtest::Report;
using molrtest::runCommand;
using molrtest::xefhost;

std::string faulty(const std::string& fault) {
    return molrtest::testElement("faulty_" + fault);
}

TEST(CheckBench, MolrPassesEveryCheck) {
    const Report report = check(MOLR_MODULE_PATH, "--work-size 228");
    EXPECT_EQ(report.exitCode, 0) << report.output;
    EXPECT_EQ(report.status.size(), std::size(kAllChecks)) << report.output;
    for (const char* name : kAllChecks) {
        expectStatus(report, {name}, "PASS");
    }
    EXPECT_NE(report.output.find("12 checks: 12 passed, 0 failed, 0 skipped"), std::string::npos)
        << report.output;
}

TEST(CheckBench, TheFaultFreeWrapperPassesSoFaultsAreWhatFails) {
    const Report report = check(faulty("none"), "--work-size 228");
    EXPECT_EQ(report.exitCode, 0) << report.output;
    for (const char* name : kAllChecks) {
        expectStatus(report, {name}, "PASS");
    }
}

TEST(CheckBench, OneWrongTangentEntryFailsTheTangentCheck) {
    const Report report = check(faulty("tangent_entry"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"tangent"}, "FAIL");
    // The entry is row 1, column 4, or its mirror image found below the diagonal.
    const std::string line = report.line("tangent");
    EXPECT_TRUE(line.find("row 1, column 4") != std::string::npos ||
                line.find("row 4, column 1") != std::string::npos)
        << line;
    // The residual is untouched, and so is everything that reads only the residual.
    expectStatus(report, {"description", "rigid-residual", "work-tangent", "determinism"}, "PASS");
}

TEST(CheckBench, AMissingRotationModeFailsTheRigidModeChecks) {
    const Report report = check(faulty("rotation_spring"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"rigid-residual", "rigid-modes"}, "FAIL");
    EXPECT_NE(report.line("rigid-residual").find("rotation"), std::string::npos) << report.output;
    // Two zero eigenvalues left of the three rigid motions.
    EXPECT_TRUE(std::regex_search(report.line("rigid-modes"), std::regex(R"(\(expected 3\) +2 )")))
        << report.output;
    // The spring is a consistent, symmetric and frame-invariant addition.
    expectStatus(report, {"tangent", "frame", "determinism", "thread-safety"}, "PASS");
}

TEST(CheckBench, AMaterialAxisFixedToTheCoordinatesFailsTheFrameCheck) {
    const Report report = check(faulty("axis_bias"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"frame"}, "FAIL");
    // Homogeneous anisotropy still passes the patch test and keeps every rigid motion.
    expectStatus(report, {"tangent", "rigid-residual", "rigid-modes", "patch"}, "PASS");
}

TEST(CheckBench, AnEmptyNameFailsTheDescriptionCheck) {
    const Report report = check(faulty("missing_name"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"description"}, "FAIL");
    EXPECT_NE(report.line("description").find("node id 2 is empty"), std::string::npos)
        << report.output;
    expectStatus(report, {"tangent", "rigid-modes", "patch", "frame", "point-count"}, "PASS");
}

TEST(CheckBench, APointCountThatIgnoresTheCodeFailsThePointCountCheck) {
    const Report report = check(faulty("fixed_point_count"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"point-count"}, "FAIL");
    EXPECT_NE(report.line("point-count").find("code 12: intPointCount 3, rule has 1"),
              std::string::npos)
        << report.output;
    // Kernels are never handed a rule whose count the library misstates.
    expectStatus(report, {"rule-independence"}, "SKIP");
    expectStatus(report, {"description", "tangent", "patch"}, "PASS");
}

TEST(CheckBench, WritingBeyondTheDeclaredWorkSizeFailsTheWorkCheck) {
    const Report limited = check(faulty("work_overrun"), "--work-size 228");
    EXPECT_EQ(limited.exitCode, 1) << limited.output;
    expectStatus(limited, {"work-tangent"}, "FAIL");
    EXPECT_NE(limited.line("work-tangent").find("highest entry written 300"), std::string::npos)
        << limited.output;
    expectStatus(limited, {"work-post", "tangent", "rigid-residual", "patch", "determinism"},
                 "PASS");

    // Without a limit the use is reported, not judged; a limit it keeps passes.
    const Report unlimited = check(faulty("work_overrun"));
    EXPECT_EQ(unlimited.exitCode, 0) << unlimited.output;
    EXPECT_NE(unlimited.line("work-tangent").find("301"), std::string::npos) << unlimited.output;
    EXPECT_EQ(check(faulty("work_overrun"), "--work-size 301").exitCode, 0);
}

TEST(CheckBench, ReadingStaleWorkEntriesFailsTheWorkCheck) {
    const Report report = check(faulty("stale_work"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"work-tangent"}, "FAIL");
    EXPECT_NE(report.line("work-tangent").find("held on entry"), std::string::npos)
        << report.output;
    expectStatus(report, {"work-post"}, "PASS");
}

TEST(CheckBench, ANonDeterministicKernelFailsTheDeterminismChecks) {
    const Report report = check(faulty("nondeterministic"));
    EXPECT_EQ(report.exitCode, 1) << report.output;
    expectStatus(report, {"determinism", "thread-safety"}, "FAIL");
    // The nudge is far below every other tolerance.
    expectStatus(report, {"tangent", "rigid-residual", "patch", "frame", "work-tangent"}, "PASS");
}

TEST(CheckBench, KernelsThatCrashOrWritePastTheirOutputsFailTheFamiliesThatCallThem) {
    // Only the description family calls no kernel, and only four families call the post kernel.
    const std::set<std::string> tangentFree = {"description"};
    const std::set<std::string> postFree = {"description", "tangent", "rigid-residual",
                                            "rigid-modes", "frame"};
    const struct {
        const char* fault;
        const char* check; // whose line is read
        const char* detail;
        const std::set<std::string>& passing;
    } cases[] = {
        {"stray_pointer", "tangent",
         "(SIGSEGV (segmentation fault) in the tangent kernel (call 1 of the tangent family))",
         tangentFree},
        {"residual_overrun", "tangent",
         "SIGSEGV (segmentation fault): wrote 1 real past the residual (6 reals) in the tangent "
         "kernel (call 1 of the tangent family)",
         tangentFree},
        {"matrix_overrun", "rigid-modes",
         "wrote 1 real past the matrix (36 reals) in the tangent kernel (call 1 of the rigid-mode "
         "family)",
         tangentFree},
        {"far_overrun", "frame", "wrote 64 reals past the residual (6 reals) in the tangent kernel",
         tangentFree},
        {"point_overrun", "patch",
         "SIGSEGV (segmentation fault): wrote 1 real past the point output (18 reals) in the "
         "post-processing kernel",
         postFree},
    };
    for (const auto& c : cases) {
        const Report report = check(faulty(c.fault));
        EXPECT_EQ(report.exitCode, 1) << report.output;
        EXPECT_NE(report.line(c.check).find(c.detail), std::string::npos) << report.output;
        for (const char* name : kAllChecks) {
            expectStatus(report, {name}, c.passing.count(name) ? "PASS" : "FAIL");
        }
    }
}

TEST(CheckBench, AKernelThatNeverReturnsFailsAtTheTimeLimitAndTheOtherFamiliesRun) {
    const Report report = check(faulty("endless_loop"), "--timeout 0.5");
    EXPECT_EQ(report.exitCode, 1) << report.output;
    EXPECT_NE(
        report.line("tangent").find(
            "did not return within 0.5 s in the tangent kernel (call 1 of the tangent family)"),
        std::string::npos)
        << report.output;
    expectStatus(report, {"description"}, "PASS");
    EXPECT_EQ(report.summary, "12 checks: 1 passed, 11 failed, 0 skipped") << report.output;

    for (const char* limit : {"0", "-1"}) {
        const Report refused = check(faulty("none"), std::string("--timeout ") + limit);
        EXPECT_NE(refused.exitCode, 0) << refused.output;
        EXPECT_NE(refused.output.find("not in range"), std::string::npos) << refused.output;
    }
}

TEST(CheckBench, UnusableLibrariesExitTwoWithTheReason) {
    const struct {
        std::string library, reason;
    } cases[] = {
        {faulty("null_kernel"), "no post-processing kernel"},
        {faulty("three_d"), "works in 3 dimensions; the bench checks plane (2D) elements only"},
        {"/lib/x86_64-linux-gnu/libm.so.6", "does not export XEFSetElSpec"},
        {"/nonexistent/MOLR.so", "no such file"},
    };
    for (const auto& c : cases) {
        const Report report = check(c.library);
        EXPECT_EQ(report.exitCode, 2) << report.output;
        EXPECT_NE(report.output.find(c.library), std::string::npos) << report.output;
        EXPECT_NE(report.output.find(c.reason), std::string::npos) << report.output;
        EXPECT_TRUE(report.status.empty()) << report.output;
    }
}

// The JSON document parses, and its statuses and counts agree with the exit code.
const char* const kJsonCheck = R"(import json, sys
document, exit_code, failing = sys.argv[1], int(sys.argv[2]), sys.argv[3]
d = json.load(open(document))
assert d['exitCode'] == exit_code, d
assert d['verified'] == (exit_code == 0), d
found = ','.join(sorted(c['name'] for c in d['checks'] if c['status'] == 'FAIL'))
assert found == failing, found
for c in d['checks']:
    assert c['status'] in ('PASS', 'FAIL', 'SKIP'), c
    assert c['status'] == 'SKIP' or isinstance(c['figure'], (int, float)), c
if d['checks']:
    assert d['failed'] + d['passed'] + d['skipped'] == len(d['checks']), d
    assert (d['skipped'] > 0) == (exit_code == 4) or d['failed'] > 0, d
else:
    assert d['usable'] is False and d['reason'], d
)";

void expectJson(const std::string& library, const std::string& options, int exitCode,
                const std::string& failing) {
    const std::string directory = MOLR_BINARY_DIR;
    const std::string script = directory + "/check_bench_json.py";
    const std::string document = directory + "/check_bench_report.json";
    std::ofstream(script) << kJsonCheck;
    // Standard error (the refusal's one line) stays out of the document.
    const molrtest::CommandResult run =
        runCommand("(" + xefhost() + " check " + library + " --json " + options +
                   " 2>/dev/null) >" + document);
    EXPECT_EQ(run.exitCode, exitCode) << run.output;
    const molrtest::CommandResult parsed =
        runCommand("python3 " + script + " " + document + " " + std::to_string(exitCode) + " '" +
                   failing + "'");
    EXPECT_EQ(parsed.exitCode, 0) << library << "\n" << parsed.output;
}

TEST(CheckBench, JsonReportsParseAndAgreeWithTheExitCode) {
    expectJson(MOLR_MODULE_PATH, "--work-size 228 --seed 7", 0, "");
    expectJson(faulty("work_overrun"), "--work-size 228", 1, "work-tangent");
    expectJson(faulty("nondeterministic"), "", 1, "determinism,thread-safety");
    expectJson(faulty("point_overrun"), "", 1,
               "determinism,patch,point-count,rule-independence,thread-safety,work-post,"
               "work-tangent");
    expectJson(faulty("null_kernel"), "", 2, "");
    expectJson(molrtest::testElement("quadrilateral_q1"), "", 0, "");
    expectJson(molrtest::testElement("quadrilateral_q1_unknown_topology"), "", 4, "");
}

TEST(CheckBench, TheSeedChangesTheTrialsNotTheVerdict) {
    const Report first = check(MOLR_MODULE_PATH, "--seed 1");
    const Report second = check(MOLR_MODULE_PATH, "--seed 2");
    EXPECT_EQ(first.exitCode, 0) << first.output;
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_NE(first.line("tangent"), second.line("tangent"));
    EXPECT_EQ(check(MOLR_MODULE_PATH, "--seed 1").line("tangent"), first.line("tangent"));
}

} // namespace

// `xefhost check` on the NEOHOOKE element as a user runs it: every check passes, without any work
// vector. Its twin built with the geometric stiffness left out is caught by the tangent check,
// while the checks that see only the residual, or the unstressed tangent, still pass.
#include "bench_report.h"

#include <gtest/gtest.h>

namespace {

const char* const kAllChecks[] = {
    "description",  "tangent",   "rigid-residual", "rigid-modes",
    "patch",        "frame",     "point-count",    "rule-independence",
    "work-tangent", "work-post", "determinism",    "thread-safety"};

using Report = exampletest::BenchReport;

Report check(const std::string& library, const std::string& options) {
    return exampletest::runBench(library, options);
}

class EveryCheck : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryCheck, PassesWithNoWorkVector) {
    const Report report = check(NEOHOOKE_MODULE_PATH, std::string("--work-size 0 ") + GetParam());
    EXPECT_EQ(report.exitCode, 0) << report.output;
    EXPECT_EQ(report.status.size(), std::size(kAllChecks)) << report.output;
    for (const char* name : kAllChecks) {
        EXPECT_EQ(report.of(name), "PASS") << name << "\n" << report.output;
    }
    EXPECT_NE(report.output.find("element NEOHOOKE, topology T1"), std::string::npos)
        << report.output;
}

INSTANTIATE_TEST_SUITE_P(Seeds, EveryCheck, ::testing::Values("--seed 1", "--seed 7"));

TEST(FaultSeededTwin, WithoutGeometricStiffnessFailsTheTangentCheck) {
    const Report report = check(NEOHOOKE_NO_GEOMETRIC_STIFFNESS_PATH, "--work-size 0");
    EXPECT_EQ(report.exitCode, 1) << report.output;
    EXPECT_EQ(report.of("tangent"), "FAIL") << report.output;
    for (const char* name : {"description", "rigid-residual", "rigid-modes", "frame",
                             "rule-independence", "determinism", "thread-safety"}) {
        EXPECT_EQ(report.of(name), "PASS") << name << "\n" << report.output;
    }
}

} // namespace

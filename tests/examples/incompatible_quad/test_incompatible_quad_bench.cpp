// `xefhost check` on the incompatible-mode quadrilateral: no check fails it, its twin with the
// stiffness taken before condensation fails the tangent check, and Wilson's uncorrected modes do
// not pass the patch test.
#include "bench_report.h"

#include <gtest/gtest.h>

namespace {

using exampletest::BenchReport;
using exampletest::runBench;

TEST(IncompatibleQuadBench, NoCheckFails) {
    // 192 reals: the matrix, residual, condensed residual and coupling the kernels keep there.
    const BenchReport report = runBench(INCOMPATIBLE_QUAD_PATH, "--work-size 192");
    EXPECT_EQ(report.exitCode, 0) << report.output;
    EXPECT_EQ(report.count("FAIL"), 0) << report.output;
    for (const char* check : {"description", "tangent", "patch"}) {
        EXPECT_EQ(report.of(check), "PASS") << check << "\n" << report.output;
    }
}

TEST(IncompatibleQuadBench, StiffnessBeforeCondensationFailsTheTangentCheck) {
    const BenchReport report = runBench(INCOMPATIBLE_QUAD_FAULT_PATH);
    EXPECT_EQ(report.exitCode, 1) << report.output;
    EXPECT_EQ(report.of("tangent"), "FAIL") << report.output;
    EXPECT_EQ(report.of("description"), "PASS") << report.output;
}

TEST(IncompatibleQuadBench, UncorrectedModesDoNotPassThePatchTest) {
    const BenchReport report = runBench(UNCORRECTED_QUAD_PATH);
    EXPECT_EQ(report.of("patch"), "FAIL") << report.output;
    EXPECT_EQ(report.exitCode, 1) << report.output;
}

} // namespace

// `xefhost check` on the six-node triangle: no check fails it, and its twin with one wrong
// stiffness entry (residual right) fails the tangent check while the residual-only checks pass.
#include "bench_report.h"

#include <gtest/gtest.h>

namespace {

using exampletest::BenchReport;
using exampletest::runBench;

TEST(QuadraticTriangleBench, NoCheckFails) {
    // The kernels write none of the work vector.
    const BenchReport report = runBench(QUADRATIC_TRIANGLE_PATH, "--work-size 0");
    EXPECT_EQ(report.exitCode, 0) << report.output;
    EXPECT_EQ(report.count("FAIL"), 0) << report.output;
    for (const char* check : {"description", "tangent", "patch"}) {
        EXPECT_EQ(report.of(check), "PASS") << check << "\n" << report.output;
    }
}

TEST(QuadraticTriangleBench, TheSeededFaultFailsTheTangentCheck) {
    const BenchReport report = runBench(QUADRATIC_TRIANGLE_FAULT_PATH);
    EXPECT_EQ(report.exitCode, 1) << report.output;
    EXPECT_EQ(report.of("tangent"), "FAIL") << report.output;
    EXPECT_EQ(report.of("description"), "PASS") << report.output;
    EXPECT_NE(report.of("rigid-residual"), "FAIL") << report.output;
}

} // namespace

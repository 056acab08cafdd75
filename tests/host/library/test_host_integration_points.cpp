// The host's hold on the points of an integration code, and `xefhost info --points`.
#include "XEMUtility.h"
#include "integration_points.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(HostIntegrationPoints, SingleCodeBorrowsTheCatalogueTable) {
    std::vector<int> idata(128, 0);
    int code = 35, count = 0;
    const xefhost::IntegrationPoints points(code, idata.data());
    EXPECT_EQ(points.data(), XEFIntPoints(&code, &count));
    EXPECT_EQ(points.count(), 3);
    EXPECT_EQ(points.componentCounts(), (std::array<int, 3>{3, 0, 0}));
    // Leaving scope must not free the library's table (the sanitizer build would catch it).
}

TEST(HostIntegrationPoints, CompositeCodeOwnsItsBlock) {
    std::vector<int> idata(128, 0);
    const xefhost::IntegrationPoints points(21022023, idata.data());
    EXPECT_EQ(points.count(), 24);
    EXPECT_EQ(points.componentCounts(), (std::array<int, 3>{4, 3, 2}));
    ASSERT_NE(points.data(), nullptr);
    double sum = 0.0;
    for (int m = 0; m < points.count(); ++m) {
        sum += points.data()[4 * m + 3];
    }
    EXPECT_NEAR(sum, 8.0, 1e-14);
    EXPECT_EQ(idata[XEFErrorStatus], 0);
    // The block is freed on leaving scope; the sanitizer build reports a leak otherwise.
}

TEST(HostIntegrationPoints, OverDimensionedCodeIsFlaggedInIData) {
    std::vector<int> idata(128, 0);
    testing::internal::CaptureStdout();
    const xefhost::IntegrationPoints points(2035, idata.data());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(idata[XEFErrorStatus], 3);
    EXPECT_EQ(points.count(), 12);
}

std::string run(const std::string& arguments) {
    const std::string command = std::string(MOLR_BINARY_DIR) + "/xefhost info " + MOLR_MODULE_PATH +
                                " " + arguments + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

TEST(HostIntegrationPoints, InfoListsThePointsOfACompositeCode) {
    const std::string output = run("--int-code 21021 --points");
    EXPECT_NE(output.find("points of integration code 21021: 4\n"), std::string::npos) << output;
    const std::string g = "0.57735026918962573";
    EXPECT_NE(output.find("-" + g + "     -" + g), std::string::npos) << output;
    EXPECT_NE(output.find("      " + g + "      " + g), std::string::npos) << output;
}

TEST(HostIntegrationPoints, InfoListsTheElementsOwnRuleByDefault) {
    const std::string output = run("--points");
    EXPECT_NE(output.find("points of integration code 35: 3\n"), std::string::npos) << output;
    EXPECT_NE(output.find("0.66666666666666663"), std::string::npos) << output;
}

TEST(HostIntegrationPoints, InfoPassesOnTheDimensionError) {
    const std::string output = run("--int-code 2035 --points");
    EXPECT_NE(output.find("\nERROR: integration code 2035 has more than 3 dimensions\n"),
              std::string::npos)
        << output;
}

} // namespace

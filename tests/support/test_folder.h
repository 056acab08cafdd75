// Every test writes into a folder of its own, emptied first, so tests may run in parallel.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace molrtest {

inline std::filesystem::path freshTestFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder =
        std::filesystem::path(MOLR_BINARY_DIR) / "test_output" /
        (std::string(test->test_suite_name()) + "." + test->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace molrtest

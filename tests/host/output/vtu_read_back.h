// A test fixture for .vtu files read back with meshio: skipped, with the package to install,
// where python3 cannot import it; each test gets a fresh folder.
#pragma once

#include "python_reader.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace molrtest {

class VtuReadBack : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!pythonHasModule("meshio")) {
            GTEST_SKIP() << "python3 cannot import meshio (Debian package python3-meshio), "
                            "so .vtu files cannot be read back";
        }
        folder = freshTestFolder();
    }
    std::filesystem::path folder;
};

} // namespace molrtest

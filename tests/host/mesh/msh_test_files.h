// Files for the .msh reader tests: the committed gmsh output and scratch copies made from it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace msh_test {

inline std::string dataPath(const std::string& name) {
    return std::string(MOLR_SOURCE_DIR) + "/tests/data/msh/" + name;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes bytes to a scratch file of the build tree, named after the running test so that tests
// run side by side do not share files, and returns its path. An existing file is overwritten in
// place and then cut to size: emptying it first makes ext4 flush it to disk, which slows tests
// that write thousands of variants to a crawl.
inline std::string writeScratch(const std::string& name, const std::string& bytes) {
    const std::filesystem::path folder = std::filesystem::path(MOLR_BINARY_DIR) / "msh_scratch";
    std::filesystem::create_directories(folder);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path path =
        folder / (std::string(test->test_suite_name()) + "." + test->name() + "." + name);
    if (!std::filesystem::exists(path)) {
        std::ofstream(path, std::ios::binary);
    }
    std::fstream(path, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    std::filesystem::resize_file(path, bytes.size());
    return path.string();
}

// The four renderings of the same gmsh model.
inline const char* const formats[] = {"mixed_v22.msh", "mixed_v22_bin.msh", "mixed_v41.msh",
                                      "mixed_v41_bin.msh"};

} // namespace msh_test

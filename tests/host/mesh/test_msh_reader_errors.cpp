// Damaged .msh files: each is refused with a MeshError that names the file, the place and what
// was expected, and none crashes the reader.
#include "msh_reader.h"
#include "msh_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>

using xefhost::MeshError;
using xefhost::readMsh;

namespace {

// The message of the MeshError that reading the file raises; other exceptions escape.
std::string errorOf(const std::string& path) {
    try {
        readMsh(path);
    } catch (const MeshError& error) {
        return error.what();
    }
    ADD_FAILURE() << path << " was read without error";
    return "";
}

// A copy of a data file with the first `from` replaced by `to`; `at` receives its offset.
std::string edited(const char* file, const std::string& from, const std::string& to, size_t& at) {
    std::string bytes = msh_test::readBytes(msh_test::dataPath(file));
    at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
    return msh_test::writeScratch(std::string("edited_") + file, bytes);
}

std::string lineOf(const char* file, size_t offset) {
    const std::string bytes = msh_test::readBytes(msh_test::dataPath(file));
    return "line " + std::to_string(std::count(bytes.begin(), bytes.begin() + offset, '\n') + 1);
}

TEST(MshReaderErrors, MissingFile) {
    const std::string path = msh_test::dataPath("no_such_file.msh");
    const std::string message = errorOf(path);
    EXPECT_EQ(message.rfind(path + ": cannot open the mesh file (", 0), 0u) << message;
}

TEST(MshReaderErrors, UnsupportedVersion) {
    size_t at = 0;
    const std::string path = edited("mixed_v41.msh", "4.1 0 8", "3 0 8", at);
    EXPECT_EQ(errorOf(path),
              path + ", line 2: unsupported format version 3, this reader takes 2.2 and 4.1");
}

TEST(MshReaderErrors, BadNumberNamesItsLine) {
    size_t at = 0;
    const std::string path = edited("mixed_v22.msh", "\n7 0.499999999998694 ", "\n7 0.4999x ", at);
    EXPECT_EQ(errorOf(path), path + ", " + lineOf("mixed_v22.msh", at + 1) +
                                 ": expected a node coordinate, found \"0.4999x\"");
}

TEST(MshReaderErrors, UnknownNode) {
    size_t at = 0;
    const std::string path = edited("mixed_v41.msh", "\n4 13 5 16 \n", "\n4 13 5 99 \n", at);
    EXPECT_EQ(errorOf(path), path + ", " + lineOf("mixed_v41.msh", at + 1) +
                                 ": element 4 references unknown node 99");
}

TEST(MshReaderErrors, RepeatedNodeTag) {
    size_t at = 0;
    const std::string path = edited("mixed_v22.msh", "\n20 1.6494", "\n19 1.6494", at);
    const std::string message = errorOf(path);
    EXPECT_NE(message.find("node tag 19 is given to more than one node"), std::string::npos)
        << message;
}

TEST(MshReaderErrors, UnknownElementTypeInText) {
    size_t at = 0;
    const std::string path =
        edited("mixed_v22.msh", "\n4 2 2 10 1 13 5 16\n", "\n4 42 2 10 1 13 5 16\n", at);
    EXPECT_EQ(errorOf(path),
              path + ", " + lineOf("mixed_v22.msh", at + 1) + ": unknown element type 42");
}

TEST(MshReaderErrors, UnknownElementTypeInBinaryNamesItsOffset) {
    // gmsh gives each element its own group header; this is the first triangle's: type 2, one
    // element, two tags, element number 4.
    const std::string header("\2\0\0\0\1\0\0\0\2\0\0\0\4\0\0\0", 16);
    size_t at = 0;
    const std::string path = edited("mixed_v22_bin.msh", header, "\x63" + header.substr(1), at);
    EXPECT_EQ(errorOf(path), path + ", byte " + std::to_string(at) + ": unknown element type 99");
}

TEST(MshReaderErrors, OppositeByteOrder) {
    // The marker follows "$MeshFormat\n4.1 1 8\n", 20 bytes.
    size_t at = 0;
    const std::string path =
        edited("mixed_v41_bin.msh", std::string("\1\0\0\0", 4), std::string("\0\0\0\1", 4), at);
    ASSERT_EQ(at, 20u);
    EXPECT_EQ(errorOf(path),
              path + ", byte 20: the file was written with the opposite byte order to this "
                     "machine's");
}

TEST(MshReaderErrors, MissingEndMarkers) {
    size_t at = 0;
    std::string path = edited("mixed_v41.msh", "$EndNodes\n", "", at);
    EXPECT_EQ(errorOf(path), path + ", " + lineOf("mixed_v41.msh", at) +
                                 ": expected $EndNodes, found \"$Elements\"");
    path = edited("mixed_v41_bin.msh", "$EndPeriodic", "$End", at);
    const size_t header = msh_test::readBytes(path).find("$Periodic");
    EXPECT_EQ(errorOf(path), path + ", byte " + std::to_string(header) +
                                 ": section $Periodic has no $EndPeriodic marker");
    path = edited("mixed_v22.msh", "$EndElements\n", "", at);
    EXPECT_EQ(errorOf(path), path + ", " + lineOf("mixed_v22.msh", at) +
                                 ": unexpected end of file, expected $EndElements");
}

TEST(MshReaderErrors, MissingElementsSection) {
    std::string bytes = msh_test::readBytes(msh_test::dataPath("mixed_v22.msh"));
    bytes.resize(bytes.find("$Elements"));
    bytes += "$Skipped\n$EndSkipped\n";
    const std::string path = msh_test::writeScratch("no_elements.msh", bytes);
    const auto lines = std::count(bytes.begin(), bytes.end(), '\n');
    EXPECT_EQ(errorOf(path), path + ", line " + std::to_string(lines + 1) +
                                 ": unexpected end of file, expected a $Elements section");
}

// A file cut anywhere before its $EndElements marker is complete is refused, at the end of the
// file when the cut falls inside binary data. (Cut after it, the file is whole but for the
// sections that follow.)
TEST(MshReaderErrors, EveryTruncationIsRefused) {
    for (const char* file : msh_test::formats) {
        SCOPED_TRACE(file);
        const std::string bytes = msh_test::readBytes(msh_test::dataPath(file));
        const bool binary = std::string(file).find("_bin") != std::string::npos;
        const size_t end = bytes.find("$EndElements") + std::string("$EndElements").size();
        for (size_t cut = 0; cut < end; ++cut) {
            const std::string scratch =
                msh_test::writeScratch(std::string("cut_") + file, bytes.substr(0, cut));
            const std::string message = errorOf(scratch);
            // Binary files are located by byte once "$MeshFormat\n4.1 1 8" has said they are.
            ASSERT_EQ(message.rfind(scratch + ", " + (binary && cut >= 19 ? "byte " : "line "), 0),
                      0u)
                << "cut at " << cut << ": " << message;
        }
    }
    const std::string bytes = msh_test::readBytes(msh_test::dataPath("mixed_v41_bin.msh"));
    // Past the section header (4 sizes), the first block header (3 ints and a size), the first
    // node tag and the first coordinate, into the second.
    const size_t cut = bytes.find("$Nodes\n") + 7 + 32 + 20 + 8 + 12;
    const std::string scratch = msh_test::writeScratch("cut_nodes.msh", bytes.substr(0, cut));
    EXPECT_EQ(errorOf(scratch), scratch + ", byte " + std::to_string(cut) +
                                    ": unexpected end of file, expected a node coordinate");
}

// Flipped bytes may still give a readable mesh, but never a crash, a stray exception or a
// mesh whose connectivity points outside its nodes.
TEST(MshReaderErrors, FlippedBytesNeverBreakTheReader) {
    for (const char* file : msh_test::formats) {
        SCOPED_TRACE(file);
        const std::string bytes = msh_test::readBytes(msh_test::dataPath(file));
        for (size_t at = 0; at < bytes.size(); ++at) {
            for (const char flip : {'\x01', '\xff'}) {
                std::string damaged = bytes;
                damaged[at] = static_cast<char>(damaged[at] ^ flip);
                const std::string scratch =
                    msh_test::writeScratch(std::string("flip_") + file, damaged);
                try {
                    const xefhost::Mesh mesh = readMsh(scratch);
                    ASSERT_EQ(mesh.coords.size(), 3 * mesh.nodeCount());
                    for (const xefhost::ElementBlock& block : mesh.blocks) {
                        ASSERT_EQ(block.connectivity.size(), block.size() * block.nodesPerElement);
                        ASSERT_EQ(block.physicalTag.size(), block.size());
                        for (const int32_t node : block.connectivity) {
                            ASSERT_TRUE(node >= 0 && static_cast<size_t>(node) < mesh.nodeCount());
                        }
                    }
                } catch (const MeshError& error) {
                    ASSERT_EQ(std::string(error.what()).rfind(scratch + ", ", 0), 0u);
                }
            }
        }
    }
}

} // namespace

// Result files appear whole or not at all.
#include "atomic_file.h"
#include "signal_cleanup.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using xefhost::writeAtomically;
using xefhost::writeTextAtomically;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t entries(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// Expects a std::runtime_error whose message names `path` and contains `reason`.
template <typename Action>
void expectFailure(Action action, const std::string& path, const std::string& reason) {
    try {
        action();
        FAIL() << "no error for " << path;
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
}

TEST(AtomicFile, WritesTheContentsAndCreatesMissingFolders) {
    const fs::path target = molrtest::freshTestFolder() / "out" / "deeper" / "summary.json";
    writeTextAtomically(target.string(), std::string("{\"a\": 1}\n\0end", 13));
    EXPECT_EQ(contents(target), std::string("{\"a\": 1}\n\0end", 13));
    EXPECT_EQ(entries(target.parent_path()), 1u) << "no temporary may stay behind";
}

TEST(AtomicFile, AWriterThatThrowsLeavesNothingBehind) {
    const fs::path folder = molrtest::freshTestFolder();
    const fs::path target = folder / "result.vtu";
    expectFailure(
        [&] {
            writeAtomically(target.string(), [](std::ostream& out) {
                out << std::string(1 << 20, 'x');
                throw std::invalid_argument("element 7 has no area");
            });
        },
        target.string(), "element 7 has no area");
    EXPECT_EQ(entries(folder), 0u);
}

TEST(AtomicFile, AnExistingFileIsReplacedOnlyOnSuccess) {
    const fs::path folder = molrtest::freshTestFolder();
    const fs::path target = folder / "picture.svg";
    writeTextAtomically(target.string(), "old");
    EXPECT_THROW(writeAtomically(target.string(),
                                 [](std::ostream& out) {
                                     out << "new but unfinished";
                                     throw std::runtime_error("interrupted");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(entries(folder), 1u);
    writeTextAtomically(target.string(), "new");
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(entries(folder), 1u);
}

TEST(AtomicFile, AStreamThatFailsWithoutAnExceptionIsAFailure) {
    const fs::path folder = molrtest::freshTestFolder();
    const fs::path target = folder / "result.vtu";
    expectFailure(
        [&] {
            writeAtomically(target.string(), [](std::ostream& out) {
                out << "partial";
                out.setstate(std::ios::badbit);
            });
        },
        target.string(), "");
    EXPECT_EQ(entries(folder), 0u);
}

TEST(AtomicFile, AFolderThatCannotBeCreatedIsNamed) {
    const fs::path folder = molrtest::freshTestFolder();
    writeTextAtomically((folder / "taken").string(), "a file, not a folder");
    const fs::path target = folder / "taken" / "result.vtu";
    expectFailure([&] { writeTextAtomically(target.string(), "data"); }, target.string(),
                  "cannot create the folder " + (folder / "taken").string());
    EXPECT_EQ(contents(folder / "taken"), "a file, not a folder");
}

TEST(AtomicFile, ATargetThatIsAFolderStaysAndNoTemporaryRemains) {
    const fs::path folder = molrtest::freshTestFolder();
    const fs::path target = folder / "out";
    fs::create_directories(target / "inside");
    expectFailure([&] { writeTextAtomically(target.string(), "data"); }, target.string(), "");
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(entries(folder), 1u);
}

} // namespace

// A signal that ends the run while a set is half-written removes its temporaries; the earlier
// files stay as they were.
TEST(AtomicFile, ASignalMidWriteLeavesTheEarlierFilesAndNoTemporary) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const fs::path folder = molrtest::freshTestFolder() / std::to_string(signal);
        fs::create_directories(folder);
        writeTextAtomically((folder / "a.txt").string(), "earlier");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            xefhost::installInterruptCleanup();
            xefhost::AtomicFileSet set;
            set.addText((folder / "b.txt").string(), "written whole");
            set.add((folder / "a.txt").string(), [signal](std::ostream& out) {
                out << "half";
                out.flush();
                ::raise(signal);
            });
            set.commit();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(entries(folder), 1u) << signal;
        EXPECT_EQ(contents(folder / "a.txt"), "earlier");
    }
}

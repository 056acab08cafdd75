// Message limiter on all three channels, with the exact stop notices, and the wall clock.
#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string consoleNotice3 =
    "\n\nStop printout: maximum number of messages is set to 3 (XEFIData[MaxMessages]).\n\n";

// What the host's evaluator saw, and what it does to MessageCount while it runs.
struct HostEvaluator {
    std::vector<std::pair<std::string, std::string>> calls;
    int* idata = nullptr;
    int messageCountDuringCall = -1;
};
HostEvaluator* evaluator = nullptr;

void recordEvaluation(const char* expression, const char* label) {
    evaluator->calls.emplace_back(expression, label);
    if (evaluator->messageCountDuringCall >= 0) {
        evaluator->idata[XEFMessageCount] = evaluator->messageCountDuringCall;
    }
}

class MessageLimit : public testing::Test {
  protected:
    void SetUp() override {
        idata.assign(128, 0);
        idata[XEFPrintFilter] = -1;
        idata[XEFConsoleOutput] = 1;
        idata[XEFActiveIndex] = 4;
        link->logFile = "NONE";
        link->evaluate = recordEvaluation;
        host.idata = idata.data();
        evaluator = &host;
    }
    void TearDown() override { evaluator = nullptr; }

    int check(int channel, int mode) {
        return XEMCheckPrint(channel, idata.data(), link.get(), mode);
    }
    // Result of one call and everything it wrote to standard output.
    std::pair<int, std::string> checkCapturingStdout(int channel, int mode) {
        testing::internal::CaptureStdout();
        const int result = check(channel, mode);
        return {result, testing::internal::GetCapturedStdout()};
    }
    int& count() { return idata[XEFMessageCount]; }

    std::vector<int> idata;
    std::unique_ptr<HostLink> link = std::make_unique<HostLink>(); // zeroed, as the host hands it
    HostEvaluator host;
};

// A fresh directory, made the working directory for the test's duration.
class WorkingDirectory {
  public:
    WorkingDirectory() : previous_(fs::current_path()) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("molr-messages-" + std::to_string(stamp));
        fs::create_directories(path_);
        fs::current_path(path_);
    }
    ~WorkingDirectory() {
        fs::current_path(previous_);
        fs::remove_all(path_);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path previous_;
    fs::path path_;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(MessageLimit, ConsoleStopsAtTheLimitWithOneNotice) {
    idata[XEFMaxMessages] = 3;
    const int expectedResults[] = {1, 1, 1, 0, 0};
    const int expectedCounts[] = {1, 2, 3, 4, 4};
    for (int call = 0; call < 5; ++call) {
        const auto [result, printed] = checkCapturingStdout(1, 0);
        EXPECT_EQ(result, expectedResults[call]) << call;
        EXPECT_EQ(count(), expectedCounts[call]) << call;
        EXPECT_EQ(printed, call == 3 ? consoleNotice3 : "") << call;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(MessageLimit, ZeroLimitAllowsNoMessage) {
    idata[XEFMaxMessages] = 0;
    auto [result, printed] = checkCapturingStdout(1, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(printed, "\n\nStop printout: maximum number of messages is set to 0 "
                       "(XEFIData[MaxMessages]).\n\n");
    std::tie(result, printed) = checkCapturingStdout(1, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(printed, "");
}

TEST_F(MessageLimit, NegativeLimitSilencesWithoutCounting) {
    idata[XEFMaxMessages] = -2;
    for (int call = 0; call < 3; ++call) {
        const auto [result, printed] = checkCapturingStdout(1, 0);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed, "");
    }
    EXPECT_EQ(check(2, 1), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(MessageLimit, FilterRejectsOtherIndicesBeforeCounting) {
    idata[XEFMaxMessages] = 3;
    count() = 3;
    idata[XEFPrintFilter] = 5;
    const auto [result, printed] = checkCapturingStdout(1, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(count(), 3);
    count() = 0;
    idata[XEFActiveIndex] = 5;
    EXPECT_EQ(check(1, 0), 1);
    EXPECT_EQ(count(), 1);
}

TEST_F(MessageLimit, DefaultRouteTakesExactlyOneOfConsoleAndHost) {
    idata[XEFMaxMessages] = 10;
    EXPECT_EQ(check(2, 0), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(check(2, 1), 1);
    EXPECT_EQ(count(), 1);
    idata[XEFConsoleOutput] = 0;
    EXPECT_EQ(check(1, 0), 0);
    EXPECT_EQ(check(2, 0), 1);
    EXPECT_EQ(count(), 2);
    idata[XEFConsoleOutput] = -7;
    EXPECT_EQ(check(2, 0), 0);
    EXPECT_EQ(check(1, 0), 1);
    EXPECT_EQ(count(), 3);
}

TEST_F(MessageLimit, OtherModesOpenConsoleAndHostButNeverTheLog) {
    idata[XEFMaxMessages] = 10;
    link->logFile = "messages.log";
    for (int mode : {3, -1, 100}) {
        EXPECT_EQ(check(1, mode), 1) << mode;
        EXPECT_EQ(check(2, mode), 1) << mode;
        EXPECT_EQ(check(3, mode), 0) << mode;
    }
    EXPECT_EQ(count(), 6);
}

TEST_F(MessageLimit, UnknownChannelsAndDefaultLogRouteNeverPass) {
    idata[XEFMaxMessages] = 10;
    link->logFile = "messages.log";
    for (int mode : {0, 1, 2, 3}) {
        EXPECT_EQ(check(0, mode), 0) << mode;
        EXPECT_EQ(check(4, mode), 0) << mode;
        EXPECT_EQ(check(-1, mode), 0) << mode;
    }
    EXPECT_EQ(check(3, 0), 0);
    EXPECT_EQ(count(), 0);
}

TEST_F(MessageLimit, ForcedConsoleAtTheLimitPrintsNothingWithoutConsoleOutput) {
    idata[XEFMaxMessages] = 1;
    idata[XEFConsoleOutput] = 0;
    auto [result, printed] = checkCapturingStdout(1, 1);
    EXPECT_EQ(result, 1);
    std::tie(result, printed) = checkCapturingStdout(1, 2);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(count(), 2);
}

TEST_F(MessageLimit, HostNoticeGoesToEvaluateWhileTheHostMayMoveTheCounter) {
    idata[XEFMaxMessages] = 3;
    idata[XEFConsoleOutput] = 0;
    EXPECT_EQ(check(2, 0), 1);
    EXPECT_EQ(check(1, 2), 1);
    EXPECT_EQ(check(2, 0), 1);
    EXPECT_TRUE(host.calls.empty());

    host.messageCountDuringCall = 40;
    const auto [result, printed] = checkCapturingStdout(2, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "");
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].first, "Print[\"Stop printout: maximum number of messages is set to 3 "
                                   "(XEFIData[MaxMessages])\"];");
    EXPECT_EQ(host.calls[0].second, "XEMPrint");
    EXPECT_EQ(count(), 41);
    EXPECT_EQ(check(2, 0), 0);
    EXPECT_EQ(host.calls.size(), 1u);
}

TEST_F(MessageLimit, HostNoticeIgnoresConsoleOutput) {
    idata[XEFMaxMessages] = -2147483647 - 1;
    count() = idata[XEFMaxMessages];
    const auto [result, printed] = checkCapturingStdout(2, 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "");
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].first, "Print[\"Stop printout: maximum number of messages is set to "
                                   "-2147483648 (XEFIData[MaxMessages])\"];");
    EXPECT_EQ(count(), -2147483647);
}

TEST_F(MessageLimit, LogNoticeIsAppendedToTheNamedFile) {
    WorkingDirectory dir;
    const fs::path log = dir.path() / "run.log";
    std::ofstream(log, std::ios::binary) << "earlier line\n";
    const std::string logName = log.string();
    link->logFile = logName.c_str();
    idata[XEFMaxMessages] = 3;
    idata[XEFConsoleOutput] = 0;
    for (int call = 0; call < 3; ++call) {
        EXPECT_EQ(check(3, 1), 1);
    }
    EXPECT_EQ(readFile(log), "earlier line\n");
    const auto [result, printed] = checkCapturingStdout(3, 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(readFile(log), "earlier line\n" + consoleNotice3);
    EXPECT_EQ(check(3, 2), 0);
    EXPECT_EQ(readFile(log), "earlier line\n" + consoleNotice3);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(MessageLimit, OnlyTheExactTextNoneMeansNoLogFile) {
    WorkingDirectory dir;
    idata[XEFMaxMessages] = 0;
    for (const char* name : {"none", "NONE.log", "NONEx"}) {
        link->logFile = name;
        count() = 0;
        EXPECT_EQ(check(3, 1), 0) << name;
        EXPECT_EQ(count(), 1) << name;
        EXPECT_EQ(readFile(dir.path() / name),
                  "\n\nStop printout: maximum number of messages is set to 0 "
                  "(XEFIData[MaxMessages]).\n\n")
            << name;
    }
}

TEST_F(MessageLimit, NoneClosesTheLogRouteExceptInModeTwo) {
    WorkingDirectory dir;
    idata[XEFMaxMessages] = 1;
    EXPECT_EQ(check(3, 1), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(check(3, 2), 1);
    EXPECT_EQ(check(3, 2), 0);
    EXPECT_EQ(count(), 2);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(MessageLimit, NullLogFileIsTreatedAsNone) {
    WorkingDirectory dir;
    link->logFile = nullptr;
    idata[XEFMaxMessages] = 1;
    EXPECT_EQ(check(3, 1), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(check(3, 2), 1);
    EXPECT_EQ(check(3, 2), 0);
    EXPECT_EQ(count(), 2);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(MessageLimit, UnopenableLogFileIsSkippedButCounted) {
    WorkingDirectory dir;
    const std::string name = (dir.path() / "missing" / "run.log").string();
    link->logFile = name.c_str();
    idata[XEFMaxMessages] = 0;
    EXPECT_EQ(check(3, 1), 0);
    EXPECT_EQ(count(), 1);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

TEST_F(MessageLimit, CounterIsSharedByAllChannels) {
    WorkingDirectory dir;
    link->logFile = "shared.log";
    idata[XEFMaxMessages] = 3;
    EXPECT_EQ(check(1, 0), 1);
    EXPECT_EQ(check(2, 1), 1);
    EXPECT_EQ(check(3, 1), 1);
    const auto [result, printed] = checkCapturingStdout(1, 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, consoleNotice3);
    EXPECT_EQ(check(3, 1), 0);
    EXPECT_EQ(check(2, 1), 0);
    EXPECT_FALSE(fs::exists("shared.log"));
    EXPECT_TRUE(host.calls.empty());
}

TEST(WallClock, TimeIsTheSystemClockInWholeMilliseconds) {
    using std::chrono::milliseconds;
    const auto millisecondsNow = [] {
        return std::chrono::duration_cast<milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const long long before = millisecondsNow();
    const double now = Time();
    const long long after = millisecondsNow();

    const double seconds = std::floor(now);
    const double fraction = std::round((now - seconds) * 1000.0);
    ASSERT_GE(fraction, 0.0);
    ASSERT_LE(fraction, 999.0);
    EXPECT_EQ(seconds + fraction / 1000.0, now);
    const long long stamp =
        static_cast<long long>(seconds) * 1000 + static_cast<long long>(fraction);
    EXPECT_LE(before, stamp);
    EXPECT_LE(stamp, after);
}

} // namespace

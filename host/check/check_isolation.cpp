#include "check_isolation.h"

#include "call_note.h"
#include "child_channel.h"
#include "fault_handler.h"
#include "signal_text.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <thread>

namespace xefhost::check {

namespace {

using Clock = std::chrono::steady_clock;

// The same verdict for every check of the family: none of them can be trusted to have run.
std::vector<CheckResult> failures(const CheckFamily& family, const std::string& detail,
                                  long calls) {
    std::vector<CheckResult> results;
    for (const char* name : family.checks) {
        results.push_back({name, Status::Fail, "kernel calls made", static_cast<double>(calls),
                           std::nullopt, detail});
    }
    return results;
}

[[noreturn]] void runChild(const CheckFamily& family, const CheckContext& context, int fd,
                           CallNote& note) {
    // A bench that is itself killed must not leave a hung family behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    noteCallsIn(&note);
    catchFaultsInto(fd);
    std::vector<CheckResult> results;
    try {
        results = family.run(context);
    } catch (const std::exception& error) {
        results = failures(family, std::string("stopped by an error: ") + error.what(),
                           note.calls.load());
    } catch (...) {
        // An element library written in C++ may throw through its kernels.
        results = failures(family, "stopped by an exception that is not a std::exception",
                           note.calls.load());
    }
    // _exit: the parent's buffers and exit handlers are the parent's, not this copy's.
    _exit(sendResults(fd, results) ? 0 : 1);
}

struct Outcome {
    std::string bytes; // all the child wrote
    int status = 0;    // as waitpid gives it
    bool timedOut = false;
};

void readUntilClosed(int fd, Clock::time_point deadline, Outcome& outcome) {
    char chunk[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            outcome.timedOut = true;
            return;
        }
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        outcome.bytes.append(chunk, static_cast<size_t>(got));
    }
}

// Waits for the child until the deadline, then kills it; the child is reaped either way.
void reap(pid_t child, Clock::time_point deadline, Outcome& outcome) {
    // The pipe closes as the child exits, unless its kernels closed it first.
    while (!outcome.timedOut) {
        if (waitpid(child, &outcome.status, WNOHANG) == child) {
            return;
        }
        outcome.timedOut = Clock::now() >= deadline;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGKILL);
    while (waitpid(child, &outcome.status, 0) < 0 && errno == EINTR) {
    }
}

std::string whatStopped(const Outcome& outcome, double timeoutSeconds) {
    if (outcome.timedOut) {
        return "did not return within " + figureText(timeoutSeconds) + " s";
    }
    if (WIFSIGNALED(outcome.status)) {
        return signalText(WTERMSIG(outcome.status));
    }
    return "exited with status " + std::to_string(WEXITSTATUS(outcome.status)) +
           " before reporting";
}

std::vector<CheckResult> verdict(const CheckFamily& family, const Outcome& outcome,
                                 const CallNote& note, double timeoutSeconds) {
    ChildReport report = readChildReport(outcome.bytes);
    if (!outcome.timedOut && WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 0 &&
        report.complete) {
        return std::move(report.results);
    }
    std::string detail = whatStopped(outcome, timeoutSeconds);
    if (!report.fault.empty()) {
        detail += ": " + report.fault;
    }
    detail += " " + describeCall(note, family.name);
    return failures(family, detail, note.calls.load());
}

} // namespace

std::vector<CheckResult> runIsolated(const CheckFamily& family, const CheckContext& context,
                                     double timeoutSeconds) {
    SharedCallNote note;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return failures(family, "the bench could not open a pipe to run the family", 0);
    }
    // Whatever stdio holds would otherwise be written twice, once by each process.
    std::fflush(nullptr);
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(timeoutSeconds));
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        runChild(family, context, fds[1], note.note());
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return failures(family, "the bench could not start a process to run the family", 0);
    }
    Outcome outcome;
    readUntilClosed(fds[0], deadline, outcome);
    close(fds[0]);
    reap(child, deadline, outcome);
    return verdict(family, outcome, note.note(), timeoutSeconds);
}

} // namespace xefhost::check

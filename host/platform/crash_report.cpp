// The handler formats its line by hand into a local buffer: nothing in it allocates or takes a
// lock, since the crashed thread may hold the allocator's.
#include "crash_report.h"

#include "signal_cleanup.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace xefhost {

thread_local ForeignCall currentForeignCall;

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction previous[kSignalCount];

const char* describe(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV (segmentation fault)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    case SIGFPE:
        return "SIGFPE (arithmetic exception)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    default:
        return "SIGABRT (abort)";
    }
}

class Line {
  public:
    Line& operator<<(const char* text) {
        const size_t n = std::min(std::strlen(text), sizeof text_ - 1 - used_);
        std::memcpy(text_ + used_, text, n);
        used_ += n;
        return *this;
    }
    Line& operator<<(int64_t value) {
        char digits[24];
        int count = 0;
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude > 0);
        char text[26];
        int k = 0;
        if (value < 0) {
            text[k++] = '-';
        }
        while (count > 0) {
            text[k++] = digits[--count];
        }
        text[k] = '\0';
        return *this << text;
    }
    void write() const { (void)!::write(STDERR_FILENO, text_, used_); }

  private:
    char text_[256] = {};
    size_t used_ = 0;
};

void reportCrash(int signal, siginfo_t* info, void* context) {
    const ForeignCall call = currentForeignCall;
    int index = 0;
    while (index < kSignalCount - 1 && kSignals[index] != signal) {
        ++index;
    }
    if (call.kernel) {
        Line line;
        line << "xefhost: the element library crashed with " << describe(signal) << " in its "
             << call.kernel << " kernel";
        if (call.elementNumbers && call.slot >= 0) {
            line << " at element " << call.elementNumbers[call.slot];
        }
        (line << "; no results were written\n").write();
    }
    cleanUpRegistered();
    // The handler that was there before (a sanitizer's report) or the default action, which for
    // these signals ends the process once this handler returns and the instruction faults again.
    const struct sigaction& before = previous[index];
    sigaction(signal, &before, nullptr);
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction) {
            before.sa_sigaction(signal, info, context);
        }
    } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(signal);
    } else if (signal == SIGABRT || info->si_code <= 0) {
        // Sent, not caused by an instruction: it would not come again by itself.
        ::raise(signal);
    }
}

} // namespace

void installCrashReport() {
    static char alternate[1 << 16];
    stack_t stack{};
    stack.ss_sp = alternate;
    stack.ss_size = sizeof alternate;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = reportCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        sigaction(kSignals[i], &action, &previous[i]);
    }
}

} // namespace xefhost

// The handler formats its line by hand into a local buffer: nothing in it allocates or takes a
// lock, since the crashed thread may hold the allocator's.
#include "crash_report.h"

#include "signal_cleanup.h"
#include "signal_safe_text.h"
#include "signal_text.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace xefhost {

thread_local ForeignCall currentForeignCall;

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction previous[kSignalCount];

void reportCrash(int signal, siginfo_t* info, void* context) {
    const ForeignCall call = currentForeignCall;
    int index = 0;
    while (index < kSignalCount - 1 && kSignals[index] != signal) {
        ++index;
    }
    if (call.kernel) {
        const char* known = knownSignalText(signal);
        char text[256];
        SignalSafeText line(text, sizeof text);
        line << "xefhost: the element library crashed with " << (known ? known : "a signal")
             << " in its " << call.kernel;
        if (call.elementNumbers && call.slot >= 0) {
            line << " at element " << static_cast<size_t>(call.elementNumbers[call.slot]);
        }
        line << "; no results were written\n";
        (void)!::write(STDERR_FILENO, text, line.length());
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

void handleFaultsOnAlternateStack(void (*handler)(int, siginfo_t*, void*), const int* signals,
                                  int count, struct sigaction* previous) {
    alignas(16) static char alternate[1 << 16];
    stack_t stack{};
    stack.ss_sp = alternate;
    stack.ss_size = sizeof alternate;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < count; ++i) {
        sigaction(signals[i], &action, previous ? &previous[i] : nullptr);
    }
}

void installCrashReport() {
    // Installed again after a library (MPI) put handlers of its own in place, the report must not
    // take itself for the handler before it: handing over would call itself without end.
    struct sigaction replaced[kSignalCount];
    handleFaultsOnAlternateStack(reportCrash, kSignals, kSignalCount, replaced);
    for (int i = 0; i < kSignalCount; ++i) {
        if (!(replaced[i].sa_flags & SA_SIGINFO) || replaced[i].sa_sigaction != reportCrash) {
            previous[i] = replaced[i];
        }
    }
}

} // namespace xefhost

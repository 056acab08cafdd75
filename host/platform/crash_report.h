// One line on standard error when the process crashes inside foreign code: which kernel, for which
// element. A crash elsewhere is left to the handler that was there before (a sanitizer's, or the
// system's core dump).
#pragma once

#include <csignal>
#include <cstdint>

namespace xefhost {

// What this thread is calling: `kernel` is a string literal naming the code ("tangent kernel",
// "XEFSetElSpec"); the element, where there is one, is elementNumbers[slot], read only when a crash
// is reported, so that noting a call is one store.
struct ForeignCall {
    const char* kernel = nullptr;
    const int64_t* elementNumbers = nullptr;
    int64_t slot = -1;
};

extern thread_local ForeignCall currentForeignCall;

// Marks this thread as calling `kernel` on the elements numbered in elementNumbers (or null) until
// the object goes; set the slot of each element with `at`.
class ForeignCallScope {
  public:
    ForeignCallScope(const char* kernel, const int64_t* elementNumbers)
        : outer_(currentForeignCall) {
        currentForeignCall = {kernel, elementNumbers, -1};
    }
    ~ForeignCallScope() { currentForeignCall = outer_; }
    ForeignCallScope(const ForeignCallScope&) = delete;
    ForeignCallScope& operator=(const ForeignCallScope&) = delete;

    void at(int64_t slot) { currentForeignCall.slot = slot; }

  private:
    ForeignCall outer_;
};

// Makes `handler` (SA_SIGINFO) take the fault signals listed, on an alternate stack of the
// calling thread, so that even a stack overflow reaches it. The actions it replaces go to
// `previous` (count entries) when given. The stack is one for the process: call it from one thread.
void handleFaultsOnAlternateStack(void (*handler)(int, siginfo_t*, void*), const int* signals,
                                  int count, struct sigaction* previous = nullptr);

// Installs handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT that, inside a noted call,
// write "xefhost: the element library crashed with SIGSEGV (...) in its <kernel> at element N",
// remove the registered temporaries and end the process by the signal.
void installCrashReport();

} // namespace xefhost

#include "fault_handler.h"

#include "child_channel.h"
#include "guard_regions.h"

#include <signal.h>
#include <unistd.h>

#include <cstdint>

namespace xefhost::check {

namespace {

int faultPipe = -1;
// Large enough for the handler under the sanitizers too.
alignas(16) char alternateStack[1 << 16];

// Only async-signal-safe calls: the kernel may have faulted anywhere, inside malloc included.
void onFault(int signal, siginfo_t* info, void*) {
    // Only a fault the kernel raised carries the address it touched.
    if (info->si_code > 0) {
        char text[256];
        char record[sizeof text + 8];
        const size_t length =
            describeGuardHit(reinterpret_cast<uintptr_t>(info->si_addr), text, sizeof text);
        const size_t size = length ? faultRecord(text, length, record, sizeof record) : 0;
        if (size > 0) {
            const ssize_t written = write(faultPipe, record, size);
            (void)written;
        }
    }
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    // Delivered once the handler returns, now with the default action that ends the process.
    raise(signal);
}

} // namespace

void catchFaultsInto(int fd) {
    faultPipe = fd;
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGSEGV, SIGBUS}) {
        sigaction(signal, &action, nullptr);
    }
}

} // namespace xefhost::check

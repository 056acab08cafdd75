#include "fault_handler.h"

#include "child_channel.h"
#include "crash_report.h"
#include "guard_regions.h"

#include <signal.h>
#include <unistd.h>

#include <cstdint>

namespace xefhost::check {

namespace {

int faultPipe = -1;

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
    static const int kFaults[] = {SIGSEGV, SIGBUS};
    handleFaultsOnAlternateStack(onFault, kFaults, 2);
}

} // namespace xefhost::check

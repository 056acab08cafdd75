#include "signal_text.h"

#include <csignal>
#include <cstring>

namespace xefhost {

const char* knownSignalText(int signal) noexcept {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV (segmentation fault)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    case SIGFPE:
        return "SIGFPE (arithmetic exception)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    case SIGABRT:
        return "SIGABRT (aborted)";
    case SIGTRAP:
        return "SIGTRAP (trace trap)";
    case SIGSYS:
        return "SIGSYS (bad system call)";
    case SIGKILL:
        return "SIGKILL (killed)";
    case SIGTERM:
        return "SIGTERM (terminated)";
    case SIGXCPU:
        return "SIGXCPU (CPU time limit exceeded)";
    default:
        return nullptr;
    }
}

std::string signalText(int signal) {
    if (const char* known = knownSignalText(signal)) {
        return known;
    }
    return "signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
}

} // namespace xefhost

// How the host names a signal that ended a process: "SIGSEGV (segmentation fault)".
#pragma once

#include <string>

namespace xefhost {

// The text for the signals a crash, a limit or a stop brings, or null for others. Returns a
// literal, so that a signal handler may call it.
const char* knownSignalText(int signal) noexcept;

// The same for any signal, with the system's own description for the others.
std::string signalText(int signal);

} // namespace xefhost

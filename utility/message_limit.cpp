// Gate for diagnostic messages of element code: routes them to the console, the host or the log
// file, and stops them at the host's limit with one notice. The whole state is the host's
// MessageCount, so the limit holds across all channels and modes.
#include "XEMUtility.h"

#include <cstdio>
#include <cstring>

namespace {

enum Channel { consoleChannel = 1, hostChannel = 2, logChannel = 3 };

constexpr char fileNotice[] =
    "\n\nStop printout: maximum number of messages is set to %i (XEFIData[MaxMessages]).\n\n";
constexpr char hostNotice[] =
    "Print[\"Stop printout: maximum number of messages is set to %i (XEFIData[MaxMessages])\"];";
constexpr char hostLabel[] = "XEMPrint";

// A null name is taken as the host's "no log file" rather than dereferenced.
bool logFileInUse(const HostLink* link) {
    return link->logFile != nullptr && std::strcmp(link->logFile, "NONE") != 0;
}

bool routeOpen(int channel, const int* idata, const HostLink* link, int mode) {
    const bool console = idata[XEFConsoleOutput] != 0;
    switch (channel) {
    case consoleChannel:
        return mode != 0 || console;
    case hostChannel:
        return mode != 0 || !console;
    case logChannel:
        return mode == 2 || (mode == 1 && logFileInUse(link));
    default:
        return false;
    }
}

void emitStopNotice(int channel, const int* idata, const HostLink* link) {
    const int limit = idata[XEFMaxMessages];
    if (channel == consoleChannel) {
        if (idata[XEFConsoleOutput] != 0) {
            std::printf(fileNotice, limit);
        }
    } else if (channel == logChannel) {
        // Opened and closed around the one write, so the host may move or read the file freely.
        std::FILE* log = logFileInUse(link) ? std::fopen(link->logFile, "a") : nullptr;
        if (log != nullptr) {
            std::fprintf(log, fileNotice, limit);
            std::fclose(log);
        }
    } else {
        char notice[400];
        std::snprintf(notice, sizeof notice, hostNotice, limit);
        link->evaluate(notice, hostLabel);
    }
}

} // namespace

extern "C" int XEMCheckPrint(int channel, int* idata, HostLink* link, int mode) {
    if (!routeOpen(channel, idata, link, mode)) {
        return 0;
    }
    const int filter = idata[XEFPrintFilter];
    if (filter != -1 && filter != idata[XEFActiveIndex]) {
        return 0;
    }
    const int count = idata[XEFMessageCount];
    const int limit = idata[XEFMaxMessages];
    if (count < limit) {
        idata[XEFMessageCount] = count + 1;
        return 1;
    }
    if (count > limit) {
        return 0;
    }
    emitStopNotice(channel, idata, link);
    // Read afresh: the host may have changed the counter while it evaluated the notice.
    idata[XEFMessageCount] += 1;
    return 0;
}

// Fixed tables of atomically claimed slots: registering allocates nothing a handler could find
// half-built, and a handler reads only slots whose owner has marked them complete.
#include "signal_cleanup.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace xefhost {

namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kReady = 2 };

constexpr int kTemporarySlots = 64;

struct TemporarySlot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

TemporarySlot temporaries[kTemporarySlots];

int claimTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (int i = 0; i < kTemporarySlots; ++i) {
        int expected = kFree;
        if (temporaries[i].state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(temporaries[i].path, path.c_str(), path.size() + 1);
            temporaries[i].state.store(kReady);
            return i;
        }
    }
    return -1;
}

// Sent to the process, not raised in this thread, where the handler holds it back: another
// thread takes it at once, so that none goes on working (and printing) after the cleanup.
void endAsSignalled(int signal) {
    cleanUpRegistered();
    std::signal(signal, SIG_DFL);
    ::kill(::getpid(), signal);
}

} // namespace

void cleanUpRegistered() noexcept {
    for (TemporarySlot& slot : temporaries) {
        if (slot.state.load() == kReady) {
            ::unlink(slot.path);
        }
    }
}

void installInterruptCleanup() {
    struct sigaction action {};
    action.sa_handler = endAsSignalled;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, signal);
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

RegisteredTemporary::RegisteredTemporary(const std::string& path) : slot_(claimTemporary(path)) {}

RegisteredTemporary::~RegisteredTemporary() {
    if (slot_ >= 0) {
        temporaries[slot_].state.store(kFree);
    }
}

ScratchFile::ScratchFile(std::string path) : path_(std::move(path)), registered_(path_) {}

ScratchFile::~ScratchFile() {
    ::unlink(path_.c_str());
}

} // namespace xefhost

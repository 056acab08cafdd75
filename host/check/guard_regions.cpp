#include "guard_regions.h"

#include "signal_safe_text.h"

#include <atomic>

namespace xefhost::check {

namespace {

// Harnesses alive at once, five guarded buffers each, stay far below this.
constexpr int kSlots = 256;

struct Slot {
    std::atomic<bool> taken{false};
    // Zero while the slot is being filled or released, so that the handler never reads it half set.
    std::atomic<uintptr_t> dataEnd{0};
    uintptr_t guardEnd = 0;
    size_t reals = 0;
    const char* name = "";
};

Slot slots[kSlots];

const char* realsWord(size_t count) {
    return count == 1 ? " real" : " reals";
}

} // namespace

int registerGuard(uintptr_t dataEnd, uintptr_t guardEnd, size_t reals, const char* name) {
    for (int s = 0; s < kSlots; ++s) {
        if (slots[s].taken.exchange(true)) {
            continue;
        }
        slots[s].guardEnd = guardEnd;
        slots[s].reals = reals;
        slots[s].name = name;
        slots[s].dataEnd.store(dataEnd, std::memory_order_release);
        return s;
    }
    return -1;
}

void releaseGuard(int slot) {
    if (slot < 0) {
        return;
    }
    slots[slot].dataEnd.store(0, std::memory_order_release);
    slots[slot].taken.store(false);
}

size_t describeGuardHit(uintptr_t address, char* text, size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    for (const Slot& slot : slots) {
        const uintptr_t end = slot.dataEnd.load(std::memory_order_acquire);
        if (end == 0 || address < end || address >= slot.guardEnd) {
            continue;
        }
        const size_t past = (address - end) / sizeof(double) + 1;
        SignalSafeText out(text, capacity);
        out << "wrote " << past << realsWord(past) << " past the " << slot.name << " ("
            << slot.reals << realsWord(slot.reals) << ")";
        return out.length();
    }
    return 0;
}

} // namespace xefhost::check

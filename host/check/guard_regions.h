// The guard regions behind the bench's kernel outputs, in a fixed table that a signal handler can
// search: registering allocates nothing, and looking an address up is async-signal-safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xefhost::check {

// Holds [dataEnd, guardEnd) as the region past an output of `reals` reals called `name`, which
// must outlive the registration. Returns the slot to release, or -1 when the table is full: the
// region still faults, it is only not named.
int registerGuard(uintptr_t dataEnd, uintptr_t guardEnd, size_t reals, const char* name);
void releaseGuard(int slot);

// Writes "wrote N reals past the NAME (M reals)" into text when address lies in a registered
// region, N counted from 1 at the first real past the end; returns the length written, 0 when no
// region holds the address. Async-signal-safe.
size_t describeGuardHit(uintptr_t address, char* text, size_t capacity);

} // namespace xefhost::check

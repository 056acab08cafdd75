#include "call_note.h"

#include <sys/mman.h>

#include <new>

namespace xefhost::check {

namespace {

CallNote* noted = nullptr;

const char* kernelName(int kernel) {
    return kernel == static_cast<int>(KernelKind::Post) ? "post-processing" : "tangent";
}

} // namespace

SharedCallNote::SharedCallNote() {
    void* page =
        mmap(nullptr, sizeof(CallNote), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        throw std::bad_alloc();
    }
    note_ = new (page) CallNote();
}

SharedCallNote::~SharedCallNote() {
    note_->~CallNote();
    munmap(note_, sizeof(CallNote));
}

void noteCallsIn(CallNote* note) {
    noted = note;
}

KernelCall::KernelCall(KernelKind kernel) {
    if (noted) {
        noted->kernel.store(static_cast<int>(kernel));
        noted->calls.fetch_add(1);
        noted->running.fetch_add(1);
    }
}

KernelCall::~KernelCall() {
    if (noted) {
        noted->running.fetch_sub(1);
    }
}

std::string describeCall(const CallNote& note, const std::string& family) {
    const long calls = note.calls.load();
    const std::string ofFamily = " of the " + family + " family)";
    if (note.running.load() > 0) {
        return std::string("in the ") + kernelName(note.kernel.load()) + " kernel (call " +
               std::to_string(calls) + ofFamily;
    }
    return "outside the kernels (after " + std::to_string(calls) + " kernel call" +
           (calls == 1 ? "" : "s") + ofFamily;
}

} // namespace xefhost::check

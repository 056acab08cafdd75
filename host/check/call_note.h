// Which kernel call a family's child process is in, kept on a page the child shares with the bench,
// so that the bench can still name the call after the child crashed or was stopped for hanging.
#pragma once

#include <atomic>
#include <string>

namespace xefhost::check {

enum class KernelKind : int { Tangent, Post };

struct CallNote {
    std::atomic<int> kernel{0};  // the KernelKind entered last
    std::atomic<int> running{0}; // calls entered and not yet returned
    std::atomic<long> calls{0};  // calls entered since the family began
};

// A note on shared anonymous memory, seen by the children forked while it lives.
class SharedCallNote {
  public:
    SharedCallNote();
    ~SharedCallNote();
    SharedCallNote(const SharedCallNote&) = delete;
    SharedCallNote& operator=(const SharedCallNote&) = delete;

    CallNote& note() { return *note_; }
    const CallNote& note() const { return *note_; }

  private:
    CallNote* note_;
};

// In a family's child: the note that kernel calls mark. Without one, calls are not noted.
void noteCallsIn(CallNote* note);

// Marks one kernel call in the note for as long as it lives.
class KernelCall {
  public:
    explicit KernelCall(KernelKind kernel);
    ~KernelCall();
    KernelCall(const KernelCall&) = delete;
    KernelCall& operator=(const KernelCall&) = delete;
};

// "in the tangent kernel (call 3 of the rigid-mode family)", or "outside the kernels (after 12
// kernel calls of the rigid-mode family)".
std::string describeCall(const CallNote& note, const std::string& family);

} // namespace xefhost::check

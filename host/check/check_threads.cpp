// Determinism and thread safety: a kernel that keeps state between calls, or shares scratch data
// between records, gives results that change from call to call or from thread to thread. The
// kernels' results must be bitwise equal however often and wherever they are called.
#include "check_measures.h"
#include "checks.h"

#include <atomic>
#include <thread>

namespace xefhost::check {

namespace {

constexpr int kStates = 4;
constexpr int kRepeats = 3;
constexpr int kThreads = 4;
constexpr int kThreadRepeats = 250;

// Every output of both kernels at one state, in one vector.
std::vector<double> fingerprint(KernelHarness& element, const ElementState& state) {
    const TangentOutput tangent = element.tangent(state);
    const PostOutput post = element.post(state);
    std::vector<double> all;
    append(all, tangent.residual);
    append(all, tangent.upper);
    append(all, post.gpost);
    append(all, post.npost);
    append(all, post.stored);
    return all;
}

// Calls that differ from the reference. Each state is repeated back to back, so that a kernel
// whose results cycle with its call count cannot come back in step with the reference; the states
// are visited from `first` on, so that concurrent callers work on different states at a time and
// scratch data shared between them shows.
int mismatches(KernelHarness& element, const std::vector<ElementState>& states,
               const std::vector<std::vector<double>>& reference, int repeats, size_t first) {
    int count = 0;
    for (size_t visit = 0; visit < states.size(); ++visit) {
        const size_t s = (first + visit) % states.size();
        for (int r = 0; r < repeats; ++r) {
            count += !bitwiseEqual(fingerprint(element, states[s]), reference[s]);
        }
    }
    return count;
}

} // namespace

std::vector<CheckResult> checkDeterminism(const CheckContext& context) {
    if (!context.kernelBlocker.empty()) {
        return {skipped("determinism", context.kernelBlocker),
                skipped("thread-safety", context.kernelBlocker)};
    }
    Random random = context.random(8);
    std::vector<ElementState> states;
    for (int s = 0; s < kStates; ++s) {
        states.push_back(context.randomState(random));
    }
    std::unique_ptr<KernelHarness> element = context.harness();
    std::vector<std::vector<double>> reference;
    for (const ElementState& state : states) {
        reference.push_back(fingerprint(*element, state));
    }
    const int repeated = mismatches(*element, states, reference, kRepeats, 0);

    // Records are built here, one per thread; only the kernel calls run concurrently.
    std::vector<std::unique_ptr<KernelHarness>> elements;
    for (int t = 0; t < kThreads; ++t) {
        elements.push_back(context.harness());
    }
    std::vector<int> counts(kThreads, 0);
    std::vector<std::thread> threads;
    std::atomic<bool> start{false};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Every thread waits here, so that their calls overlap instead of running in turn.
            while (!start.load()) {
                std::this_thread::yield();
            }
            counts[t] = mismatches(*elements[t], states, reference, kThreadRepeats, t);
        });
    }
    start.store(true);
    for (std::thread& thread : threads) {
        thread.join();
    }
    int concurrent = 0;
    for (const int count : counts) {
        concurrent += count;
    }
    return {judged("determinism", "differing results", repeated, 0.0,
                   std::to_string(kStates * kRepeats) + " repeated calls on one record"),
            judged("thread-safety", "differing results", concurrent, 0.0,
                   std::to_string(kThreads) + " threads x " +
                       std::to_string(kStates * kThreadRepeats) + " calls on distinct records")};
}

} // namespace xefhost::check

// Work-vector use: the host sizes the work vector, so an author must know how much of it each
// kernel writes. The vector is filled with a canary pattern, the kernel called, and the highest
// changed entry found; two different patterns also show whether a result depends on what the
// vector held on entry, which it must not.
#include "check_measures.h"
#include "checks.h"

#include <cstdint>
#include <cstring>

namespace xefhost::check {

namespace {

// A quiet NaN with a payload, which spreads into any result that reads it, and an ordinary number,
// which changes when a kernel adds to it: no kernel computes either by chance.
constexpr uint64_t kCanaries[2] = {0x7FF8DEADBEEF0001ull, 0x4172B7C3E0DDBA11ull};

enum class Kernel { Tangent, Post };

struct WorkUse {
    long written = 0;            // reals up to and including the highest entry written
    std::vector<double> results; // every output of the call, for a bitwise comparison
};

std::vector<double> callKernel(KernelHarness& element, Kernel kernel, const ElementState& state,
                               double* work) {
    std::vector<double> outputs;
    if (kernel == Kernel::Tangent) {
        const TangentOutput tangent = element.tangent(state, work);
        append(outputs, tangent.residual);
        append(outputs, tangent.upper);
    } else {
        const PostOutput post = element.post(state, work);
        append(outputs, post.gpost);
        append(outputs, post.npost);
    }
    return outputs;
}

WorkUse observe(KernelHarness& element, Kernel kernel, const ElementState& state, size_t reals,
                uint64_t canary) {
    double pattern;
    std::memcpy(&pattern, &canary, sizeof pattern);
    std::vector<double> vector(reals, pattern);
    WorkUse use;
    use.results = callKernel(element, kernel, state, vector.data());
    for (size_t i = reals; i-- > 0;) {
        uint64_t bits;
        std::memcpy(&bits, &vector[i], sizeof bits);
        if (bits != canary) {
            use.written = static_cast<long>(i) + 1;
            break;
        }
    }
    return use;
}

CheckResult workUse(const CheckContext& context, KernelHarness& element, Kernel kernel,
                    const ElementState& state) {
    const std::string name = kernel == Kernel::Tangent ? "work-tangent" : "work-post";
    // Twice what the author allows, so that an overrun lands in canaries, not in other memory.
    const size_t reals = 2 * context.workReals();
    const WorkUse first = observe(element, kernel, state, reals, kCanaries[0]);
    const WorkUse again = observe(element, kernel, state, reals, kCanaries[0]);
    const WorkUse second = observe(element, kernel, state, reals, kCanaries[1]);
    const long written = std::max(first.written, second.written);
    std::string detail =
        written == 0 ? "writes no entry" : "highest entry written " + std::to_string(written - 1);
    const bool overrun = context.workSize && written > *context.workSize;
    // Only a kernel that repeats itself on equal input can be judged on what it reads.
    const bool repeatable = bitwiseEqual(first.results, again.results);
    const bool stale = repeatable && !bitwiseEqual(first.results, second.results);
    if (overrun) {
        detail += ", beyond --work-size " + std::to_string(*context.workSize);
    }
    if (stale) {
        detail += "; results depend on what the work vector held on entry";
    }
    if (!repeatable) {
        detail += "; results change from call to call, so reads are not judged";
    }
    CheckResult result;
    result.name = name;
    result.status = overrun || stale ? Status::Fail : Status::Pass;
    result.measure = "reals written";
    result.figure = static_cast<double>(written);
    if (context.workSize) {
        result.tolerance = *context.workSize;
    }
    result.detail = detail;
    return result;
}

} // namespace

std::vector<CheckResult> checkWorkVector(const CheckContext& context) {
    if (!context.kernelBlocker.empty()) {
        return {skipped("work-tangent", context.kernelBlocker),
                skipped("work-post", context.kernelBlocker)};
    }
    Random random = context.random(7);
    const ElementState state = context.randomState(random);
    std::unique_ptr<KernelHarness> element = context.harness();
    return {workUse(context, *element, Kernel::Tangent, state),
            workUse(context, *element, Kernel::Post, state)};
}

} // namespace xefhost::check

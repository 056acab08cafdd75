#include "check_command.h"

#include "check_isolation.h"

#include <memory>

namespace xefhost {

namespace {

// Why the bench cannot call this element at all, or empty: without these the kernels cannot be
// reached or would be handed arrays of no meaningful size.
std::string refusalOf(const ElSpec& es) {
    if (es.dimensions != 2) {
        return "the element works in " + std::to_string(es.dimensions) +
               " dimensions; the bench checks plane (2D) elements only";
    }
    if (!es.tangentKernel || !es.postKernel) {
        return std::string("the description carries no ") +
               (es.tangentKernel ? "post-processing" : "tangent") + " kernel";
    }
    if (es.nodeCount <= 0 || es.dofCount <= 0) {
        return "the description has " + std::to_string(es.nodeCount) + " nodes and " +
               std::to_string(es.dofCount) + " unknowns";
    }
    if (!es.nodeDofs) {
        return "the description gives no unknowns per node";
    }
    if (es.dataCount < 0 || es.gpostCount < 0 || es.npostCount < 0) {
        return "the description has a negative data or post-processing count";
    }
    if (es.dataCount > 0 && !es.data) {
        return "the description installs no default material data";
    }
    return "";
}

check::CheckSubject subjectOf(const CheckOptions& options, const ElSpec& es) {
    return {options.library,
            es.codeName ? es.codeName : "(unnamed)",
            es.topology ? es.topology : "(none)",
            es.nodeCount,
            es.dofCount,
            es.intCode,
            es.intPointCount,
            options.seed,
            options.workSize};
}

// `message` names the library and the reason.
int refuse(const CheckOptions& options, const std::string& message, std::ostream& out,
           std::ostream& errors) {
    if (options.json) {
        check::printJsonRefusal(options.library, message, out);
    }
    errors << "xefhost: " << message << "\n";
    return check::kExitUnusable;
}

} // namespace

int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& errors) {
    std::unique_ptr<ElementLibrary> library;
    try {
        library = std::make_unique<ElementLibrary>(options.library);
    } catch (const LibraryError& error) {
        return refuse(options, error.what(), out, errors);
    }
    std::unique_ptr<ElementDescription> probe;
    try {
        probe = std::make_unique<ElementDescription>(*library, -1, -1);
    } catch (const LibraryError& error) {
        return refuse(options, error.what(), out, errors);
    }
    const std::string refusal = refusalOf(probe->record());
    if (!refusal.empty()) {
        return refuse(options, options.library + ": " + refusal, out, errors);
    }

    const check::CheckContext context(*library, options.seed, options.workSize);
    std::vector<check::CheckResult> results;
    for (const check::CheckFamily& family : check::checkFamilies()) {
        for (check::CheckResult& result : check::runIsolated(family, context, options.timeout)) {
            results.push_back(std::move(result));
        }
    }
    const check::CheckSubject subject = subjectOf(options, context.record());
    if (options.json) {
        check::printJson(subject, results, out);
    } else {
        check::printText(subject, results, out);
    }
    return check::exitCodeOf(results);
}

} // namespace xefhost

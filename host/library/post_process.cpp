#include "post_process.h"

#include "call_records.h"
#include "crash_report.h"
#include "huge_pages.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace xefhost {

namespace {

// The first point or nodal value of one element that is not finite, named, or empty.
std::string firstNonFinite(const PostResults& results, const std::vector<double*>& gpost,
                           const std::vector<double*>& npost, const ElementDescription& names) {
    const auto name = [](const std::vector<std::string>& list, int i) {
        return static_cast<size_t>(i) < list.size() && !list[i].empty() ? "\"" + list[i] + "\""
                                                                        : std::to_string(i + 1);
    };
    for (int g = 0; g < results.pointCount; ++g) {
        for (int c = 0; c < results.gpostCount; ++c) {
            if (!std::isfinite(gpost[g][c])) {
                return "point value " + name(names.gpostNames(), c) + " at integration point " +
                       std::to_string(g + 1) + " is " + std::to_string(gpost[g][c]);
            }
        }
    }
    for (size_t k = 0; k < npost.size(); ++k) {
        for (int c = 0; c < results.npostCount; ++c) {
            if (!std::isfinite(npost[k][c])) {
                return "nodal value " + name(names.npostNames(), c) + " at its node " +
                       std::to_string(k + 1) + " is " + std::to_string(npost[k][c]);
            }
        }
    }
    return "";
}

} // namespace

PostResults postProcess(const Model& model, ElementKernels& kernels, const std::vector<double>& u) {
    const ElSpec& first = kernels.record(0);
    PostResults results;
    results.pointCount = first.intPointCount;
    results.gpostCount = first.gpostCount;
    results.npostCount = first.npostCount;
    const int npe = model.nodesPerElement;
    const size_t m = model.elementCount();
    const size_t pointRow = static_cast<size_t>(results.gpostCount);
    resizeOnHugePages(results.pointValues, m * results.pointCount * pointRow, 0.0);
    resizeOnHugePages(results.nodeValues, model.nodeCount() * results.npostCount, 0.0);
    resizeOnHugePages(results.storedSums, m * kStoredReals, 0.0);
    std::vector<int> uses(model.nodeCount(), 0);

    CallRecords call(model, npe * model.dofsPerNode);
    std::vector<double*> gpost(results.pointCount);
    std::vector<double> npostBuffer(static_cast<size_t>(npe) * results.npostCount);
    std::vector<double*> npost(npe);
    for (int k = 0; k < npe; ++k) {
        npost[k] = &npostBuffer[static_cast<size_t>(k) * results.npostCount];
    }
    ForeignCallScope foreign("post-processing kernel", model.elementIds.data());
    for (size_t e = 0; e < m; ++e) {
        foreign.at(static_cast<int64_t>(e));
        call.bind(model, e, u.data(), &results.storedSums[e * kStoredReals]);
        for (int g = 0; g < results.pointCount; ++g) {
            gpost[g] = &results.pointValues[(e * results.pointCount + g) * pointRow];
        }
        const size_t material = model.elementMaterial[e];
        ElSpec& es = kernels.record(material);
        es.postKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                      kernels.idata(material), gpost.data(), npost.data());
        if (const std::string found =
                firstNonFinite(results, gpost, npost, kernels.description(material));
            !found.empty()) {
            throw NonFiniteOutputError(
                "the element's post-processing kernel returned a value that is not finite for " +
                describeElement(model, e) + ": its " + found);
        }
        for (int k = 0; k < npe; ++k) {
            const size_t node = model.elements[e * npe + k];
            ++uses[node];
            for (int c = 0; c < results.npostCount; ++c) {
                results.nodeValues[node * results.npostCount + c] += npost[k][c];
            }
        }
    }
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        for (int c = 0; c < results.npostCount; ++c) {
            results.nodeValues[node * results.npostCount + c] /= std::max(uses[node], 1);
        }
    }
    return results;
}

} // namespace xefhost

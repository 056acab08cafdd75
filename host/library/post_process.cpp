#include "post_process.h"

#include "call_records.h"
#include "huge_pages.h"

#include <algorithm>

namespace xefhost {

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
    for (size_t e = 0; e < m; ++e) {
        call.bind(model, e, u.data(), &results.storedSums[e * kStoredReals]);
        for (int g = 0; g < results.pointCount; ++g) {
            gpost[g] = &results.pointValues[(e * results.pointCount + g) * pointRow];
        }
        const size_t material = model.elementMaterial[e];
        ElSpec& es = kernels.record(material);
        es.postKernel(call.work(), &es, call.record(), call.ns(), call.nv(), nullptr,
                      kernels.idata(material), gpost.data(), npost.data());
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

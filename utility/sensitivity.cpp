// Second-order sensitivity contraction: for every listed parameter pair, adds
// sum_b sum_k T[a][b][k] * g_first[b] * g_second[k] into the pair's element vector.
#include "XEMUtility.h"

#include <cstddef>

namespace {

// Contractions are cached per index pair for this many parameters; any beyond are contracted again
// where a record needs them, which gives the same bits.
constexpr int cachedParameters = 200;

// Copies block m of every node's sensitivities, node after node, into parameter m's element vector.
void gatherSensitivities(const ElSpec* es, NodeKind* const* ns, NodeValues* const* nv,
                         double* const* gathered, int parameterCount) {
    if (es->nodeCount <= 0) {
        return;
    }
    for (int m = 0; m < parameterCount; ++m) {
        double* target = gathered[m];
        for (int j = 0; j < es->nodeCount; ++j) {
            const int count = ns[j]->dofCount;
            if (count > 0) {
                XEMMove(nv[j]->sensitivity + static_cast<std::ptrdiff_t>(m) * count, target, count);
                target += count;
            }
        }
    }
}

} // namespace

extern "C" void SensDotProduct(ElSpec* es, ElRecord* /*ed*/, NodeKind** ns, NodeValues** nv,
                               int* idata, const double* tensor, double** rows, int symmetric) {
    const int parameterCount = idata[XEFSensParameterCount];
    double* const* gathered = rows + idata[XEFSensVectorRow];
    gatherSensitivities(es, ns, nv, gathered, parameterCount);

    const int n = es->dofCount;
    if (n <= 0) {
        return;
    }
    const int first = idata[XEFSensPairFirst];
    const int last = idata[XEFSensPairLast];
    const int cached = parameterCount < cachedParameters ? parameterCount : cachedParameters;
    double contraction[cachedParameters];
    for (int a = 0; a < n; ++a) {
        for (int b = symmetric != 0 ? a : 0; b < n; ++b) {
            const double* slice = tensor + (static_cast<std::ptrdiff_t>(a) * n + b) * n;
            for (int m = 0; m < cached; ++m) {
                contraction[m] = XEMDot(gathered[m], slice, n);
            }
            for (int f = first; f <= last; ++f) {
                const int* record = es->sensitivityMap + static_cast<std::ptrdiff_t>(f - 1) * 6;
                const double* firstVector = gathered[record[0] - 1];
                const int second = record[1] - 1;
                const double s =
                    second < cached ? contraction[second] : XEMDot(gathered[second], slice, n);
                double* pairVector = rows[f - first];
                pairVector[a] = pairVector[a] + firstVector[b] * s;
                if (symmetric != 0 && b != a) {
                    pairVector[b] = pairVector[b] + firstVector[a] * s;
                }
            }
        }
    }
}

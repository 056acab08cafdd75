// An element library that lies, for the tests of what the host trusts: it describes a plausible
// 3-node plane triangle, then overrides the count named in MOLR_LIE ("nodeCount=1000000000") with
// the value given. With MOLR_LIE=residual=nan its tangent kernel returns a NaN internal force;
// otherwise its kernels add and assign nothing.
#include "XEFRecords.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kDataNames[2] = {"E -Young", "$[Nu]$ -Poisson"};
const double kDefaults[2] = {1.0, 0.3};
const char* const kPointNames[1] = {"Dxx"};
const char* const kNodalNames[1] = {"u"};
const int kNodeDofs[3] = {2, 2, 2};
const double kReferenceNodes[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

void lie(ElSpec* es) {
    const char* given = std::getenv("MOLR_LIE");
    if (!given) {
        return;
    }
    const std::string text(given);
    const size_t equals = text.find('=');
    const std::string field = text.substr(0, equals);
    const int value = std::atoi(text.c_str() + equals + 1);
    int* const fields[] = {&es->dimensions, &es->nodeCount,  &es->dofCount,     &es->dataCount,
                           &es->gpostCount, &es->npostCount, &es->intPointCount};
    const char* const names[] = {"dimensions", "nodeCount",  "dofCount",     "dataCount",
                                 "gpostCount", "npostCount", "intPointCount"};
    for (size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) {
        if (field == names[i]) {
            *fields[i] = value;
        }
    }
}

void tangent(double*, ElSpec*, ElRecord*, NodeKind**, NodeValues**, double*, int*, double* p,
             double**) {
    const char* given = std::getenv("MOLR_LIE");
    if (given && std::strcmp(given, "residual=nan") == 0) {
        p[0] += std::nan("");
    }
}

void post(double*, ElSpec*, ElRecord*, NodeKind**, NodeValues**, double*, int*, double**,
          double**) {}

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int*, int, int dataMode) {
    es->codeName = "LIAR";
    es->tangentKernel = tangent;
    es->postKernel = post;
    es->dimensions = 2;
    es->nodeCount = 3;
    es->dofCount = 6;
    es->nodeDofs = kNodeDofs;
    es->dataCount = 2;
    es->dataNames = kDataNames;
    if (dataMode == -1) {
        es->data = kDefaults;
    }
    es->gpostCount = 1;
    es->gpostNames = kPointNames;
    es->npostCount = 1;
    es->npostNames = kNodalNames;
    es->intCode = 12;
    es->defaultIntCode = 12;
    es->intPointCount = 1;
    es->rulePoints[0] = 1;
    es->topology = "T1";
    es->referenceNodes = kReferenceNodes;
    lie(es);
    return 0;
}

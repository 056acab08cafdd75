// An element library that lies, for the tests of what the host trusts. It is MOLR's plane-strain
// triangle, described and computed honestly, until MOLR_LIE says otherwise:
//   "nodeCount=1000000000" (any count field) overrides that count in the description (the
//   kernels still get MOLR's default data when the host hands over less);
//   "residual=nan" gives every element a NaN internal force;
//   "load=crash" and "describe=crash" crash while the library is loaded, or in XEFSetElSpec;
//   "tangent=crash", "tangent=inf", "post=crash", "post=nan" make the named kernel crash or
//   return a non-finite value, but only for elements with a node at (0, 1), so that a test knows
//   which element the host must name.
#include "MOLR.h"
#include "XEMUtility.h"

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kDataNames[2] = {"E -Young", "$[Nu]$ -Poisson"};
const double kDefaults[2] = {1.0, 0.3};
const char* const kPointNames[6] = {"Dxx",         "Dxy",         "Dyy",
                                    "$[Sigma]$xx", "$[Sigma]$xy", "$[Sigma]$yy"};
const char* const kNodalNames[4] = {"DeformedMeshX", "DeformedMeshY", "u", "v"};
const int kNodeDofs[3] = {2, 2, 2};
const double kReferenceNodes[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

bool lying(const char* lie) {
    const char* given = std::getenv("MOLR_LIE");
    return given && std::strcmp(given, lie) == 0;
}

bool marked(NodeValues** nv) {
    for (int k = 0; k < 3; ++k) {
        if (nv[k]->coords[0] == 0.0 && nv[k]->coords[1] == 1.0) {
            return true;
        }
    }
    return false;
}

[[noreturn]] void crash() {
    std::raise(SIGSEGV);
    std::abort();
}

// Runs as the library is loaded, as a C++ library's static constructors do.
[[maybe_unused]] const bool crashedOnLoad = [] {
    if (lying("load=crash")) {
        crash();
    }
    return false;
}();

void lieAboutCounts(ElSpec* es) {
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

// MOLR's kernels read E and nu: a description that lies about its data count gets the defaults.
ElSpec withData(const ElSpec* es) {
    ElSpec copy = *es;
    if (!copy.data || copy.dataCount < 2) {
        copy.data = kDefaults;
    }
    return copy;
}

void tangent(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
             int* idata, double* p, double** s) {
    if (lying("tangent=crash") && marked(nv)) {
        crash();
    }
    ElSpec described = withData(es);
    SKR(v, &described, ed, ns, nv, rdata, idata, p, s);
    if (lying("residual=nan")) {
        p[0] += std::nan("");
    }
    if (lying("tangent=inf") && marked(nv)) {
        s[1][4] = HUGE_VAL;
    }
}

void post(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv, double* rdata,
          int* idata, double** gpost, double** npost) {
    if (lying("post=crash") && marked(nv)) {
        crash();
    }
    ElSpec described = withData(es);
    SPP(v, &described, ed, ns, nv, rdata, idata, gpost, npost);
    if (lying("post=nan") && marked(nv)) {
        gpost[0][4] = std::nan("");
    }
}

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    if (lying("describe=crash")) {
        crash();
    }
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
    es->gpostCount = 6;
    es->gpostNames = kPointNames;
    es->npostCount = 4;
    es->npostNames = kNodalNames;
    es->defaultIntCode = 35;
    es->intCode = intCode == -1 ? 35 : intCode;
    XEFMultiIntPoints(&es->intCode, idata, &es->intPointCount, &es->rulePoints[0],
                      &es->rulePoints[1], &es->rulePoints[2], 0);
    es->topology = "T1";
    es->referenceNodes = kReferenceNodes;
    lieAboutCounts(es);
    return 0;
}

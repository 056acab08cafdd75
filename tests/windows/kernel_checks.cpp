// The kernels are reached only through the addresses the DLL stores in the record, as a host does.
#include "checks.h"

#include "worked_examples.h"

#include <string>
#include <vector>

namespace {

namespace ex = worked_example;

// Scratch sizes the kernels may use; the reals after them carry a canary.
constexpr int kTangentScratch = 228;
constexpr int kPostScratch = 149;
constexpr int kGuardReals = 16;
constexpr double kCanary = -1234.5;

// One element of the worked example as a host lays it out.
struct Element {
    ElSpec es{};
    double coords[3][3];
    double current[3][2];
    NodeValues values[3]{};
    NodeKind kinds[3]{};
    NodeValues* nv[3];
    NodeKind* ns[3];
    ElRecord record{};
    double storedReals[5];
    double rdata[4] = {};
    int idata[128] = {};

    Element(const MolrDll& dll, int intCode, const double* points) {
        dll.setElSpec()(&es, idata, intCode, -1);
        es.intPoints = points;
        for (int k = 0; k < 3; ++k) {
            for (int d = 0; d < 3; ++d) {
                coords[k][d] = ex::coords[k][d];
            }
            current[k][0] = ex::current[k][0];
            current[k][1] = ex::current[k][1];
            values[k].coords = coords[k];
            values[k].current = current[k];
            kinds[k].dofCount = 2;
            nv[k] = &values[k];
            ns[k] = &kinds[k];
        }
        for (double& r : storedReals) {
            r = kCanary;
        }
        record.storedReals = storedReals;
    }
};

struct Rule {
    const char* name;
    int intCode;
    int pointCount;
    const double* points;
};
// The one-point rule of the worked example and the element's default three-point code.
const Rule kRules[] = {{"one point", 12, 1, ex::onePointRule},
                       {"three points", -1, 3, ex::threePointRule}};

std::string entry(const char* rule, const char* name, int i) {
    return std::string(rule) + ": " + name + "[" + std::to_string(i) + "]";
}
std::string entry(const char* rule, const char* name, int i, int j) {
    return entry(rule, name, i) + "[" + std::to_string(j) + "]";
}

void checkGuard(const std::vector<double>& v, int used, const std::string& what, CheckLog& log) {
    bool intact = true;
    for (std::size_t i = static_cast<std::size_t>(used); i < v.size(); ++i) {
        intact = intact && v[i] == kCanary;
    }
    log.expect(intact, what);
}

void checkTangent(const MolrDll& dll, const Rule& rule, CheckLog& log) {
    Element e(dll, rule.intCode, rule.points);
    if (!log.expectInt(e.es.intPointCount, rule.pointCount,
                       std::string(rule.name) + ": intPointCount")) {
        return;
    }
    std::vector<double> v(kTangentScratch + kGuardReals, kCanary);
    double p[6] = {};
    double rows[6][6] = {};
    double* s[6];
    for (int i = 0; i < 6; ++i) {
        s[i] = rows[i];
    }
    e.es.tangentKernel(v.data(), &e.es, &e.record, e.ns, e.nv, e.rdata, e.idata, p, s);

    for (int i = 0; i < 6; ++i) {
        log.expectNear(p[i], ex::residual149[i] / ex::skrScale, ex::relativeTolerance,
                       entry(rule.name, "p", i));
    }
    int upper = 0;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            if (j < i) {
                log.expectExact(rows[i][j], 0.0, entry(rule.name, "s below diagonal", i, j));
            } else {
                log.expectNear(rows[i][j], ex::upperTangent149[upper++] / ex::skrScale,
                               ex::relativeTolerance, entry(rule.name, "s", i, j));
            }
        }
    }
    checkGuard(v, kTangentScratch, std::string(rule.name) + ": SKR stays in its scratch", log);
}

void checkPost(const MolrDll& dll, const Rule& rule, CheckLog& log) {
    Element e(dll, rule.intCode, rule.points);
    if (!log.expectInt(e.es.intPointCount, rule.pointCount,
                       std::string(rule.name) + ": intPointCount")) {
        return;
    }
    std::vector<double> v(kPostScratch + kGuardReals, kCanary);
    std::vector<std::vector<double>> pointRows(rule.pointCount, std::vector<double>(6, kCanary));
    std::vector<double*> gpost;
    for (auto& row : pointRows) {
        gpost.push_back(row.data());
    }
    double nodeRows[3][4];
    double* npost[3] = {nodeRows[0], nodeRows[1], nodeRows[2]};
    e.es.postKernel(v.data(), &e.es, &e.record, e.ns, e.nv, e.rdata, e.idata, gpost.data(), npost);

    for (int g = 0; g < rule.pointCount; ++g) {
        for (int c = 0; c < 6; ++c) {
            log.expectNear(pointRows[g][c], ex::pointRow[c], ex::relativeTolerance,
                           entry(rule.name, "gpost", g, c));
        }
    }
    for (int i = 0; i < 3; ++i) {
        log.expectNear(e.storedReals[i], ex::storedReals[i], ex::relativeTolerance,
                       entry(rule.name, "storedReals", i));
    }
    for (int i = 3; i < 5; ++i) {
        log.expectExact(e.storedReals[i], kCanary, entry(rule.name, "storedReals untouched", i));
    }
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 4; ++c) {
            log.expectExact(nodeRows[k][c], ex::nodalRows[k][c], entry(rule.name, "npost", k, c));
        }
    }
    checkGuard(v, kPostScratch, std::string(rule.name) + ": SPP stays in its scratch", log);
}

} // namespace

void checkKernels(CheckLog& log, const MolrDll& dll) {
    log.group("SKR worked example");
    for (const Rule& rule : kRules) {
        checkTangent(dll, rule, log);
    }
    log.group("SPP worked example");
    for (const Rule& rule : kRules) {
        checkPost(dll, rule, log);
    }
}

// Loads the built MOLR module the way a host does and prepares one triangle for its kernels.
#pragma once

#include "XEFRecords.h"
#include "worked_examples.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <dlfcn.h>
#include <iterator>
#include <vector>

namespace molrtest {

using SetElSpecRoutine = int (*)(ElSpec*, int*, int, int);

// The module stays loaded for the whole test program, as in a host.
inline SetElSpecRoutine exportedSetElSpec() {
    static void* handle = dlopen(MOLR_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        ADD_FAILURE() << "cannot load " << MOLR_MODULE_PATH << ": " << dlerror();
        return nullptr;
    }
    return reinterpret_cast<SetElSpecRoutine>(dlsym(handle, "XEFSetElSpec"));
}

// Host-owned storage for an ElSpec, bigger than the record, filled with one byte value first.
struct HostSpec {
    alignas(16) unsigned char bytes[1024];
    std::array<int, 256> idata{};

    explicit HostSpec(unsigned char fill = 0) { std::memset(bytes, fill, sizeof bytes); }
    ElSpec* es() { return reinterpret_cast<ElSpec*>(bytes); }
    int describe(int intCode = -1, int dataMode = -1) {
        return exportedSetElSpec()(es(), idata.data(), intCode, dataMode);
    }
};

constexpr int kTangentWork = 228;
constexpr int kPostWork = 149;
constexpr double kCanary = -7.25e300;

// One triangle as the host hands it to a kernel: node records, material, points and outputs, each
// output array framed by canaries so that a write outside its bounds shows.
struct Triangle {
    HostSpec host;
    // The worked example's triangle, state, material and one-point rule, each free to change.
    double coords[3][3];
    double current[3][2];
    double data[2];
    std::vector<double> points{std::begin(worked_example::onePointRule),
                               std::end(worked_example::onePointRule)};
    unsigned char nodeBytes[3][128] = {};
    unsigned char kindBytes[3][16] = {};
    NodeValues* nv[3];
    NodeKind* ns[3];
    unsigned char recordBytes[64] = {};
    std::vector<double> stored = std::vector<double>(8, kCanary);
    std::vector<double> work = std::vector<double>(kTangentWork + 16, kCanary);
    // Residual and tangent: 6 reals and 6 rows of 6, each with one canary before and after.
    std::vector<double> residual = std::vector<double>(8, kCanary);
    std::vector<std::vector<double>> tangent =
        std::vector<std::vector<double>>(6, std::vector<double>(8, kCanary));
    double* rows[6];
    // Post-processing rows: up to 8 point rows of 6 and 3 node rows of 4, framed the same way.
    std::vector<std::vector<double>> gpost =
        std::vector<std::vector<double>>(8, std::vector<double>(8, kCanary));
    std::vector<std::vector<double>> npost =
        std::vector<std::vector<double>>(3, std::vector<double>(6, kCanary));
    double* gpostRows[8];
    double* npostRows[3];

    Triangle() {
        std::memcpy(coords, worked_example::coords, sizeof coords);
        std::memcpy(current, worked_example::current, sizeof current);
        std::memcpy(data, worked_example::material, sizeof data);
        host.describe(-1, 0);
        for (int k = 0; k < 3; ++k) {
            nv[k] = reinterpret_cast<NodeValues*>(nodeBytes[k]);
            ns[k] = reinterpret_cast<NodeKind*>(kindBytes[k]);
            ns[k]->dofCount = 2;
        }
        for (int i = 0; i < 6; ++i) {
            residual[1 + i] = 0.0;
            for (int j = 0; j < 6; ++j) {
                tangent[i][1 + j] = 0.0;
            }
            rows[i] = tangent[i].data() + 1;
        }
        for (int g = 0; g < 8; ++g) {
            gpostRows[g] = gpost[g].data() + 1;
        }
        for (int k = 0; k < 3; ++k) {
            npostRows[k] = npost[k].data() + 1;
        }
    }

    ElSpec* es() { return host.es(); }
    ElRecord* record() {
        auto* ed = reinterpret_cast<ElRecord*>(recordBytes);
        ed->storedReals = stored.data();
        return ed;
    }
    void bind() {
        for (int k = 0; k < 3; ++k) {
            nv[k]->coords = coords[k];
            nv[k]->current = current[k];
        }
        es()->data = data;
        es()->intPoints = points.data();
        es()->intPointCount = static_cast<int>(points.size() / 4);
    }
    // Calls SKR through the record, as a host does.
    void tangentCall() {
        bind();
        es()->tangentKernel(work.data(), es(), record(), ns, nv, nullptr, host.idata.data(),
                            residual.data() + 1, rows);
    }
    void postCall() {
        bind();
        es()->postKernel(work.data(), es(), record(), ns, nv, nullptr, host.idata.data(), gpostRows,
                         npostRows);
    }
    double p(int i) const { return residual[1 + i]; }
    double s(int i, int j) const { return tangent[i][1 + j]; }
};

} // namespace molrtest

// Loads an element library through its one export, as a host does, and calls its kernels on one
// element of the caller's nodes, unknowns, material and catalogue rule. Shared by the tests of the
// example elements; the work vector is filled with NaN before every call, so a kernel that reads
// what it did not write shows in its results.
#pragma once

#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <dlfcn.h>
#include <limits>
#include <string>
#include <vector>

namespace exampletest {

using SetElSpecRoutine = int (*)(ElSpec*, int*, int, int);

struct TangentResult {
    std::vector<double> p; // [dofs]
    std::vector<double> K; // [dofs][dofs] row-major, the upper triangle mirrored below
    double at(int i, int j) const { return K[static_cast<size_t>(i) * p.size() + j]; }
};

struct PostResult {
    std::vector<std::vector<double>> gpost; // [points][gpostCount]
    std::vector<std::vector<double>> npost; // [nodes][npostCount]
    std::array<double, 3> stored{};
};

class LoadedElement {
  public:
    // The element's description for integration code `intCode` (-1: its default) and its default
    // material, which setMaterial may replace.
    explicit LoadedElement(const std::string& library, int intCode = -1) {
        handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            ADD_FAILURE() << "cannot load " << library << ": " << dlerror();
            return;
        }
        const auto describe = reinterpret_cast<SetElSpecRoutine>(dlsym(handle_, "XEFSetElSpec"));
        if (!describe) {
            ADD_FAILURE() << library << " has no XEFSetElSpec";
            return;
        }
        describe(es(), idata_.data(), intCode, -1);
        data_.assign(es()->data, es()->data + es()->dataCount);
        int count = 0;
        const int code = es()->intCode;
        const double* points = XEFIntPoints(&code, &count);
        points_.assign(points, points + 4 * count);
        work_.resize(4096);
    }
    ~LoadedElement() {
        if (handle_) {
            dlclose(handle_);
        }
    }
    LoadedElement(const LoadedElement&) = delete;
    LoadedElement& operator=(const LoadedElement&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const ElSpec& record() { return *es(); }
    int nodes() { return es()->nodeCount; }
    int dofs() { return es()->dofCount; }
    int points() const { return static_cast<int>(points_.size() / 4); }
    const double* point(int g) const { return &points_[4 * static_cast<size_t>(g)]; }
    void setMaterial(double E, double nu) { data_ = {E, nu}; }

    // xy: x, y of each node; u: ux, uy of each node.
    TangentResult tangent(const std::vector<double>& xy, const std::vector<double>& u) {
        bind(xy, u);
        const size_t n = static_cast<size_t>(dofs());
        TangentResult r{std::vector<double>(n, 0.0), std::vector<double>(n * n, 0.0)};
        std::vector<double*> rows(n);
        for (size_t i = 0; i < n; ++i) {
            rows[i] = &r.K[i * n];
        }
        es()->tangentKernel(work_.data(), es(), elementRecord(), kinds_.data(), values_.data(),
                            nullptr, idata_.data(), r.p.data(), rows.data());
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = 0; j < i; ++j) {
                r.K[i * n + j] = r.K[j * n + i];
            }
        }
        return r;
    }

    PostResult post(const std::vector<double>& xy, const std::vector<double>& u) {
        bind(xy, u);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        PostResult r;
        r.gpost.assign(points(), std::vector<double>(es()->gpostCount, nan));
        r.npost.assign(nodes(), std::vector<double>(es()->npostCount, nan));
        std::vector<double*> gRows, nRows;
        for (auto& row : r.gpost) {
            gRows.push_back(row.data());
        }
        for (auto& row : r.npost) {
            nRows.push_back(row.data());
        }
        es()->postKernel(work_.data(), es(), elementRecord(), kinds_.data(), values_.data(),
                         nullptr, idata_.data(), gRows.data(), nRows.data());
        r.stored = {stored_[0], stored_[1], stored_[2]};
        return r;
    }

  private:
    ElSpec* es() { return reinterpret_cast<ElSpec*>(bytes_); }
    ElRecord* elementRecord() {
        auto* ed = reinterpret_cast<ElRecord*>(recordBytes_);
        ed->storedReals = stored_;
        return ed;
    }
    void bind(const std::vector<double>& xy, const std::vector<double>& u) {
        const size_t n = static_cast<size_t>(nodes());
        coords_.assign(3 * n, 0.0);
        current_ = u;
        nodeBytes_.assign(n * 128, 0);
        kindBytes_.assign(n * 16, 0);
        values_.resize(n);
        kinds_.resize(n);
        for (size_t k = 0; k < n; ++k) {
            coords_[3 * k] = xy[2 * k];
            coords_[3 * k + 1] = xy[2 * k + 1];
            values_[k] = reinterpret_cast<NodeValues*>(&nodeBytes_[k * 128]);
            kinds_[k] = reinterpret_cast<NodeKind*>(&kindBytes_[k * 16]);
            values_[k]->coords = &coords_[3 * k];
            values_[k]->current = &current_[2 * k];
            kinds_[k]->dofCount = 2;
        }
        es()->data = data_.data();
        es()->intPoints = points_.data();
        es()->intPointCount = points();
        work_.assign(work_.size(), std::numeric_limits<double>::quiet_NaN());
    }

    void* handle_ = nullptr;
    alignas(16) unsigned char bytes_[1024] = {};
    alignas(16) unsigned char recordBytes_[64] = {};
    std::array<int, 256> idata_{};
    std::vector<double> data_, points_, work_, coords_, current_;
    std::vector<unsigned char> nodeBytes_, kindBytes_;
    std::vector<NodeValues*> values_;
    std::vector<NodeKind*> kinds_;
    double stored_[3] = {};
};

} // namespace exampletest

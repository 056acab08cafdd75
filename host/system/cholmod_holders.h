// Owners of CHOLMOD's objects for the ordering and the factorizations: each frees what it holds
// on every way out of its scope, a throw included, and none can be copied. A factor or dense
// column is freed with the common it was made with, so the common must outlive it (declare it
// first).
#pragma once

#include <suitesparse/cholmod.h>

namespace xefhost {

// A started cholmod_common that prints nothing and calls no handler: failures are read from its
// status by the caller.
class CholmodCommon {
  public:
    CholmodCommon() {
        cholmod_start(&common_);
        common_.print = 0;
        common_.error_handler = nullptr;
    }
    ~CholmodCommon() { cholmod_finish(&common_); }
    CholmodCommon(const CholmodCommon&) = delete;
    CholmodCommon& operator=(const CholmodCommon&) = delete;

    cholmod_common* get() { return &common_; }
    const cholmod_common* get() const { return &common_; }
    cholmod_common* operator->() { return &common_; }
    const cholmod_common* operator->() const { return &common_; }

  private:
    cholmod_common common_;
};

// Holds one object that CHOLMOD allocated (a factor or a dense matrix), null until given one.
template <typename Object, int (*Free)(Object**, cholmod_common*)> class CholmodHolder {
  public:
    explicit CholmodHolder(CholmodCommon& common) : common_(common) {}
    ~CholmodHolder() { reset(); }
    CholmodHolder(const CholmodHolder&) = delete;
    CholmodHolder& operator=(const CholmodHolder&) = delete;

    // Frees what is held and takes object (which may be null).
    void reset(Object* object = nullptr) {
        if (object_) {
            Free(&object_, common_.get());
        }
        object_ = object;
    }
    Object* get() const { return object_; }
    Object* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    CholmodCommon& common_;
    Object* object_ = nullptr;
};

using CholmodFactor = CholmodHolder<cholmod_factor, cholmod_free_factor>;
using CholmodDense = CholmodHolder<cholmod_dense, cholmod_free_dense>;

} // namespace xefhost

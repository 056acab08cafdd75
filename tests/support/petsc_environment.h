// PETSc and MPI for a test program: started once before its tests and ended after them, as a
// process may start MPI only once. Include it in one file of the program.
#pragma once

#include "petsc_runtime.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Open MPI keeps its start-up allocations, in components it unloads at the end, where the leak
// checker of sanitized builds cannot tell them from leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

namespace molrtest {

class PetscEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        runtime_ = std::make_unique<xefhost::PetscRuntime>("", std::vector<std::string>{});
    }
    void TearDown() override { runtime_.reset(); }

  private:
    std::unique_ptr<xefhost::PetscRuntime> runtime_;
};

inline const auto* const kPetscEnvironment =
    ::testing::AddGlobalTestEnvironment(new PetscEnvironment);

} // namespace molrtest

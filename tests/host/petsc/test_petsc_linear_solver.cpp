// Newton's solves through PETSc against CHOLMOD's on the same models: conjugate gradients with
// algebraic multigrid by default, MUMPS's Cholesky one option away, and a solve that stops short
// reported with PETSc's reason.
#include "element_library.h"
#include "newton_solver.h"
#include "petsc_environment.h"
#include "petsc_runtime.h"
#include "solve_level.h"
#include "strip_model.h"

#include <petscsys.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace xefhost;

// Displacements of the strip by the given method, with the given PETSc options in force.
Analysis solved(const Model& model, SolveMethod method, const char* options) {
    requirePetsc(PetscOptionsClear(nullptr), "clearing options");
    requirePetsc(PetscOptionsInsertString(nullptr, options), "setting options");
    static const ElementLibrary library(MOLR_MODULE_PATH);
    Analysis analysis;
    analysis.model = model;
    ElementKernels kernels(library, analysis.model, -1);
    solveLevel(
        analysis, kernels, [](const std::string&) {}, Factorization::Automatic, NewtonSettings{},
        method);
    return analysis;
}

double relativeDifference(const std::vector<double>& u, const std::vector<double>& reference) {
    double difference = 0, size = 0;
    for (size_t i = 0; i < u.size(); ++i) {
        difference = std::max(difference, std::fabs(u[i] - reference[i]));
        size = std::max(size, std::fabs(reference[i]));
    }
    return difference / size;
}

struct MethodCase {
    const char* options;
    double agreement;   // largest displacement difference relative to the largest displacement
    const char* solver; // the start of the summary line
};

TEST(PetscLinearSolver, AgreesWithCholmodOnTheStripsDisplacementsAndReactions) {
    const MethodCase cases[] = {
        {"", 1e-8, "PETSc cg with gamg, true residual below 1e-12 relative:"},
        {"-ksp_type preonly -pc_type cholesky -pc_factor_mat_solver_type mumps", 1e-12,
         "PETSc preonly with cholesky: 1, 1 iterations"},
        {"-pc_gamg_threshold 0.02 -ksp_rtol 1e-11", 1e-7,
         "PETSc cg with gamg, true residual below 1e-11"},
    };
    for (const auto& [nx, ny] : {std::pair{60, 12}, {200, 20}}) {
        const Model model = molrtest::strip(nx, ny);
        const Analysis direct = solved(model, SolveMethod::Cholmod, "");
        for (const MethodCase& c : cases) {
            const Analysis petsc = solved(model, SolveMethod::Petsc, c.options);
            EXPECT_LT(relativeDifference(petsc.u, direct.u), c.agreement) << c.options;
            EXPECT_NEAR(petsc.reaction[1], direct.reaction[1], 1e-9) << c.options;
            EXPECT_EQ(petsc.linearSolver.rfind(c.solver, 0), 0u) << petsc.linearSolver;
            EXPECT_EQ(petsc.factorizations, 1) << c.options;
        }
    }
}

TEST(PetscLinearSolver, ASolveThatStopsShortNamesPetscsReason) {
    const Model model = molrtest::strip(60, 12);
    try {
        solved(model, SolveMethod::Petsc, "-ksp_max_it 3");
        ADD_FAILURE() << "three iterations converged";
    } catch (const NotConvergedError& error) {
        EXPECT_NE(std::string(error.what()).find("DIVERGED_ITS) after 3 iterations"),
                  std::string::npos)
            << error.what();
    }
}

} // namespace

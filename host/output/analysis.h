// One solved level of an analysis: the model, its solution and the figures reported for it.
#pragma once

#include "error_norms.h"
#include "exact_solution.h"
#include "model.h"
#include "post_results.h"
#include "stage_clock.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace xefhost {

struct Analysis {
    Model model;
    std::vector<std::string> gpostNames, npostNames;
    std::vector<std::string> dataKeys; // material data names as problem files spell them
    int intCode = 0;
    std::vector<double> u;             // every unknown, node by node
    std::vector<double> internalForce; // assembled element residuals at the solution
    PostResults post;

    double elementSize = 0;
    // Of the whole model, whichever process holds which piece of it.
    size_t elementCount = 0, nodeCount = 0;
    size_t unknowns = 0;
    size_t nonzeros = 0;
    std::vector<StageCost> stages;     // time and peak memory of each stage
    std::vector<double> residualNorms; // before each Newton step, and after
    // How an iterative or outside solver did the linear solves, and its iterations; empty when
    // CHOLMOD factorized in this process (factorEntries, factorFlops).
    std::string linearSolver;
    double factorEntries = 0; // nonzeros of the Cholesky factor
    double factorFlops = 0;   // floating-point operations of one factorization
    int factorizations = 0;
    size_t separatorUnknowns = 0; // of a factorization split in halves; 0 when whole
    double backwardError = 0;     // largest residual relative to the size of its summed terms
    double applied[2] = {0, 0};   // sum of the external forces
    double reaction[2] = {0, 0};  // sum of the support reactions
    double forceScale = 0;        // sum of the magnitudes of every load and reaction component
    double strainEnergy = 0;      // 1/2 u.f; NaN where the response was not linear
    int loadSteps = 1;
    std::optional<double> loadWork; // where not linear: the work of the loads over the steps
    double maxDisplacement = 0;
    std::optional<ErrorNorms> errors;

    // Balance of applied load and reactions, relative to the forces that act.
    double imbalance() const;
};

// Fills the element and node counts, the applied load, the reactions, the force scale, the strain
// energy (1/2 u.f) and the largest displacement from the whole model, u and the internal force.
void summarizeEquilibrium(Analysis& analysis);

// The closed form for the level's material: E and nu of its first material where the element
// names them so, 1 and 0 otherwise.
ExactSolution exactSolutionOf(const Analysis& analysis, const ExactSpec& exact);

} // namespace xefhost

// Discretization errors of a solved triangle mesh against a closed-form solution.
#pragma once

#include "exact_solution.h"
#include "model.h"
#include "post_results.h"

#include <string>
#include <vector>

namespace xefhost {

struct ErrorNorms {
    double displacementL2 = 0;     // ||u_h - u||_L2 / ||u||_L2
    double energy = 0;             // energy norm of the error / energy norm of u
    double maxNodalDifference = 0; // max over nodes of |u_h - u|, relative to max |u|
};

// Needs linear triangles and point quantities named Dxx, Dxy, Dyy and the three stresses.
ErrorNorms errorNorms(const Model& model, const std::vector<std::string>& gpostNames,
                      const PostResults& post, const std::vector<double>& u,
                      const ExactSolution& exact);

} // namespace xefhost

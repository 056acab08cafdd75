// Discretization errors of a solved plane mesh against a closed-form solution.
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

// The integrals and maxima the norms are ratios of: they add up (and take the larger) over the
// pieces of a model held by several processes.
struct ErrorSums {
    double errorL2 = 0, normL2 = 0;                 // of u_h - u and of u, squared, integrated
    double errorEnergy = 0, normEnergy = 0;         // of the error and of u, integrated
    double largestDifference = 0, largestExact = 0; // max over nodes of |u_h - u| and of |u|
};

ErrorNorms normsOf(const ErrorSums& sums);

// Needs a plane element of 3, 6, 4, 8 or 9 nodes and point quantities named Dxx, Dxy, Dyy and the
// three stresses. `intPoints` holds (xi, eta, zeta, weight) for each of the `pointCount` points at
// which the element gave its point values, in the element's reference coordinates. The integrals
// use a degree-5 rule of the shape; the element's point values are fitted over the element first.
ErrorSums errorSums(const Model& model, const std::vector<std::string>& gpostNames,
                    const PostResults& post, const std::vector<double>& u,
                    const ExactSolution& exact, const double* intPoints, int pointCount);
ErrorNorms errorNorms(const Model& model, const std::vector<std::string>& gpostNames,
                      const PostResults& post, const std::vector<double>& u,
                      const ExactSolution& exact, const double* intPoints, int pointCount);

} // namespace xefhost

// The error norms of every plane element shape, against fields the shape represents exactly and
// against a smooth field the shape can only approach.
#include "XEMUtility.h"
#include "error_norms.h"
#include "plane_meshes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using xefhost::ExactSolution;
using xefhost::Model;
using xefhost::PostResults;

const std::vector<std::string> pointNames = {"Dxx",         "Dxy",         "Dyy",
                                             "$[Sigma]$xx", "$[Sigma]$xy", "$[Sigma]$yy"};

// An isotropic-looking constitutive map; any linear one serves, as long as the element's point
// values and the closed form share it.
void stressOf(const double* strain, double* stress) {
    const double trace = strain[0] + strain[1];
    stress[0] = 2 * strain[0] + trace;
    stress[1] = 2 * strain[1] + trace;
    stress[2] = 2 * strain[2];
}

// u = (a x^2 + b x y + c x + d y, e y^2 + f x y + g x + h y) with its tensor strains.
ExactSolution quadraticField(const double (&k)[8]) {
    ExactSolution exact;
    exact.displacement = [k](double x, double y, double* u) {
        u[0] = k[0] * x * x + k[1] * x * y + k[2] * x + k[3] * y;
        u[1] = k[4] * y * y + k[5] * x * y + k[6] * x + k[7] * y;
    };
    exact.strainStress = [k](double x, double y, double* strain, double* stress) {
        strain[0] = 2 * k[0] * x + k[1] * y + k[2];
        strain[1] = 2 * k[4] * y + k[5] * x + k[7];
        strain[2] = (k[1] * x + k[3] + k[5] * y + k[6]) / 2;
        stressOf(strain, stress);
    };
    return exact;
}

ExactSolution smoothField() {
    ExactSolution exact;
    exact.displacement = [](double x, double y, double* u) {
        u[0] = std::sin(2 * x) * std::cos(y);
        u[1] = std::exp(x) * std::sin(3 * y);
    };
    exact.strainStress = [](double x, double y, double* strain, double* stress) {
        strain[0] = 2 * std::cos(2 * x) * std::cos(y);
        strain[1] = 3 * std::exp(x) * std::cos(3 * y);
        strain[2] = (-std::sin(2 * x) * std::sin(y) + std::exp(x) * std::sin(3 * y)) / 2;
        stressOf(strain, stress);
    };
    return exact;
}

// The nodal interpolant of the field and, as the element would give them, its strains and
// stresses at the rule's points. The points are placed over the element's corners, which is
// where they lie in elements with straight edges and mid nodes halfway.
struct Solved {
    std::vector<double> u;
    PostResults post;
};

Solved solve(const Model& model, const ExactSolution& exact, int intCode) {
    int count = 0;
    const double* rule = XEFIntPoints(&intCode, &count);
    const bool triangle = model.nodesPerElement == 3 || model.nodesPerElement == 6;
    Solved s;
    s.u.resize(2 * model.nodeCount());
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        exact.displacement(model.coords[3 * node], model.coords[3 * node + 1], &s.u[2 * node]);
    }
    s.post.pointCount = count;
    s.post.gpostCount = 6;
    for (size_t e = 0; e < model.elementCount(); ++e) {
        double corners[4][2];
        for (int k = 0; k < (triangle ? 3 : 4); ++k) {
            const int32_t node = model.elements[e * model.nodesPerElement + k];
            corners[k][0] = model.coords[3 * node];
            corners[k][1] = model.coords[3 * node + 1];
        }
        for (int g = 0; g < count; ++g) {
            const auto [x, y] = molrtest::placeReferencePoint(&rule[4 * g], triangle, corners);
            double strain[3], stress[3];
            exact.strainStress(x, y, strain, stress);
            // In the order of pointNames.
            s.post.pointValues.insert(s.post.pointValues.end(), {strain[0], strain[2], strain[1],
                                                                 stress[0], stress[2], stress[1]});
        }
    }
    return s;
}

xefhost::ErrorNorms norms(const Model& model, const ExactSolution& exact, int intCode) {
    const Solved s = solve(model, exact, intCode);
    int count = 0;
    const double* rule = XEFIntPoints(&intCode, &count);
    return xefhost::errorNorms(model, pointNames, s.post, s.u, exact, rule, count);
}

struct Shape {
    int nodes;
    int intCode; // a rule the element could use
    int degree;  // of the complete polynomials the shape represents
    int fitted;  // of the complete polynomials its strains hold
};

const Shape shapes[] = {{3, 35, 1, 0}, {6, 17, 2, 1}, {4, 2, 1, 1}, {8, 3, 2, 2}, {9, 3, 2, 2}};

TEST(ErrorNorms, AFieldTheShapeRepresentsIsMeasuredWithoutError) {
    const double linear[8] = {0, 0, 0.02, -0.01, 0, 0, 0.015, 0.03};
    const double quadratic[8] = {0.01, 0.02, 0.02, -0.01, 0.03, 0.01, 0.015, 0.03};
    for (const Shape& shape : shapes) {
        const Model model = molrtest::planeModel(shape.nodes, 3, 2, 1.5, 1.0);
        const auto errors =
            norms(model, quadraticField(shape.degree == 2 ? quadratic : linear), shape.intCode);
        EXPECT_LT(errors.displacementL2, 1e-13) << shape.nodes << " nodes";
        EXPECT_LT(errors.energy, 1e-7) << shape.nodes << " nodes";
        EXPECT_LT(errors.maxNodalDifference, 1e-13) << shape.nodes << " nodes";
    }
}

TEST(ErrorNorms, CurvedElementsKeepALinearFieldExact) {
    const double linear[8] = {0, 0, 0.02, -0.01, 0, 0, 0.015, 0.03};
    const auto bend = [](double& x, double& y) {
        const double x0 = x;
        x += 0.08 * std::sin(3 * y);
        y += 0.06 * std::sin(2 * x0);
    };
    for (const Shape& shape : shapes) {
        const Model model = molrtest::planeModel(shape.nodes, 3, 3, 1.0, 1.0, bend);
        // A linear field's strains are constant, wherever the points lie.
        const auto errors = norms(model, quadraticField(linear), shape.intCode);
        EXPECT_LT(errors.displacementL2, 1e-12) << shape.nodes << " nodes";
        EXPECT_LT(errors.energy, 1e-7) << shape.nodes << " nodes";
    }
}

// The point values here are the exact strains, so the energy error is that of carrying them over
// the element, which falls one order faster than the polynomials fitted to them.
TEST(ErrorNorms, ErrorsOfASmoothFieldFallAtTheShapesRates) {
    for (const Shape& shape : shapes) {
        const auto coarse =
            norms(molrtest::planeModel(shape.nodes, 4, 4, 1, 1), smoothField(), shape.intCode);
        const auto fine =
            norms(molrtest::planeModel(shape.nodes, 8, 8, 1, 1), smoothField(), shape.intCode);
        EXPECT_NEAR(std::log2(coarse.displacementL2 / fine.displacementL2), shape.degree + 1, 0.3)
            << shape.nodes << " nodes";
        EXPECT_GT(std::log2(coarse.energy / fine.energy), shape.fitted + 1 - 0.3)
            << shape.nodes << " nodes";
    }
}

TEST(ErrorNorms, PointsOtherThanTheElementsAreRefused) {
    const Model model = molrtest::planeModel(3, 1, 1, 1, 1);
    const Solved s = solve(model, smoothField(), 35);
    const int code = 42;
    int count = 0;
    const double* rule = XEFIntPoints(&code, &count);
    EXPECT_THROW(xefhost::errorNorms(model, pointNames, s.post, s.u, smoothField(), rule, count),
                 std::invalid_argument);
}

} // namespace

// The support check before any factorization: each connected part of the mesh must be held
// against both translations and, with two unknowns per node, against turning.
#include "model_errors.h"
#include "restraint.h"
#include "strip_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace xefhost;

// The message of the SingularModelError the check throws, or "" when it accepts the model.
std::string verdict(const Model& model) {
    try {
        requireRestraint(model);
    } catch (const SingularModelError& error) {
        return error.what();
    }
    return "";
}

// [0, 4] x [0, 1] in 4 x 2 squares, nothing fixed.
Model block() {
    molrtest::TriangleMesh mesh;
    molrtest::addRectangle(mesh, 0, 0, 4, 1, 4, 2);
    return molrtest::modelOf(mesh);
}

void fix(Model& model, double x, double y, int component) {
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        if (model.coords[3 * n] == x && model.coords[3 * n + 1] == y) {
            model.fixed[2 * n + component] = 1;
            return;
        }
    }
    FAIL() << "no node at " << x << ", " << y;
}

TEST(Restraint, AcceptsSupportsThatStopEveryRigidMotion) {
    Model clamped = molrtest::strip(6, 2);
    EXPECT_EQ(verdict(clamped), "");
    // Rollers: x held along the left edge (three heights), y at one node.
    Model rollers = block();
    for (double y : {0.0, 0.5, 1.0}) {
        fix(rollers, 0, y, 0);
    }
    fix(rollers, 2, 0, 1);
    EXPECT_EQ(verdict(rollers), "");
    // Simply supported: a pin and a roller in y only; the pin's x stops the translation.
    Model simple = block();
    fix(simple, 0, 0, 0), fix(simple, 0, 0, 1), fix(simple, 4, 0, 1);
    EXPECT_EQ(verdict(simple), "");
}

TEST(Restraint, NamesTheFreeTranslationOrTheCentreOfTheFreeTurn) {
    Model none = block();
    EXPECT_EQ(verdict(none), "the model can move freely: no displacement is fixed in x");
    Model onlyX = block();
    fix(onlyX, 0, 0, 0), fix(onlyX, 0, 1, 0);
    EXPECT_EQ(verdict(onlyX), "the model can move freely: no displacement is fixed in y");
    Model pinned = block();
    fix(pinned, 1, 0.5, 0), fix(pinned, 1, 0.5, 1);
    EXPECT_EQ(verdict(pinned), "the model can move freely: it can turn about (1, 0.5), for every "
                               "fixed x lies at y = 0.5 and every fixed y at x = 1");
    // x held along the bottom edge, y at one node of it: still a turn about that node.
    Model bottom = block();
    for (double x : {0.0, 1.0, 2.0, 3.0, 4.0}) {
        fix(bottom, x, 0, 0);
    }
    fix(bottom, 3, 0, 1);
    EXPECT_NE(verdict(bottom).find("it can turn about (3, 0)"), std::string::npos)
        << verdict(bottom);
}

TEST(Restraint, JudgesEachConnectedPartOnItsOwn) {
    // Two blocks side by side that share no node; only the first is clamped.
    molrtest::TriangleMesh mesh;
    molrtest::addRectangle(mesh, 0, 0, 4, 1, 4, 2);
    molrtest::addRectangle(mesh, 5, 0, 1, 1, 1, 1);
    Model two = molrtest::modelOf(mesh);
    for (double y : {0.0, 0.5, 1.0}) {
        fix(two, 0, y, 0), fix(two, 0, y, 1);
    }
    // The second block's nodes follow the first's 15; its first node has tag 16.
    EXPECT_EQ(verdict(two),
              "the part of the mesh with node 16 can move freely: no displacement is fixed in x");
    fix(two, 5, 0, 0), fix(two, 5, 0, 1), fix(two, 6, 1, 1);
    EXPECT_EQ(verdict(two), "");
}

} // namespace

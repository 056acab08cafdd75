// A plane analysis as the user describes it in a TOML problem file.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace xefhost {

// The problem file is missing or wrong: the message names the file, the line and the key.
class ProblemError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct MaterialSpec {
    std::string group; // physical surface name; empty for every element
    // Values by the symbol of the element's data names ("E", "nu"), or by position.
    std::map<std::string, double> byName;
    std::vector<double> byPosition;
};

// Prescribed displacement components on a physical group; an absent component stays free.
struct FixSpec {
    std::string group;
    std::optional<double> x, y;
    bool fromExact = false; // both components take the [exact] field's values at each node
};

struct TractionSpec {
    std::string group; // physical curve
    std::array<double, 2> vector{0, 0};
};

struct PressureSpec {
    std::string group; // physical curve; positive pressure pushes into the body
    double value = 0;
};

struct PointLoadSpec {
    std::string group; // physical point (or any group: the force goes to each of its nodes)
    std::array<double, 2> force{0, 0};
};

struct ExactSpec {
    std::string solution; // "lame-cylinder" or "uniform-strain"
    std::map<std::string, double> parameters;
    std::vector<double> gradient; // uniform-strain: [[a, b], [c, d]] flattened
    std::array<double, 2> offset{0, 0};
};

// How the load is applied and when Newton's iterations count as converged.
// Who solves the linear systems of Newton's iterations: CHOLMOD's sparse Cholesky in this
// process, or PETSc's solvers (by default conjugate gradients with algebraic multigrid).
enum class SolveMethod { Cholmod, Petsc };

struct SolveSpec {
    int steps = 1;           // equal increments of every load and prescribed displacement
    int maxIterations = 10;  // Newton iterations per step
    double tolerance = 1e-8; // free residual norm relative to the load's norm
    SolveMethod method = SolveMethod::Cholmod;
    std::string options; // for PETSc's options database, e.g. "-pc_type cholesky"
};

struct Problem {
    std::string path; // the problem file
    std::string title;
    std::string meshFile;     // a .msh file, or
    std::string geometryFile; // a .geo file meshed by gmsh
    double elementSize = 0;   // for geometryFile
    int intCode = -1;         // -1: the element's default
    std::vector<MaterialSpec> materials;
    std::vector<FixSpec> fixes;
    std::vector<TractionSpec> tractions;
    std::vector<PressureSpec> pressures;
    std::vector<PointLoadSpec> pointLoads;
    std::optional<ExactSpec> exact;
    SolveSpec solve;
};

// Reads and checks a problem file; relative mesh paths are taken from the file's folder.
Problem readProblem(const std::string& path);

} // namespace xefhost

// The text report of `xefhost solve`, the same whether one process or several solved the level.
#include "solve_report.h"

#include "result_fields.h"

#include <cmath>
#include <iomanip>
#include <utility>

namespace xefhost {

namespace {

// Each load step's residual norms and observed convergence rates, where there is more than one
// step or the response was not linear.
void printSteps(const LevelSolution& solution, std::ostream& out) {
    if (solution.steps.size() == 1 && solution.linear) {
        return;
    }
    for (size_t k = 0; k < solution.steps.size(); ++k) {
        const NewtonStep& step = solution.steps[k];
        out << "  step " << k + 1 << " of " << solution.steps.size() << ", load factor "
            << std::setprecision(4) << step.loadFactor << ": residual norms";
        for (double r : step.residualNorms) {
            out << " " << std::scientific << std::setprecision(3) << r;
        }
        out.unsetf(std::ios::floatfield);
        const std::vector<double> rates = convergenceRates(step.residualNorms);
        if (!rates.empty()) {
            out << ", rates";
            for (double rate : rates) {
                out << " " << std::fixed << std::setprecision(2) << rate;
            }
            out.unsetf(std::ios::floatfield);
        }
        out << "\n";
    }
}

} // namespace

void printSummary(const Analysis& a, const LevelSolution& solution, const Problem& problem,
                  std::ostream& out) {
    const Model& m = a.model;
    out << "  elements " << a.elementCount << ", nodes " << a.nodeCount << ", unknowns "
        << a.unknowns << " free of " << a.nodeCount * m.dofsPerNode << ", matrix entries "
        << a.nonzeros << ", integration code " << a.intCode << "\n";
    for (const std::string& note : m.notes) {
        out << "  note: " << note << "\n";
    }
    if (!a.linearSolver.empty()) {
        out << "  linear solver " << a.linearSolver << "\n";
    } else {
        out << "  factor " << std::fixed << std::setprecision(1) << a.factorEntries / 1e6
            << "M entries, " << a.factorFlops / 1e9 << " GFlop";
        if (a.separatorUnknowns > 0) {
            out << ", two halves side by side joined by " << a.separatorUnknowns << " unknowns";
        }
        out << "\n";
    }
    out << "  time   ";
    for (const StageCost& stage : a.stages) {
        out << " " << stage.name << " " << std::fixed << std::setprecision(3) << stage.seconds
            << " s,";
    }
    out << "\n  memory high-water MiB";
    for (const StageCost& stage : a.stages) {
        out << " " << stage.name << " " << std::setprecision(0)
            << stage.peakBytes / (1024.0 * 1024.0) << ",";
    }
    out.unsetf(std::ios::floatfield);
    out << "\n";
    printSteps(solution, out);
    out << "  Newton residual norms";
    for (double r : a.residualNorms) {
        out << " " << std::scientific << std::setprecision(3) << r;
    }
    out << " (backward error " << std::setprecision(1) << a.backwardError << ", "
        << a.factorizations << (a.factorizations == 1 ? " factorization)" : " factorizations)");
    out << "\n  largest displacement " << std::setprecision(6) << a.maxDisplacement;
    if (solution.linear) {
        out << ", strain energy " << a.strainEnergy << "\n";
    } else {
        // 1/2 u.f is the strain energy of a linear response only.
        out << ", work of the loads " << solution.work << " (summed over " << solution.steps.size()
            << (solution.steps.size() == 1 ? " step" : " steps")
            << "; the response was not linear)\n";
    }
    out << "  applied load (" << a.applied[0] << ", " << a.applied[1] << "), reactions ("
        << a.reaction[0] << ", " << a.reaction[1] << "), imbalance " << std::setprecision(2)
        << a.imbalance() << "\n";
    if (a.errors) {
        out << "  error against " << problem.exact->solution << ": L2 displacement "
            << std::setprecision(4) << a.errors->displacementL2 << ", energy " << a.errors->energy
            << ", largest nodal " << a.errors->maxNodalDifference << "\n";
    }
    out.unsetf(std::ios::floatfield);
}

void keepLevel(std::vector<Analysis>& levels, Analysis level, const LevelSolution& solution,
               const Problem& problem, bool finest, std::ostream& out) {
    out << "level " << levels.size() << "\n";
    printSummary(level, solution, problem, out);
    if (!finest) {
        // Past this point a coarser level is its figures: its model and fields would only hold
        // memory that the finer levels need.
        level.model = Model{};
        level.u = {};
        level.internalForce = {};
        level.post = PostResults{};
    }
    levels.push_back(std::move(level));
}

void printWritten(const Analysis& finest, const std::vector<std::string>& written,
                  std::ostream& out) {
    for (const std::string& note : outputNotes(finest)) {
        out << "note: " << note << "\n";
    }
    out << "\nwrote";
    for (const std::string& file : written) {
        out << " " << file;
    }
}

void printConvergence(const std::vector<Analysis>& levels, std::ostream& out) {
    out << "\nconvergence (rates from halving the element size)\n";
    out << "  level  elements    L2 error    rate   energy error   rate\n";
    for (size_t k = 0; k < levels.size(); ++k) {
        const ErrorNorms& e = *levels[k].errors;
        out << "  " << std::setw(5) << k << " " << std::setw(9) << levels[k].elementCount << "  "
            << std::scientific << std::setprecision(3) << std::setw(10) << e.displacementL2;
        if (k > 0) {
            const ErrorNorms& p = *levels[k - 1].errors;
            out << "  " << std::fixed << std::setprecision(2) << std::setw(5)
                << std::log2(p.displacementL2 / e.displacementL2) << "  " << std::scientific
                << std::setprecision(3) << std::setw(12) << e.energy << "  " << std::fixed
                << std::setprecision(2) << std::setw(5) << std::log2(p.energy / e.energy);
        } else {
            out << "      -  " << std::setw(12) << e.energy << "      -";
        }
        out << "\n";
    }
    out.unsetf(std::ios::floatfield);
}

} // namespace xefhost

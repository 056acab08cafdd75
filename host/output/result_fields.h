// The fields a solved level's result files carry, built from one Analysis at a time. Each takes
// the model it is given, whole or one process's piece, and knows nothing of other pieces: where a
// figure must cover the whole model (its size, the colour range), the caller combines the
// pieces' partial figures and passes the result in.
#pragma once

#include "analysis.h"
#include "plane_bounds.h"
#include "vtk_cell.h"
#include "vtu_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace xefhost {

// Whether the element gives the point stresses (σxx, σyy, σxy) that von Mises stress needs. The
// same for every piece of a model, those without elements included.
bool hasVonMises(const Analysis& a);

// What the result files of this level leave out and why, for the run's notes; the .json and the
// .svg carry them too.
std::vector<std::string> outputNotes(const Analysis& finest);

// Von Mises stress per element of a.model from the point stresses averaged over the element; in
// plane strain the out-of-plane stress is nu (sxx + syy) when the material has a nu. Empty when
// !hasVonMises(a): zeros would read as an unstressed body.
std::vector<double> vonMises(const Analysis& a);

// The names and component counts of the point and cell arrays of the ParaView file, with no
// values: what pointFields and cellFields return for any piece of the same level.
std::vector<Field> pointFieldLayout(const Analysis& a);
std::vector<Field> cellFieldLayout(const Analysis& a);

// The point arrays: the displacement (padded to three components) and each node quantity.
std::vector<Field> pointFields(const Analysis& a);
// The cell arrays: each point quantity averaged over the element's points, von Mises stress
// (`mises`, from vonMises(a)) where hasVonMises(a), and the element's stored sums.
std::vector<Field> cellFields(const Analysis& a, const std::vector<double>& mises);

// The mean displacement magnitude of each element's nodes: what the picture shows when the
// element gives no stresses.
std::vector<double> displacementMagnitude(const Analysis& a);

// The connectivity of m in VTK's node order.
std::vector<int32_t> vtkConnectivity(const Model& m, const VtkCell& cell);

// What the picture is coloured by, with its label and the remark under it.
struct PictureColouring {
    std::vector<double> cellValue; // per element of a.model
    std::string valueLabel;
    std::string remark; // empty when nothing needs saying
};
// Von Mises stress (`mises`, from vonMises(a)) where hasVonMises(a), else the displacement
// magnitude with a remark saying why.
PictureColouring pictureColouring(const Analysis& a, const std::vector<double>& mises);

// The undeformed box of every node of m; its diagonal is the model size of deformationScale.
PlaneBounds modelBounds(const Model& m);

// The factor the picture draws displacements by: the largest one at 5 % of the model's size
// (`modelSize`, the diagonal of the undeformed box), or 1 when nothing moves.
double deformationScale(double modelSize, double maxDisplacement);

} // namespace xefhost

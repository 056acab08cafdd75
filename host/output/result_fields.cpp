// The derived fields of a level's result files, element by element over whatever model they get.
#include "result_fields.h"

#include "material_keys.h"
#include "name_escapes.h"

#include <algorithm>
#include <cmath>

namespace xefhost {

namespace {

int findColumn(const std::vector<std::string>& names, const char* wanted) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (asciiName(names[i]) == wanted) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const char* const noVonMises = "von Mises stress left out: the element gives no point quantities "
                               "\u03C3xx, \u03C3yy and \u03C3xy";

} // namespace

bool hasVonMises(const Analysis& a) {
    return findColumn(a.gpostNames, "Sigmaxx") >= 0 && findColumn(a.gpostNames, "Sigmayy") >= 0 &&
           findColumn(a.gpostNames, "Sigmaxy") >= 0 && a.post.pointCount > 0;
}

std::vector<std::string> outputNotes(const Analysis& finest) {
    if (hasVonMises(finest)) {
        return {};
    }
    return {noVonMises};
}

std::vector<double> vonMises(const Analysis& a) {
    if (!hasVonMises(a)) {
        return {};
    }
    const PostResults& post = a.post;
    const Model& m = a.model;
    const int sxx = findColumn(a.gpostNames, "Sigmaxx");
    const int syy = findColumn(a.gpostNames, "Sigmayy");
    const int sxy = findColumn(a.gpostNames, "Sigmaxy");
    const auto nuAt = std::find(a.dataKeys.begin(), a.dataKeys.end(), "nu");
    std::vector<double> result(m.elementCount());
    for (size_t e = 0; e < m.elementCount(); ++e) {
        double s[3] = {0, 0, 0};
        for (int g = 0; g < post.pointCount; ++g) {
            const double* row = &post.pointValues[(e * post.pointCount + g) * post.gpostCount];
            s[0] += row[sxx] / post.pointCount;
            s[1] += row[syy] / post.pointCount;
            s[2] += row[sxy] / post.pointCount;
        }
        const double nu = nuAt == a.dataKeys.end() ? 0.0 : m.material(e)[nuAt - a.dataKeys.begin()];
        const double szz = nu * (s[0] + s[1]);
        result[e] = std::sqrt(0.5 * ((s[0] - s[1]) * (s[0] - s[1]) + (s[1] - szz) * (s[1] - szz) +
                                     (szz - s[0]) * (szz - s[0])) +
                              3 * s[2] * s[2]);
    }
    return result;
}

std::vector<Field> pointFieldLayout(const Analysis& a) {
    std::vector<Field> fields{{"displacement", 3, {}}};
    for (int c = 0; c < a.post.npostCount; ++c) {
        fields.push_back({readableName(a.npostNames[c]), 1, {}});
    }
    return fields;
}

// A piece without elements still lists von Mises stress, so that every piece of a level carries
// the same arrays.
std::vector<Field> cellFieldLayout(const Analysis& a) {
    std::vector<Field> fields;
    for (int c = 0; c < a.post.gpostCount; ++c) {
        fields.push_back({readableName(a.gpostNames[c]), 1, {}});
    }
    if (hasVonMises(a)) {
        fields.push_back({"von Mises stress", 1, {}});
    }
    fields.push_back({"element stored sums", 3, {}});
    return fields;
}

std::vector<Field> pointFields(const Analysis& a) {
    const size_t n = a.model.nodeCount();
    const int count = a.post.npostCount;
    std::vector<Field> fields = pointFieldLayout(a);
    for (Field& field : fields) {
        field.values.assign(field.components * n, 0.0);
    }
    for (size_t node = 0; node < n; ++node) {
        fields[0].values[3 * node] = a.u[a.model.displacementDof(node, 0)];
        fields[0].values[3 * node + 1] = a.u[a.model.displacementDof(node, 1)];
        for (int c = 0; c < count; ++c) {
            fields[c + 1].values[node] = a.post.nodeValues[node * count + c];
        }
    }
    return fields;
}

// Every field in one pass over the element-major post-processing arrays: a pass per component
// would read them once per component.
std::vector<Field> cellFields(const Analysis& a, const std::vector<double>& mises) {
    const PostResults& post = a.post;
    const size_t m = a.model.elementCount();
    const int points = post.pointCount, count = post.gpostCount;
    std::vector<Field> fields = cellFieldLayout(a);
    for (int c = 0; c < count; ++c) {
        fields[c].values.assign(m, 0.0);
    }
    for (size_t e = 0; e < m; ++e) {
        const double* element = &post.pointValues[e * points * count];
        for (int c = 0; c < count; ++c) {
            double sum = 0;
            for (int g = 0; g < points; ++g) {
                sum += element[g * count + c];
            }
            fields[c].values[e] = sum / std::max(points, 1);
        }
    }
    if (hasVonMises(a)) {
        fields[count].values = mises;
    }
    fields.back().values = post.storedSums;
    return fields;
}

std::vector<double> displacementMagnitude(const Analysis& a) {
    const Model& m = a.model;
    const int npe = m.nodesPerElement;
    std::vector<double> result(m.elementCount(), 0.0);
    for (size_t e = 0; e < m.elementCount(); ++e) {
        for (int k = 0; k < npe; ++k) {
            const int32_t node = m.elements[e * npe + k];
            result[e] += std::hypot(a.u[a.model.displacementDof(node, 0)],
                                    a.u[a.model.displacementDof(node, 1)]) /
                         npe;
        }
    }
    return result;
}

std::vector<int32_t> vtkConnectivity(const Model& m, const VtkCell& cell) {
    const size_t npe = cell.order.size();
    std::vector<int32_t> reordered(m.elements.size());
    for (size_t e = 0; e < m.elementCount(); ++e) {
        for (size_t k = 0; k < npe; ++k) {
            reordered[e * npe + k] = m.elements[e * npe + cell.order[k]];
        }
    }
    return reordered;
}

PictureColouring pictureColouring(const Analysis& a, const std::vector<double>& mises) {
    if (hasVonMises(a)) {
        return {mises, "von Mises stress", ""};
    }
    return {displacementMagnitude(a), "displacement magnitude",
            std::string(noVonMises) + "; coloured by the displacement"};
}

PlaneBounds modelBounds(const Model& m) {
    PlaneBounds bounds;
    for (size_t node = 0; node < m.nodeCount(); ++node) {
        bounds.add(m.coords[3 * node], m.coords[3 * node + 1]);
    }
    return bounds;
}

double deformationScale(double modelSize, double maxDisplacement) {
    return maxDisplacement > 0 ? 0.05 * modelSize / maxDisplacement : 1.0;
}

} // namespace xefhost

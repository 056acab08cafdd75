// The three result files of a solved level, and the derived fields they carry or leave out.
#include "result_output.h"

#include "atomic_file.h"
#include "json_writer.h"
#include "material_keys.h"
#include "name_escapes.h"
#include "svg_writer.h"
#include "vtk_cell.h"
#include "vtu_writer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <future>

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

bool givesStresses(const Analysis& a) {
    return findColumn(a.gpostNames, "Sigmaxx") >= 0 && findColumn(a.gpostNames, "Sigmayy") >= 0 &&
           findColumn(a.gpostNames, "Sigmaxy") >= 0 && a.post.pointCount > 0;
}

// Von Mises stress per element from the point stresses averaged over the element; in plane
// strain the out-of-plane stress is nu (sxx + syy) when the material has a nu. Empty when the
// element gives no stresses: zeros would read as an unstressed body.
std::vector<double> vonMises(const Analysis& a) {
    const PostResults& post = a.post;
    const Model& m = a.model;
    const int sxx = findColumn(a.gpostNames, "Sigmaxx");
    const int syy = findColumn(a.gpostNames, "Sigmayy");
    const int sxy = findColumn(a.gpostNames, "Sigmaxy");
    if (!givesStresses(a)) {
        return {};
    }
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

// Every field in one pass over the element-major post-processing arrays: a pass per component
// would read them once per component.
std::vector<Field> cellFields(const Analysis& a, const std::vector<double>& mises) {
    const PostResults& post = a.post;
    const size_t m = a.model.elementCount();
    const int points = post.pointCount, count = post.gpostCount;
    std::vector<Field> fields;
    for (int c = 0; c < count; ++c) {
        fields.push_back({readableName(a.gpostNames[c]), 1, std::vector<double>(m, 0.0)});
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
    if (!mises.empty()) {
        fields.push_back({"von Mises stress", 1, mises});
    }
    fields.push_back({"element stored sums", 3, post.storedSums});
    return fields;
}

std::vector<Field> pointFields(const Analysis& a) {
    const size_t n = a.model.nodeCount();
    const int count = a.post.npostCount;
    std::vector<Field> fields{{"displacement", 3, std::vector<double>(3 * n, 0.0)}};
    for (int c = 0; c < count; ++c) {
        fields.push_back({readableName(a.npostNames[c]), 1, std::vector<double>(n)});
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

// The mean displacement magnitude of each element's nodes: what the picture shows when the
// element gives no stresses.
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

// The connectivity in VTK's node order.
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

// Deformation drawn at about 5 % of the model's size.
double deformationScale(const Analysis& a) {
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (size_t node = 0; node < a.model.nodeCount(); ++node) {
        for (int c = 0; c < 2; ++c) {
            lo[c] = std::min(lo[c], a.model.coords[3 * node + c]);
            hi[c] = std::max(hi[c], a.model.coords[3 * node + c]);
        }
    }
    const double size = std::hypot(hi[0] - lo[0], hi[1] - lo[1]);
    return a.maxDisplacement > 0 ? 0.05 * size / a.maxDisplacement : 1.0;
}

void levelJson(JsonWriter& json, const Analysis& a) {
    json.beginObject()
        .member("elements", a.elementCount)
        .member("nodes", a.nodeCount)
        .member("unknowns", a.unknowns)
        .member("matrix_entries", a.nonzeros)
        .member("integration_code", a.intCode);
    json.key("seconds").beginObject();
    for (const StageCost& stage : a.stages) {
        json.member(stage.name, stage.seconds);
    }
    json.endObject();
    json.key("memory_high_water_mib").beginObject();
    for (const StageCost& stage : a.stages) {
        json.member(stage.name, stage.peakBytes / (1024.0 * 1024.0));
    }
    json.endObject();
    json.key("newton_residual_norms").beginArray();
    for (double r : a.residualNorms) {
        json.value(r);
    }
    json.endArray();
    json.member("largest_displacement", a.maxDisplacement).member("strain_energy", a.strainEnergy);
    json.member("load_steps", a.loadSteps);
    if (a.loadWork) {
        json.member("work_of_loads", *a.loadWork);
    }
    json.key("applied_load").beginArray().value(a.applied[0]).value(a.applied[1]).endArray();
    json.key("reactions").beginArray().value(a.reaction[0]).value(a.reaction[1]).endArray();
    json.member("imbalance", a.imbalance());
    if (a.errors) {
        json.key("errors")
            .beginObject()
            .member("l2_displacement", a.errors->displacementL2)
            .member("energy", a.errors->energy)
            .member("largest_nodal", a.errors->maxNodalDifference)
            .endObject();
    }
    json.endObject();
}

} // namespace

std::vector<std::string> outputNotes(const Analysis& finest) {
    if (givesStresses(finest)) {
        return {};
    }
    return {noVonMises};
}

std::vector<std::string> writeResults(const std::string& folder, const std::string& name,
                                      const Problem& problem, const Analysis& finest,
                                      const std::vector<Analysis>& levels) {
    const std::filesystem::path base = std::filesystem::path(folder) / name;
    const std::string vtu = base.string() + ".vtu";
    const std::string svg = base.string() + ".svg";
    const std::string json = base.string() + ".json";
    const Model& m = finest.model;
    const VtkCell& cell = vtkCellOf(m.nodesPerElement);
    const std::vector<double> mises = vonMises(finest);
    const std::vector<std::string> notes = outputNotes(finest);

    const double scale = deformationScale(finest);
    // The three files appear together or not at all, so that a failed run never leaves new files
    // beside old ones. The set outlives the picture's thread, which adds to it.
    AtomicFileSet files;
    // The picture is drawn while the ParaView file, by far the larger, goes to disk.
    std::future<void> picture = std::async(std::launch::async, [&]() {
        const bool stressed = !mises.empty();
        writeSvg(files, svg, m.coords, m.elements, m.nodesPerElement, finest.u, scale,
                 stressed ? mises : displacementMagnitude(finest),
                 problem.title.empty() ? name : problem.title,
                 stressed ? "von Mises stress" : "displacement magnitude",
                 stressed ? "" : std::string(noVonMises) + "; coloured by the displacement");
    });
    const std::vector<int32_t> connectivity = vtkConnectivity(m, cell);
    writeVtu(files, vtu, VtuMesh{&m.coords, &connectivity, m.nodesPerElement, cell.type},
             pointFields(finest), cellFields(finest, mises));
    picture.get();

    JsonWriter summary;
    summary.beginObject()
        .member("problem", problem.path)
        .member("title", problem.title)
        .member("deformation_scale", scale);
    summary.key("notes").beginArray();
    for (const std::string& note : m.notes) {
        summary.value(note);
    }
    for (const std::string& note : notes) {
        summary.value(note);
    }
    summary.endArray();
    summary.key("levels").beginArray();
    for (const Analysis& a : levels) {
        levelJson(summary, a);
    }
    summary.endArray().endObject();
    files.addText(json, summary.text());
    files.commit();
    return {vtu, svg, json};
}

} // namespace xefhost

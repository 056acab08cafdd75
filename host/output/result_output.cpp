// The result files of a solved level: the three of a whole model, and the pieces of a model held
// in pieces.
#include "result_output.h"

#include "atomic_file.h"
#include "json_writer.h"
#include "svg_writer.h"
#include "vtk_cell.h"
#include "vtu_writer.h"

#include <filesystem>
#include <future>

namespace xefhost {

namespace {

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

// `mises` from vonMises(a), which the picture needs too.
void addVtu(AtomicFileSet& files, const std::string& path, const Analysis& a,
            const std::vector<double>& mises) {
    const Model& m = a.model;
    const VtkCell& cell = vtkCellOf(m.nodesPerElement);
    const std::vector<int32_t> connectivity = vtkConnectivity(m, cell);
    writeVtu(files, path, VtuMesh{&m.coords, &connectivity, m.nodesPerElement, cell.type},
             pointFields(a), cellFields(a, mises));
}

} // namespace

void addPieceVtu(AtomicFileSet& files, const std::string& path, const Analysis& piece) {
    addVtu(files, path, piece, vonMises(piece));
}

void addPvtu(AtomicFileSet& files, const std::string& path, const Analysis& piece,
             const std::vector<std::string>& pieceFiles) {
    writePvtu(files, path, pointFieldLayout(piece), cellFieldLayout(piece), pieceFiles);
}

std::string summaryJson(const Problem& problem, const Analysis& finest,
                        const std::vector<Analysis>& levels, double deformationScale,
                        const std::vector<std::string>& extraNotes) {
    JsonWriter summary;
    summary.beginObject()
        .member("problem", problem.path)
        .member("title", problem.title)
        .member("deformation_scale", deformationScale);
    summary.key("notes").beginArray();
    for (const std::string& note : finest.model.notes) {
        summary.value(note);
    }
    for (const std::string& note : outputNotes(finest)) {
        summary.value(note);
    }
    for (const std::string& note : extraNotes) {
        summary.value(note);
    }
    summary.endArray();
    summary.key("levels").beginArray();
    for (const Analysis& a : levels) {
        levelJson(summary, a);
    }
    summary.endArray().endObject();
    return summary.text();
}

std::vector<std::string> writeResults(const std::string& folder, const std::string& name,
                                      const Problem& problem, const Analysis& finest,
                                      const std::vector<Analysis>& levels) {
    const std::filesystem::path base = std::filesystem::path(folder) / name;
    const std::string vtu = base.string() + ".vtu";
    const std::string svg = base.string() + ".svg";
    const std::string json = base.string() + ".json";
    const Model& m = finest.model;
    const std::vector<double> mises = vonMises(finest);
    const double scale = deformationScale(modelBounds(m).diagonal(), finest.maxDisplacement);
    // The three files appear together or not at all, so that a failed run never leaves new files
    // beside old ones. The set outlives the picture's thread, which adds to it.
    AtomicFileSet files;
    // The picture is drawn while the ParaView file, by far the larger, goes to disk.
    std::future<void> picture = std::async(std::launch::async, [&]() {
        const PictureColouring colouring = pictureColouring(finest, mises);
        writeSvg(files, svg, m.coords, m.elements, m.nodesPerElement, finest.u, scale,
                 colouring.cellValue, problem.title.empty() ? name : problem.title,
                 colouring.valueLabel, colouring.remark);
    });
    addVtu(files, vtu, finest, mises);
    picture.get();
    files.addText(json, summaryJson(problem, finest, levels, scale));
    files.commit();
    return {vtu, svg, json};
}

} // namespace xefhost

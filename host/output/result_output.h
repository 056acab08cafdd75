// Writing an analysis's results: ParaView file, picture and summary, of a whole model or, for a
// model held in pieces, of one piece at a time.
#pragma once

#include "analysis.h"
#include "atomic_file.h"
#include "problem.h"
#include "result_fields.h"

#include <string>
#include <vector>

namespace xefhost {

// Writes NAME.vtu, NAME.svg and NAME.json into folder as one set (AtomicFileSet: all three
// appear, or none changes) and returns their paths.
std::vector<std::string> writeResults(const std::string& folder, const std::string& name,
                                      const Problem& problem, const Analysis& finest,
                                      const std::vector<Analysis>& levels);

// Adds to `files` the .vtu of `piece`'s model, whole or one piece, with the arrays writeResults
// writes (pointFields, cellFields).
void addPieceVtu(AtomicFileSet& files, const std::string& path, const Analysis& piece);

// Adds to `files` the .pvtu that gathers the pieces' .vtu files (`pieceFiles`, relative to the
// .pvtu's folder) into one model for ParaView; its arrays are those of addPieceVtu, taken from
// any `piece` of the level (their names do not depend on which).
void addPvtu(AtomicFileSet& files, const std::string& path, const Analysis& piece,
             const std::vector<std::string>& pieceFiles);

// The run's summary (NAME.json): the problem, the deformation scale of the picture, the notes
// (finest.model.notes, then outputNotes(finest), then `extraNotes`) and each level's figures.
// It reads only an Analysis's figures, which are of the whole model, never the size of its model,
// so a piece's record gives the same text as the whole's.
std::string summaryJson(const Problem& problem, const Analysis& finest,
                        const std::vector<Analysis>& levels, double deformationScale,
                        const std::vector<std::string>& extraNotes = {});

} // namespace xefhost

// Result files appear whole or not at all: a run that fails half-way never leaves a truncated file
// where a viewer or a script would take it for a result.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace xefhost {

// Creates the folder of `path` if missing, lets `write` fill a temporary file beside it, forces the
// data to disk and renames the temporary over `path`. On any failure (including an exception from
// `write`) the temporary is removed, an existing `path` is left as it was, and std::runtime_error
// naming the file and the reason is thrown.
void writeAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

// The same for contents already in memory.
void writeTextAtomically(const std::string& path, std::string_view contents);

} // namespace xefhost

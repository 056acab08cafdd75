// The bounds a description's counts must keep before the host reads or allocates anything by
// them. A library is foreign code: a count of 10^9 or -3 would otherwise send every command
// reading past the library's arrays or allocating without end.
#pragma once

#include "XEFRecords.h"
#include "element_library.h"

#include <string>

namespace xefhost {

// A description the host cannot use: the message names the library, the field and its value.
class DescriptionError : public LibraryError {
  public:
    using LibraryError::LibraryError;
};

// The most of each the host takes: far above any plane or solid element of the catalogue
// (27 nodes, 81 unknowns, 27^3 points of a product rule), far below what could exhaust memory.
constexpr int kMaxNodes = 64;
constexpr int kMaxUnknowns = 1024;
constexpr int kMaxUnknownsPerNode = 64;
constexpr int kMaxDataValues = 1024;
constexpr int kMaxQuantities = 1024;
constexpr int kMaxPoints = 65536;

// Throws DescriptionError for the first count outside its bounds: dimensions (1 to 3), nodes,
// unknowns, unknowns at each node, data values, point and nodal quantities, points.
void validateDescription(const ElSpec& es, const std::string& library);

} // namespace xefhost

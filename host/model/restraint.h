// Whether the fixed displacements hold every part of the model in place, judged from the mesh and
// the constraints alone, before any factorization.
#pragma once

#include "model.h"

namespace xefhost {

// Throws SingularModelError, naming the part and the free motion, when some connected part of the
// mesh can translate, or (two unknowns per node) turn as a rigid body without moving a fixed
// displacement. The factorization would catch most of these only as a pivot at round-off level,
// whose sign and size are chance.
void requireRestraint(const Model& model);

} // namespace xefhost

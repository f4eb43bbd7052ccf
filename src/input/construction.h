#pragma once
// The construction's input as the working state holds it: what the orientation command builds
// the frame from, and what the error bars of the measurement log rebuild it from.

#include "geometry/orientation.h"
#include "input/app.h"
#include "state/state.h"

namespace velta {

/// The centre, vanishing points, area, image size, step and column-table size of `s`.
geom::OrientationInput orientationInputOf(const State& s);

/// Fills the error bar of every pair of the log and its warning on poorly determined proportions
/// from the line clicks and the construction; without bars to give, the bars stay empty.
void updateErrorBars(App& app);

}  // namespace velta

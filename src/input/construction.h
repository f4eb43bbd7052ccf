#pragma once
// The construction's input as the working state holds it: what the orientation command builds
// the frame from, and what the error bars of the measurement log rebuild it from.

#include "geometry/orientation.h"
#include "input/app.h"
#include "measure/error_bars.h"
#include "state/state.h"

namespace velta {

/// The centre, vanishing points, area, image size, step and column-table size of `s`.
geom::OrientationInput orientationInputOf(const State& s);

/// The fits of the lines of `s` that were snapped to an edge, for the error bars.
measure::LineFits lineFitsOf(const State& s);

/// Copies what snapping made of each line into the log, for its foot.
void noteLineSnaps(App& app);

/// Fills the error bar of every pair of the log and its warning on poorly determined proportions
/// from the line clicks and the construction; without bars to give, the bars stay empty.
void updateErrorBars(App& app);

}  // namespace velta

#pragma once
// The layout of the two image views: the viewport left for them and their scroll bars.

#include "input/app.h"

namespace velta {

/// Width and height of the viewport of either view, in pixels.
double viewportWidthPx(const State& s);
double viewportHeightPx(const State& s);

/// Lays out the scroll bars of the source view for the image now in Picture1: both are hidden,
/// then each is shown with its range and steps when the image exceeds the viewport.
void layoutSourceView(App& app);

/// Lays out the scroll bars of the rectified view for the picture in Picture2.
void layoutRectifiedView(App& app);

}  // namespace velta

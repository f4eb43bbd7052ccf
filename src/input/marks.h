#pragma once
// Marks that several commands draw alike.

#include "ui/window.h"

namespace velta {

/// The centre mark of the defaults and the refresh: a radius-2 circle and two 40-pixel strokes.
inline void drawCentreCross(Surface& p, double cx, double cy) {
    p.circle(cx, cy, 2);
    p.line(cx, cy - 20, cx, cy + 20);
    p.line(cx - 20, cy, cx + 20, cy);
}

}  // namespace velta

#pragma once
// The perspective grid: the picture-side image of every 50th output column and row of the
// rectified image, each clipped to the calculation area. A column line runs from V through
// the point where the ray from po through the column's mark cuts the horizontal reference
// edge; a row line likewise from H, pv and the vertical reference edge.
//
// Each line is cut with four sides: S1 on y = oppCornerY, S2 on y = refCornerY, S3 on
// x = oppCornerX, S4 on x = refCornerX. The cuts that fall on the area are stored in hit
// places 1, 2, ... in that order, and the segment from place 1 to place 2 is drawn when both
// lie within the area. Places 1 and 2 start at (0, 0) once per grid and are never cleared:
// a line that misses the area (or touches it once) reuses what an earlier line left there.

#include <cstddef>
#include <vector>

#include "geometry/frame.h"
#include "geometry/lines.h"

namespace velta::geom {

/// Spacing of the grid lines in output pixels: lines stand for outputs 1, 51, 101, ...
inline constexpr std::size_t gridStep = 50;

/// One segment to draw, in the pen colour.
struct GridSegment {
    Point from, to;
    bool column = false;     // a column line (through V) or a row line (through H)
    std::size_t index = 0;   // the output column or row it stands for
};

/// The segments of the grid in drawing order: the column lines, then the row lines. Lines
/// run over 1, 51, 101, ... up to rectWidth (rectHeight) and never past the mark tables. A
/// line whose construction divides by zero or is not finite is skipped: it draws nothing and
/// stores no hits.
std::vector<GridSegment> gridSegments(const Orientation& frame, const VanishingPoints& vp, const AreaCorners& area);

}  // namespace velta::geom

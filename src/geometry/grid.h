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
#include <span>
#include <vector>

#include "geometry/lines.h"
#include "state/state.h"

namespace velta::geom {

/// Spacing of the grid lines in output pixels: lines stand for outputs 1, 51, 101, ...
inline constexpr std::size_t gridStep = 50;

/// What the grid reads from the working state.
struct GridInput {
    double rectWidth = 0, rectHeight = 0;
    std::span<const MarkRow> rowPoints, colPoints;   // marks: x in [2], y in [3]
    double originX = 0, originY = 0;
    double vertEdgeSlope = 0, horizEdgeSlope = 0;
    double pox = 0, poy = 0, pvx = 0, pvy = 0;
    double refCornerX = 0, refCornerY = 0, oppCornerX = 0, oppCornerY = 0;
    double fuox = 0, fuoy = 0, fuvx = 0, fuvy = 0;
    Point areaCorners[5];                            // corners 1..4; element 0 unused
};

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
std::vector<GridSegment> gridSegments(const GridInput& in);

/// The grid input as held in the working state; the spans refer to the state's mark tables.
GridInput gridInput(const State& s);

}  // namespace velta::geom

#pragma once
// The records the orientation, the grid and the rectifier share with the working state: the
// result of the orientation construction (held by the state as one record), the two vanishing
// points and the calculation area. Plain values, so that the geometry and the rectifier read
// what they need without the whole working state.

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/lines.h"

namespace velta {

/// A mark on a measuring line: x in column 2, y in column 3 (columns 0 and 1 stay 0).
using MarkRow = std::array<double, 4>;

}  // namespace velta

namespace velta::geom {

/// The vanishing points of the horizontal pair (H) and of the vertical pair (V).
struct VanishingPoints {
    double fuox = 0, fuoy = 0;   // H
    double fuvx = 0, fuvy = 0;   // V
};

/// The calculation area: corners 1..4 = top-left, bottom-left, bottom-right, top-right;
/// element 0 unused.
using AreaCorners = std::array<Point, 5>;

/// The orientation construction and the rectified frame.
struct Orientation {
    // Distance circle and measuring points
    double axisSlope = 0;          // slope of the principal vertical V-C
    double horizonSlope = 0;       // -1 / axisSlope
    Point horizonFoot;             // P: the horizon meets the principal vertical
    Point circleCentre;            // M: centre of the circle on the diameter V-P
    double circleRadius = 0;       // radius of that circle
    Point rabattedEyeV;            // Q: eye rabatted about the principal vertical
    double principalDistance = 0;  // |C-Q|
    double eyeToV = 0;             // |V-Q|
    double pvx = 0, pvy = 0;       // vertical measuring point, on the principal vertical
    Point rabattedEyeH;            // W: eye rabatted about the line C-H
    double eyeToH = 0;             // |H-W|
    double pox = 0, poy = 0;       // horizontal measuring point, on the horizon

    // Region, origin and measuring lines
    double refCornerX = 0, refCornerY = 0;     // reference corner R of the region
    double oppCornerX = 0;                     // x of the corner opposite R
    std::int16_t oppCornerY = 0;               // y of that corner, rounded half to even
    std::int16_t cornerCase = 0;               // layout case of R (1..4)
    int farCase = 0;                           // layout case of the opposite corner (1..4)
    double vertEdgeSlope = 0;                  // edge through O towards V
    double horizEdgeSlope = 0;                 // edge through O towards H
    double originX = 0, originY = 0;           // O
    double maxax = 0, maxay = 0;               // far end of the vertical measuring line
    double maxbx = 0, maxby = 0;               // far end of the horizontal measuring line
    std::int16_t rowSign = 0, colSign = 0;     // directions of the row and column axes: -1, 0 or 1
    double rectWidth = 0, rectHeight = 0;      // output size, whole numbers, not capped
    // Marks: x in column 2, y in column 3; row 0 and columns 0, 1 stay 0. rowPoints has
    // min(rectHeight, maxRowMarks) + 1 rows, colPoints min(rectWidth, maxColumnMarks) + 1.
    std::vector<MarkRow> rowPoints, colPoints;

    /// The vertical measuring point.
    [[nodiscard]] Point pv() const { return {pvx, pvy}; }

    /// The horizontal measuring point.
    [[nodiscard]] Point po() const { return {pox, poy}; }

    /// The origin O.
    [[nodiscard]] Point origin() const { return {originX, originY}; }
};

}  // namespace velta::geom

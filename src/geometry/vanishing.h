#pragma once
// The two vanishing points of the photographed plane, from the four marked lines: lines 1
// and 2 are horizontal in reality, lines 3 and 4 vertical.

namespace velta::geom {

/// Slope that stands in for an infinite one: a line marked exactly vertical is taken as a
/// line of slope 90 through its first point.
inline constexpr double verticalSlope = 90;

/// Slope dy/dx of a marked line, or 90 when x2 - x1 is exactly 0 (also a zero-length line).
double markedLineSlope(double x1, double y1, double x2, double y2);

/// Angle in degrees of a line with the given slope, as shown in the angle boxes.
double angleDegrees(double slope);

/// Slopes, parallel tests and vanishing points of the four lines.
struct VanishingResult {
    double slopes[5] = {};            // slope of line n = 1..4; element 0 unused
    bool horizontalPairMeets = false; // slopes 1 and 2 differ (exact test)
    bool verticalPairMeets = false;   // slopes 3 and 4 differ (exact test)
    // The points below are computed only when both pairs meet (otherwise they stay 0). Nearly
    // parallel pairs give very distant points, possibly not finite; the orientation refuses those.
    double fuox = 0, fuoy = 0;        // meeting point of lines 1 and 2
    double fuvx = 0, fuvy = 0;        // meeting point of lines 3 and 4

    /// True when both pairs meet, so that the vanishing points were computed.
    bool bothMeet() const { return horizontalPairMeets && verticalPairMeets; }
};

/// Computes the slopes and, when neither pair is parallel, the vanishing points from
/// lineEnds[n][1..4] = x1, y1, x2, y2 of line n = 1..4. Each point is taken on the first line
/// of its pair, through the first point of each line.
VanishingResult vanishingPoints(const double (&lineEnds)[6][6]);

}  // namespace velta::geom

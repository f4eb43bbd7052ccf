#include "geometry/vanishing.h"

#include <cmath>

namespace velta::geom {

double markedLineSlope(double x1, double y1, double x2, double y2) {
    if (x2 - x1 == 0) return verticalSlope;
    return (y2 - y1) / (x2 - x1);
}

double angleDegrees(double slope) {
    return std::atan(slope) * 180 / 3.14159265358979;
}

VanishingResult vanishingPoints(const double (&lineEnds)[6][6]) {
    VanishingResult r;
    for (int n = 1; n <= 4; ++n) {
        const auto& l = lineEnds[n];
        r.slopes[n] = markedLineSlope(l[1], l[2], l[3], l[4]);
    }
    // Exact comparison: slopes differing in the last bit still meet (very far away).
    r.horizontalPairMeets = r.slopes[1] - r.slopes[2] != 0;
    r.verticalPairMeets = r.slopes[3] - r.slopes[4] != 0;
    if (!r.bothMeet()) return r;

    const double s1 = r.slopes[1], s2 = r.slopes[2], s3 = r.slopes[3], s4 = r.slopes[4];
    const double x1 = lineEnds[1][1], y1 = lineEnds[1][2];
    const double x2 = lineEnds[2][1], y2 = lineEnds[2][2];
    const double x3 = lineEnds[3][1], y3 = lineEnds[3][2];
    const double x4 = lineEnds[4][1], y4 = lineEnds[4][2];
    r.fuox = (x1 * s1 - y1 - x2 * s2 + y2) / (s1 - s2);
    r.fuvx = (x3 * s3 - y3 - x4 * s4 + y4) / (s3 - s4);
    r.fuoy = y1 + s1 * (r.fuox - x1);
    r.fuvy = y3 + s3 * (r.fuvx - x3);
    return r;
}

}  // namespace velta::geom

#pragma once
// Plane geometry shared by the perspective constructions: points, the intersection of two
// lines given by a point and a slope, and the intersection of a line with a circle. All
// coordinates are source-image pixels, x to the right and y downwards; a slope is dy/dx.
//
// The formulas are written out in one fixed operation order (the build forbids fused
// multiply-add), so the same inputs give the same bits. They check nothing: a caller that
// may meet parallel lines tests the result with allFinite().

#include <initializer_list>
#include <optional>

namespace velta::geom {

/// A point in source-image pixels.
struct Point {
    double x = 0, y = 0;
};

/// The x where the line through (x1, y1) with slope s1 meets the line through (x2, y2) with slope s2.
double intersectX(double x1, double y1, double s1, double x2, double y2, double s2);

/// The meeting point of two lines given by point and slope; its y is taken on the first line.
/// Parallel lines give a non-finite result.
Point intersect(double x1, double y1, double s1, double x2, double y2, double s2);

/// The two x roots of a line meeting a circle, x- <= x+ (for a positive leading factor).
struct LineCircleRoots {
    double xMinus = 0, xPlus = 0;
};

/// Where the line y = m*x + b meets the circle about (u, v) with radius r; nothing when the
/// radicand B^2 - 4AK is negative or not a number (the line misses the circle).
std::optional<LineCircleRoots> lineCircle(double m, double b, double u, double v, double r);

/// True when every value is a finite number.
bool allFinite(std::initializer_list<double> values);

/// Distance between two points.
double distance(double x1, double y1, double x2, double y2);

}  // namespace velta::geom

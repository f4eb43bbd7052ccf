#include "geometry/lines.h"

#include <cmath>

namespace velta::geom {

double intersectX(double x1, double y1, double s1, double x2, double y2, double s2) {
    return (s1 * x1 - y1 - s2 * x2 + y2) / (s1 - s2);
}

Point intersect(double x1, double y1, double s1, double x2, double y2, double s2) {
    const double x = intersectX(x1, y1, s1, x2, y2, s2);
    return {x, s1 * (x - x1) + y1};
}

std::optional<LineCircleRoots> lineCircle(double m, double b, double u, double v, double r) {
    // Circle x^2 + y^2 + D x + E y + F = 0; substituting the line gives A x^2 + B x + K = 0.
    const double d = -2 * u;
    const double e = -2 * v;
    const double f = u * u + v * v - r * r;
    const double a = m * m + 1;
    const double bb = 2 * m * b + d + e * m;
    const double k = b * b + e * b + f;
    const double radicand = bb * bb - 4 * a * k;
    if (!(radicand >= 0)) return std::nullopt;  // also rejects NaN
    const double root = std::sqrt(radicand);
    return LineCircleRoots{(-bb - root) / (2 * a), (-bb + root) / (2 * a)};
}

bool allFinite(std::initializer_list<double> values) {
    for (const double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

double distance(double x1, double y1, double x2, double y2) {
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

}  // namespace velta::geom

#include "rectify/row_order.h"

#include <cmath>

namespace velta::rectify {

namespace {

// Int() of a count held as a real, clamped to [0, limit]; NaN gives 0.
int clampedCount(double v, int limit) {
    if (!(v >= 1)) return 0;
    if (v >= limit) return limit;
    return static_cast<int>(std::floor(v));
}

}  // namespace

int rowCount(const State& s) {
    // The written rows are counted in a 16-bit signed integer.
    return clampedCount(s.rectHeight, 32767);
}

int columnCount(const State& s) {
    return clampedCount(s.rectWidth, rowRecordSize);
}

RowOrder rowOrder(const State& s) {
    const int h = rowCount(s);
    if (s.fuvy > s.fuoy) return RowOrder{h, -1, h};
    return RowOrder{1, 1, h};
}

int progressFigure(const State& s, int i) {
    const double h = s.rectHeight;
    if (!(h >= 1)) return 0;
    const double ratio = std::fabs(100.0 * (static_cast<double>(i) - h) / h);
    // Guard the conversion: a row index far outside 1..H must not overflow the int.
    const int p = ratio < 1.0e9 ? static_cast<int>(std::floor(ratio)) : 1000000000;
    return s.fuvy < s.fuoy ? 100 - p : p;
}

}  // namespace velta::rectify

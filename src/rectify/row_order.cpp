#include "rectify/row_order.h"

#include <cmath>

#include "state/state.h"

namespace velta::rectify {

namespace {

// Int() of a count held as a real, clamped to [0, limit]; NaN gives 0.
int clampedCount(double v, int limit) {
    if (!(v >= 1)) return 0;
    if (v >= limit) return limit;
    return static_cast<int>(std::floor(v));
}

}  // namespace

int rowCount(const geom::Orientation& f) {
    // The written rows are counted in a 16-bit signed integer.
    return clampedCount(f.rectHeight, 32767);
}

int columnCount(const geom::Orientation& f) {
    return clampedCount(f.rectWidth, rowRecordSize);
}

RowOrder rowOrder(const geom::Orientation& f, const geom::VanishingPoints& vp) {
    const int h = rowCount(f);
    if (vp.fuvy > vp.fuoy) return RowOrder{h, -1, h};
    return RowOrder{1, 1, h};
}

int progressFigure(const geom::Orientation& f, const geom::VanishingPoints& vp, int i) {
    const double h = f.rectHeight;
    if (!(h >= 1)) return 0;
    const double ratio = std::fabs(100.0 * (static_cast<double>(i) - h) / h);
    // Guard the conversion: a row index far outside 1..H must not overflow the int.
    const int p = ratio < 1.0e9 ? static_cast<int>(std::floor(ratio)) : 1000000000;
    return vp.fuvy < vp.fuoy ? 100 - p : p;
}

}  // namespace velta::rectify

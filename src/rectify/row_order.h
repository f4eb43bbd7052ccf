#pragma once
// The order in which the rows of a rectification are computed, and the progress figure shown
// while they are.

#include "geometry/frame.h"

namespace velta::rectify {

/// The row marks of one rectification in the order of computation: row k (0-based) is mark
/// first + k * step, for k = 0 .. count - 1.
struct RowOrder {
    int first = 1;   // row mark computed first
    int step = 1;    // +1 (top to bottom of the marks) or -1
    int count = 0;   // number of rows, H

    /// The row mark computed at position k of the loop.
    [[nodiscard]] int at(int k) const { return first + k * step; }
};

/// Number of rows H of the rectified image: Int(rectHeight), 0 when it is not a usable count.
[[nodiscard]] int rowCount(const geom::Orientation& f);

/// Number of columns W of the rectified image: Int(rectWidth), limited to the row record size.
[[nodiscard]] int columnCount(const geom::Orientation& f);

/// Rows run H, H - 1, ..., 1 when the vertical vanishing point lies below the horizontal one
/// (fuvy > fuoy), and 1, 2, ..., H otherwise.
[[nodiscard]] RowOrder rowOrder(const geom::Orientation& f, const geom::VanishingPoints& vp);

/// The progress figure shown while row mark i is computed: p = Int(|100 (i - H) / H|), shown as
/// 100 - p when fuvy < fuoy and as p otherwise; 0 when H is 0.
[[nodiscard]] int progressFigure(const geom::Orientation& f, const geom::VanishingPoints& vp, int i);

}  // namespace velta::rectify

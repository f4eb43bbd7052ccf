#pragma once
// The rectification of one row straight from its construction: the row's ray, foot and source
// line, and for every pixel the column's ray, foot and source line and their meeting point.
// Slow, and the measure the fast rectifier must equal bit for bit.

#include <cstddef>
#include <vector>

#include "geometry/frame.h"
#include "state/state.h"

namespace velta::rectify {

/// What a rectification reads: the construction, its vanishing points, the calculation area (the
/// sampling window) and the source picture. The picture is read row by row while the rows are
/// computed, so it must outlive whatever is built from this.
struct Input {
    const geom::Orientation& frame;   // marks, measuring points, reference edges, size, column order
    geom::VanishingPoints vp;         // H and V of the construction
    geom::AreaCorners area;           // corners 1 (xmin, ymin), 2 (ymax) and 4 (xmax) bound the window
    const SourceImage& image;         // the source bitmap's row records
};

/// originY - vertEdgeSlope * originX - pvy: the constant of the row feet on the vertical edge.
[[nodiscard]] double rowEdgeOffset(const geom::Orientation& f);

/// originY - horizEdgeSlope * originX - poy: the constant of the column feet on the horizontal edge.
[[nodiscard]] double colEdgeOffset(const geom::Orientation& f);

/// The source line y = slope * x + intercept of one output row.
struct RowLine {
    double slope = 0;        // T
    double intercept = 0;    // c = fuoy - T * fuox
    bool finite = false;     // false: the construction met a zero or non-finite step
};

/// The source line of one output column through the vertical vanishing point.
struct ColumnLine {
    double slope = 0;        // S
    double base = 0;         // S * fuvx - fuvy, the part of srcX's numerator that needs S only
    bool finite = false;
};

/// The source point of one output pixel, before rounding.
struct SourcePoint {
    double x = 0, y = 0;     // srcX, srcY
    bool finite = false;     // false: no point (a construction or the meeting is not finite)
};

/// Row line of row mark i: the ray from the vertical measuring point through the mark, its foot
/// on the vertical edge, and the line from the horizontal vanishing point through the foot.
/// When the ray runs along the edge to within geom::nearlyParallel (the edge lies on the
/// principal vertical), the foot comes from the mark's place instead (geom::footAlongEdge).
[[nodiscard]] RowLine rowLine(const geom::Orientation& f, const geom::VanishingPoints& vp, int i);

/// Column line of column mark j: the ray from the horizontal measuring point through the mark,
/// its foot on the horizontal edge, and the line from the vertical vanishing point through it;
/// likewise found from the mark's place when the edge lies on the horizon.
[[nodiscard]] ColumnLine columnLine(const geom::Orientation& f, const geom::VanishingPoints& vp, int j);

/// The meeting point of a row line and a column line, in the order of operations every road's
/// window test and sampling rely on.
[[nodiscard]] SourcePoint meetPoint(const geom::VanishingPoints& vp, const RowLine& row, const ColumnLine& col);

/// The meeting point of row line i and column line j: srcX = (S fuvx - fuvy + c) / (S - T),
/// srcY = fuvy + (srcX - fuvx) S.
[[nodiscard]] SourcePoint sourcePoint(const geom::Orientation& f, const geom::VanishingPoints& vp, int i, int j);

/// The lines a fast rectifier precomputes once: for each output position p (0-based, mirroring by
/// colSign applied) the slope S of its column's source line and S * fuvx - fuvy, NaN for a column
/// without a finite construction (no pixel can then pass the window test), both padded with NaN to
/// a multiple of `block`; and the source line of every row mark 0..height (mark 0 unused).
struct LineTables {
    std::vector<double> colSlope;
    std::vector<double> colBase;
    std::vector<RowLine> rows;
};

/// The tables of `width` columns and `height` rows of the construction `f` with vanishing points `vp`.
[[nodiscard]] LineTables lineTables(const geom::Orientation& f, const geom::VanishingPoints& vp, int width, int height,
                                    std::size_t block);

/// What the fast rectifiers compute every row from: the frame's size, V, the calculation area's
/// window and the line tables.
struct RowSetup {
    int width = 0;
    int height = 0;
    double fuvx = 0, fuvy = 0;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    LineTables tables;
};

/// The setup of `width` columns (the road's own column count) and all the rows of `in`.
[[nodiscard]] RowSetup rowSetup(const Input& in, int width, std::size_t block);

/// Computes output row i (row mark 1..H) of the rectification `in` into `out`, pixel by pixel
/// with the full column construction. A pixel is sampled when its source point lies in the
/// calculation area (both ends included) and Int(srcY), max(1, Int(srcX)) address a byte of the
/// picture; every other pixel, the bytes past the width, and the whole row when i is out of
/// range or its construction is not finite, are palette index 0.
void referenceRow(const Input& in, int i, RowRecord& out);

}  // namespace velta::rectify

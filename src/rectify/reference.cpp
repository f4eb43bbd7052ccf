#include "rectify/reference.h"

#include "geometry/orientation.h"
#include "rectify/row_order.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace velta::rectify {

double rowEdgeOffset(const State& s) {
    return s.originY - s.vertEdgeSlope * s.originX - s.pvy;
}

double colEdgeOffset(const State& s) {
    return s.originY - s.horizEdgeSlope * s.originX - s.poy;
}

namespace {

// Where the ray from the measuring point m through the mark a, of slope raySlope, cuts the
// reference edge from the vanishing point vp through the origin, of slope edgeSlope;
// edgeOffset is originY - edgeSlope * originX - m.y. Where the edge runs along the ray (it
// lies on the principal vertical, or on the horizon) the cut is found from the mark's place on
// the measuring line instead of by intersecting the two.
geom::Point edgeFoot(const State& s, geom::Point vp, geom::Point m, geom::Point a, double raySlope, double edgeSlope,
                     double edgeOffset) {
    if (const auto along = geom::footAlongEdge(vp, m, {s.originX, s.originY}, a, raySlope, edgeSlope)) return *along;
    const double x = (raySlope * m.x + edgeOffset) / (raySlope - edgeSlope);
    return {x, m.y + (x - m.x) * raySlope};
}

}  // namespace

RowLine rowLine(const State& s, int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= s.rowPoints.size()) return {};
    const double ax = s.rowPoints[static_cast<std::size_t>(i)][2];
    const double ay = s.rowPoints[static_cast<std::size_t>(i)][3];
    const double rowRaySlope = (s.pvy - ay) / (s.pvx - ax);
    const geom::Point foot = edgeFoot(s, {s.fuvx, s.fuvy}, {s.pvx, s.pvy}, {ax, ay}, rowRaySlope, s.vertEdgeSlope,
                                      rowEdgeOffset(s));
    const double rowFootX = foot.x, rowFootY = foot.y;
    RowLine line;
    line.slope = (rowFootY - s.fuoy) / (rowFootX - s.fuox);
    line.intercept = s.fuoy - line.slope * s.fuox;
    line.finite = std::isfinite(rowFootX) && std::isfinite(rowFootY) && std::isfinite(line.slope) &&
                  std::isfinite(line.intercept);
    return line;
}

ColumnLine columnLine(const State& s, int j) {
    if (j < 0 || static_cast<std::size_t>(j) >= s.colPoints.size()) return {};
    const double bx = s.colPoints[static_cast<std::size_t>(j)][2];
    const double by = s.colPoints[static_cast<std::size_t>(j)][3];
    const double colRaySlope = (s.poy - by) / (s.pox - bx);
    const geom::Point foot = edgeFoot(s, {s.fuox, s.fuoy}, {s.pox, s.poy}, {bx, by}, colRaySlope, s.horizEdgeSlope,
                                      colEdgeOffset(s));
    const double colFootX = foot.x, colFootY = foot.y;
    ColumnLine line;
    line.slope = (colFootY - s.fuvy) / (colFootX - s.fuvx);
    line.base = line.slope * s.fuvx - s.fuvy;
    line.finite = std::isfinite(colFootX) && std::isfinite(colFootY) && std::isfinite(line.slope) &&
                  std::isfinite(line.base);
    return line;
}

namespace {

// The meeting point of a row line and a column line.
SourcePoint meet(const State& s, const RowLine& row, const ColumnLine& col) {
    SourcePoint p;
    // S * fuvx - fuvy + c, evaluated left to right as written.
    p.x = (col.slope * s.fuvx - s.fuvy + row.intercept) / (col.slope - row.slope);
    p.y = s.fuvy + (p.x - s.fuvx) * col.slope;
    p.finite = row.finite && col.finite && std::isfinite(p.x) && std::isfinite(p.y);
    return p;
}

}  // namespace

SourcePoint sourcePoint(const State& s, int i, int j) {
    return meet(s, rowLine(s, i), columnLine(s, j));
}

void referenceRow(const State& s, int i, RowRecord& out) {
    out.fill(0);
    const int w = columnCount(s);
    if (i < 1 || i > rowCount(s)) return;
    const RowLine line = rowLine(s, i);
    if (!line.finite) return;

    // Readable part of the source: the records that exist and were filled, and the bytes of a
    // record that belong to the picture.
    const SourceImage& img = s.image;
    const int rowsReadable = std::min(static_cast<int>(img.fileHeight),
                                      static_cast<int>(std::min<std::size_t>(img.sourceRows.size(), 32767)));
    const double colsReadable =
        img.fileWidth >= 1 ? std::floor(std::min(img.fileWidth, static_cast<double>(rowRecordSize))) : 0.0;

    const double xmin = s.areaCorners[1][1];
    const double ymin = s.areaCorners[1][2];
    const double xmax = s.areaCorners[4][1];
    const double ymax = s.areaCorners[2][2];

    for (int j = 1; j <= w; ++j) {
        const SourcePoint src = meet(s, line, columnLine(s, j));
        // The window test on the unrounded values; NaN fails it.
        if (!(xmin <= src.x && src.x <= xmax && ymin <= src.y && src.y <= ymax) || !src.finite) continue;

        // Nearest neighbour by truncation, 1-based columns; only bytes of the picture are read.
        const double row = std::floor(src.y);
        const double col = std::max(std::floor(src.x), 1.0);
        if (row < 0 || row > rowsReadable - 1 || col > colsReadable) continue;
        const int outCol = s.colSign == -1 ? w + 1 - j : j;
        out[static_cast<std::size_t>(outCol - 1)] =
            img.sourceRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col) - 1];
    }
}

}  // namespace velta::rectify

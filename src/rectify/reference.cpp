#include "rectify/reference.h"

#include "geometry/orientation.h"
#include "rectify/row_order.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace velta::rectify {

double rowEdgeOffset(const geom::Orientation& f) {
    return f.originY - f.vertEdgeSlope * f.originX - f.pvy;
}

double colEdgeOffset(const geom::Orientation& f) {
    return f.originY - f.horizEdgeSlope * f.originX - f.poy;
}

namespace {

// Where the ray from the measuring point m through the mark a, of slope raySlope, cuts the
// reference edge from the vanishing point vp through the origin, of slope edgeSlope;
// edgeOffset is originY - edgeSlope * originX - m.y. Where the edge runs along the ray (it
// lies on the principal vertical, or on the horizon) the cut is found from the mark's place on
// the measuring line instead of by intersecting the two.
geom::Point edgeFoot(const geom::Orientation& f, geom::Point vp, geom::Point m, geom::Point a, double raySlope,
                     double edgeSlope, double edgeOffset) {
    if (const auto along = geom::footAlongEdge(vp, m, f.origin(), a, raySlope, edgeSlope)) return *along;
    const double x = (raySlope * m.x + edgeOffset) / (raySlope - edgeSlope);
    return {x, m.y + (x - m.x) * raySlope};
}

}  // namespace

RowLine rowLine(const geom::Orientation& f, const geom::VanishingPoints& vp, int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= f.rowPoints.size()) return {};
    const double ax = f.rowPoints[static_cast<std::size_t>(i)][2];
    const double ay = f.rowPoints[static_cast<std::size_t>(i)][3];
    const double rowRaySlope = (f.pvy - ay) / (f.pvx - ax);
    const geom::Point foot =
        edgeFoot(f, {vp.fuvx, vp.fuvy}, f.pv(), {ax, ay}, rowRaySlope, f.vertEdgeSlope, rowEdgeOffset(f));
    const double rowFootX = foot.x, rowFootY = foot.y;
    RowLine line;
    line.slope = (rowFootY - vp.fuoy) / (rowFootX - vp.fuox);
    line.intercept = vp.fuoy - line.slope * vp.fuox;
    line.finite = std::isfinite(rowFootX) && std::isfinite(rowFootY) && std::isfinite(line.slope) &&
                  std::isfinite(line.intercept);
    return line;
}

ColumnLine columnLine(const geom::Orientation& f, const geom::VanishingPoints& vp, int j) {
    if (j < 0 || static_cast<std::size_t>(j) >= f.colPoints.size()) return {};
    const double bx = f.colPoints[static_cast<std::size_t>(j)][2];
    const double by = f.colPoints[static_cast<std::size_t>(j)][3];
    const double colRaySlope = (f.poy - by) / (f.pox - bx);
    const geom::Point foot =
        edgeFoot(f, {vp.fuox, vp.fuoy}, f.po(), {bx, by}, colRaySlope, f.horizEdgeSlope, colEdgeOffset(f));
    const double colFootX = foot.x, colFootY = foot.y;
    ColumnLine line;
    line.slope = (colFootY - vp.fuvy) / (colFootX - vp.fuvx);
    line.base = line.slope * vp.fuvx - vp.fuvy;
    line.finite = std::isfinite(colFootX) && std::isfinite(colFootY) && std::isfinite(line.slope) &&
                  std::isfinite(line.base);
    return line;
}

SourcePoint meetPoint(const geom::VanishingPoints& vp, const RowLine& row, const ColumnLine& col) {
    SourcePoint p;
    // S * fuvx - fuvy + c, evaluated left to right as written.
    p.x = (col.slope * vp.fuvx - vp.fuvy + row.intercept) / (col.slope - row.slope);
    p.y = vp.fuvy + (p.x - vp.fuvx) * col.slope;
    p.finite = row.finite && col.finite && std::isfinite(p.x) && std::isfinite(p.y);
    return p;
}

SourcePoint sourcePoint(const geom::Orientation& f, const geom::VanishingPoints& vp, int i, int j) {
    return meetPoint(vp, rowLine(f, vp, i), columnLine(f, vp, j));
}

LineTables lineTables(const geom::Orientation& f, const geom::VanishingPoints& vp, int width, int height,
                      std::size_t block) {
    LineTables t;
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t padded = (w + block - 1) / block * block;
    constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
    t.colSlope.assign(padded, notANumber);
    t.colBase.assign(padded, notANumber);
    for (std::size_t j = 1; j <= w; ++j) {
        const ColumnLine line = columnLine(f, vp, static_cast<int>(j));
        if (!line.finite) continue;
        const std::size_t p = f.colSign == -1 ? w - j : j - 1;
        t.colSlope[p] = line.slope;
        t.colBase[p] = line.base;
    }
    const auto h = static_cast<std::size_t>(std::max(height, 0));
    t.rows.assign(h + 1, RowLine{});
    for (std::size_t i = 1; i <= h; ++i) t.rows[i] = rowLine(f, vp, static_cast<int>(i));
    return t;
}

RowSetup rowSetup(const Input& in, int width, std::size_t block) {
    RowSetup s;
    s.width = width;
    s.height = rowCount(in.frame);
    s.fuvx = in.vp.fuvx;
    s.fuvy = in.vp.fuvy;
    s.xmin = in.area[1].x;
    s.xmax = in.area[4].x;
    s.ymin = in.area[1].y;
    s.ymax = in.area[2].y;
    s.tables = lineTables(in.frame, in.vp, s.width, s.height, block);
    return s;
}

void referenceRow(const Input& in, int i, RowRecord& out) {
    out.fill(0);
    const geom::Orientation& f = in.frame;
    const int w = columnCount(f);
    if (i < 1 || i > rowCount(f)) return;
    const RowLine line = rowLine(f, in.vp, i);
    if (!line.finite) return;

    // Readable part of the source: the records that exist and were filled, and the bytes of a
    // record that belong to the picture.
    const SourceImage& img = in.image;
    const int rowsReadable = std::min(static_cast<int>(img.fileHeight),
                                      static_cast<int>(std::min<std::size_t>(img.sourceRows.size(), 32767)));
    const double colsReadable =
        img.fileWidth >= 1 ? std::floor(std::min(img.fileWidth, static_cast<double>(rowRecordSize))) : 0.0;

    const double xmin = in.area[1].x;
    const double ymin = in.area[1].y;
    const double xmax = in.area[4].x;
    const double ymax = in.area[2].y;

    for (int j = 1; j <= w; ++j) {
        const SourcePoint src = meetPoint(in.vp, line, columnLine(f, in.vp, j));
        // The window test on the unrounded values; NaN fails it.
        if (!(xmin <= src.x && src.x <= xmax && ymin <= src.y && src.y <= ymax) || !src.finite) continue;

        // Nearest neighbour by truncation, 1-based columns; only bytes of the picture are read.
        const double row = std::floor(src.y);
        const double col = std::max(std::floor(src.x), 1.0);
        if (row < 0 || row > rowsReadable - 1 || col > colsReadable) continue;
        const int outCol = f.colSign == -1 ? w + 1 - j : j;
        out[static_cast<std::size_t>(outCol - 1)] =
            img.sourceRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col) - 1];
    }
}

}  // namespace velta::rectify

#pragma once
// Hand-built rectification frames for the rectifier's tests and benchmark: a pinhole camera gives
// the two vanishing points, the measuring points are placed at the eye distances, and the row and
// column marks are spaced so that the last row and column reach the far corner of the area.

#include "geometry/orientation.h"
#include "rectify/reference.h"
#include "state/state.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velta::rectify::testing {

/// A camera looking at a façade and the part of the photograph to rectify.
struct FrameSetup {
    double imageWidth = 3000, imageHeight = 2000;   // source picture in pixels
    double focal = 2600;                            // principal distance in pixels
    double yaw = 0.35, pitch = 0.25, roll = 0.03;   // camera turn, tilt (up > 0) and roll, radians
    double xmin = 300, ymin = 200, xmax = 2700, ymax = 1800;   // calculation area
    int outWidth = 600, outHeight = 400;            // W and H
    bool mirrorColumns = false;                     // colSign -1 (marks laid out the other way)
};

struct Point {
    double x, y;
};

inline Point minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline double cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }

/// The meeting point of the line through p with direction d and the line through q with direction e.
inline Point meet(Point p, Point d, Point q, Point e) {
    const double a = cross(minus(q, p), e) / cross(d, e);
    return {p.x + a * d.x, p.y + a * d.y};
}

/// Image of the direction (dx, dy, dz) of the world (x right, y up, z away from the camera).
inline Point vanishing(const FrameSetup& f, double dx, double dy, double dz) {
    // Camera: yaw about the vertical, then pitch, then roll; image y runs downwards.
    const double cy = std::cos(f.yaw), sy = std::sin(f.yaw);
    const double x1 = cy * dx - sy * dz, z1 = sy * dx + cy * dz, y1 = dy;
    const double cp = std::cos(f.pitch), sp = std::sin(f.pitch);
    const double y2 = cp * y1 - sp * z1, z2 = sp * y1 + cp * z1;
    const double cr = std::cos(f.roll), sr = std::sin(f.roll);
    const double x3 = cr * x1 - sr * y2, y3 = sr * x1 + cr * y2;
    return {f.imageWidth / 2 + f.focal * x3 / z2, f.imageHeight / 2 - f.focal * y3 / z2};
}

/// A source picture whose bytes differ from row to row and column to column.
inline void fillSource(State& s, int width, int height) {
    s.image.fileWidth = width;
    s.image.fileHeight = static_cast<std::int16_t>(height);
    s.image.sourceRows.assign(static_cast<std::size_t>(height) + 1, RowRecord{});
    for (std::size_t r = 0; r < static_cast<std::size_t>(height); ++r)
        for (std::size_t c = 0; c < static_cast<std::size_t>(width); ++c)
            s.image.sourceRows[r][c] = static_cast<std::uint8_t>((c * 7 + r * 31 + 1) % 251 + 1);
}

/// Moves the whole construction by (dx, dy): every source point of the frame moves with it.
inline void translate(State& s, double dx, double dy) {
    s.fuvx += dx; s.fuvy += dy; s.fuox += dx; s.fuoy += dy;
    s.frame.pvx += dx; s.frame.pvy += dy; s.frame.pox += dx; s.frame.poy += dy;
    s.frame.originX += dx; s.frame.originY += dy;
    for (auto* table : {&s.frame.rowPoints, &s.frame.colPoints})
        for (std::size_t k = 1; k < table->size(); ++k) {
            (*table)[k][2] += dx;
            (*table)[k][3] += dy;
        }
}

/// Sets the calculation area (the sampling window) to [xmin, xmax] x [ymin, ymax].
inline void setWindow(State& s, double xmin, double ymin, double xmax, double ymax) {
    s.areaCorners[1][1] = xmin; s.areaCorners[1][2] = ymin;
    s.areaCorners[2][1] = xmin; s.areaCorners[2][2] = ymax;
    s.areaCorners[3][1] = xmax; s.areaCorners[3][2] = ymax;
    s.areaCorners[4][1] = xmax; s.areaCorners[4][2] = ymin;
}

/// The rectification of the state as the rectify command hands it over.
inline Input inputOf(const State& s) {
    return {s.frame, vanishingPoints(s), calculationArea(s), s.image};
}

/// Marks 1..count laid `step` apart from o along dir; row 0 stays 0.
inline std::vector<MarkRow> marksAlong(Point o, Point dir, double step, int count) {
    std::vector<MarkRow> table(static_cast<std::size_t>(count) + 1, MarkRow{});
    for (int k = 1; k <= count; ++k) {
        table[static_cast<std::size_t>(k)][2] = o.x + k * step * dir.x;
        table[static_cast<std::size_t>(k)][3] = o.y + k * step * dir.y;
    }
    return table;
}

/// A complete, consistent rectification state for `f`, with a source picture to sample.
inline State makeFrame(const FrameSetup& f) {
    State s;
    const Point c{f.imageWidth / 2, f.imageHeight / 2};
    // Vertical lines of the façade converge at V, horizontal ones at H.
    const Point v = vanishing(f, 0, 1, 0);
    const Point h = vanishing(f, 1, 0, 0);
    s.fuvx = v.x; s.fuvy = v.y; s.fuox = h.x; s.fuoy = h.y;
    s.centreX = c.x; s.centreY = c.y;
    s.frame.axisSlope = (c.y - v.y) / (c.x - v.x);
    s.frame.horizonSlope = -1 / s.frame.axisSlope;

    // Measuring points at the eye distance of each vanishing point, towards the picture.
    const auto toward = [](Point from, Point to, double dist) {
        const double len = std::hypot(to.x - from.x, to.y - from.y);
        return Point{from.x + (to.x - from.x) / len * dist, from.y + (to.y - from.y) / len * dist};
    };
    const double eyeToV = std::sqrt(std::pow(std::hypot(v.x - c.x, v.y - c.y), 2) + f.focal * f.focal);
    const Point pv = toward(v, c, eyeToV);
    const Point horizonDir{1, s.frame.horizonSlope};
    const Point foot = meet(h, horizonDir, v, minus(c, v));
    const double eyeToH = std::sqrt(std::pow(std::hypot(h.x - c.x, h.y - c.y), 2) + f.focal * f.focal);
    const Point po = toward(h, foot, eyeToH);
    s.frame.pvx = pv.x; s.frame.pvy = pv.y; s.frame.pox = po.x; s.frame.poy = po.y;

    s.imageWidth = static_cast<float>(f.imageWidth);
    s.imageHeight = static_cast<float>(f.imageHeight);
    setWindow(s, f.xmin, f.ymin, f.xmax, f.ymax);

    // Origin at the reference corner: on the top side when V lies below H, on the left side when
    // H lies to the right of V; the far corner is opposite it.
    const Point o{h.x > v.x ? f.xmin : f.xmax, v.y > h.y ? f.ymin : f.ymax};
    const Point far{h.x > v.x ? f.xmax : f.xmin, v.y > h.y ? f.ymax : f.ymin};
    s.frame.originX = o.x; s.frame.originY = o.y;
    s.frame.vertEdgeSlope = (o.y - v.y) / (o.x - v.x);
    s.frame.horizEdgeSlope = (o.y - h.y) / (o.x - h.x);

    // Mark lines through the origin, laid out as the program lays them (the slope taken as an angle).
    const Point rowDir{std::sin(-s.frame.horizonSlope), std::cos(-s.frame.horizonSlope)};
    const Point colDir{std::cos(s.frame.horizonSlope), std::sin(s.frame.horizonSlope)};
    const Point rowFar = meet(h, minus(far, h), o, minus(v, o));
    const Point maxa = meet(pv, minus(rowFar, pv), o, rowDir);
    const Point colFar = meet(v, minus(far, v), o, minus(h, o));
    const Point maxb = meet(po, minus(colFar, po), o, colDir);
    const double rowStep = ((maxa.x - o.x) * rowDir.x + (maxa.y - o.y) * rowDir.y) / f.outHeight;
    double colStep = ((maxb.x - o.x) * colDir.x + (maxb.y - o.y) * colDir.y) / f.outWidth;
    s.frame.rowSign = static_cast<std::int16_t>(rowStep < 0 ? -1 : 1);
    s.frame.colSign = static_cast<std::int16_t>(colStep < 0 ? -1 : 1);
    if (f.mirrorColumns) s.frame.colSign = static_cast<std::int16_t>(-s.frame.colSign);

    s.frame.rectWidth = f.outWidth;
    s.frame.rectHeight = f.outHeight;
    s.frame.rowPoints = marksAlong(o, rowDir, rowStep, f.outHeight);
    s.frame.colPoints = marksAlong(o, colDir, colStep, f.outWidth);
    fillSource(s, static_cast<int>(f.imageWidth), static_cast<int>(f.imageHeight));
    return s;
}

}  // namespace velta::rectify::testing

#include "measure/error_bars.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "geometry/vanishing.h"
#include "rectify/colour.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"

namespace velta::measure {
namespace {

using geom::Point;

constexpr double infinite = std::numeric_limits<double>::infinity();

// The measuring lines of a frame: their unit directions as the marks are laid out (along and
// across the horizon), and the signed distance between neighbouring marks. The output step is
// not kept in the frame; it is read back as the distance from the origin to mark 1.
struct MeasuringLines {
    Point rowDir, colDir;
    double rowStep = 0, colStep = 0;   // sign * step
    double width = 0, height = 0;      // columns and rows of the rectified picture
};

std::optional<MeasuringLines> measuringLines(const geom::Orientation& f) {
    if (f.rowPoints.size() < 2 || f.colPoints.size() < 2 || f.rowSign == 0 || f.colSign == 0) return std::nullopt;
    const double a = std::atan(f.horizonSlope);
    MeasuringLines m;
    m.rowDir = {std::sin(-a), std::cos(-a)};
    m.colDir = {std::cos(a), std::sin(a)};
    m.rowStep = f.rowSign * std::hypot(f.rowPoints[1][2] - f.originX, f.rowPoints[1][3] - f.originY);
    m.colStep = f.colSign * std::hypot(f.colPoints[1][2] - f.originX, f.colPoints[1][3] - f.originY);
    m.width = rectify::colourColumnCount(f);
    m.height = rectify::rowCount(f);
    if (!geom::allFinite({m.rowStep, m.colStep}) || m.rowStep == 0 || m.colStep == 0) return std::nullopt;
    return m;
}

// Row and column marks of a rectified pixel and back. Pixel (u, v) shows column mark u + 1,
// or W - u when the columns run mirrored; rows are written bottom row first in the order of
// their computation, so the picture's row v shows mark v + 1 when the rows run from H down
// (V below H) and mark H - v otherwise. A whole pixel sits exactly on its mark.
double columnMarkOf(const geom::Orientation& f, const MeasuringLines& m, double u) {
    return f.colSign == -1 ? m.width - u : u + 1;
}
double rowMarkOf(const geom::VanishingPoints& vp, const MeasuringLines& m, double v) {
    return vp.fuvy > vp.fuoy ? v + 1 : m.height - v;
}
double columnPixelOf(const geom::Orientation& f, const MeasuringLines& m, double j) {
    return f.colSign == -1 ? m.width - j : j - 1;
}
double rowPixelOf(const geom::VanishingPoints& vp, const MeasuringLines& m, double i) {
    return vp.fuvy > vp.fuoy ? i - 1 : m.height - i;
}

// The cut of the ray from m through mark a with the edge, as the per-pixel construction finds it.
Point edgeFoot(const geom::Orientation& f, Point vp, Point m, Point a, double raySlope, double edgeSlope,
               double edgeOffset) {
    if (const auto along = geom::footAlongEdge(vp, m, f.origin(), a, raySlope, edgeSlope)) return *along;
    const double x = (raySlope * m.x + edgeOffset) / (raySlope - edgeSlope);
    return {x, m.y + (x - m.x) * raySlope};
}

double cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
Point minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }

// Where the line through the vanishing point x and the source point p cuts the edge through
// the origin o with slope edgeSlope (worked relative to o, where the numbers are small).
Point edgeCut(Point x, Point p, Point o, double edgeSlope) {
    const Point d = minus(p, x);                     // direction of the line x-p
    const double n = std::hypot(1.0, edgeSlope);
    const Point e{1 / n, edgeSlope / n};             // direction of the edge
    // o + t e = x + s d  =>  t = cross(x - o, d) / cross(e, d)
    const double t = cross(minus(x, o), d) / cross(e, d);
    return {o.x + t * e.x, o.y + t * e.y};
}

// The mark, as a real number, on the measuring line through the origin o with unit direction
// dir and signed mark spacing step, that the ray from the measuring point m through the edge
// point foot reaches; the inverse of one half of the per-pixel construction. Where the edge
// runs along the line x-m, the ray runs along the edge too, and the mark is read off the foot's
// place on the edge instead (the inverse of geom::footAlongEdge).
double markThrough(const geom::Orientation& f, Point x, Point m, Point foot, Point dir, double step,
                   double edgeSlope) {
    const Point o = f.origin();
    const double raySlope = (m.y - foot.y) / (m.x - foot.x);
    if (geom::nearlyParallelSlopes(raySlope, edgeSlope) &&
        geom::nearlyParallelSlopes((m.y - x.y) / (m.x - x.x), edgeSlope)) {
        // foot = x + (o - x) / (1 + k) with a = o + k (x - m).
        const Point ox = minus(o, x);
        const double along = (minus(foot, x).x * ox.x + minus(foot, x).y * ox.y) / (ox.x * ox.x + ox.y * ox.y);
        const double k = 1 / along - 1;
        const Point onLine{k * (x.x - m.x), k * (x.y - m.y)};
        return (onLine.x * dir.x + onLine.y * dir.y) / step;
    }
    // o + t dir on the line m-foot.
    const Point ray = minus(foot, m);
    return cross(ray, minus(m, o)) / cross(ray, dir) / step;
}

// A pair's length in rectified pixels.
double lengthOf(Point a, Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

// The relative change of a length when one coordinate of one of its ends moves by half a pixel.
double ownClickEffect(const Pair& p, int coordinate) {
    double x1 = p.x1, y1 = p.y1, x2 = p.x2, y2 = p.y2;
    double* const moved[] = {&x1, &y1, &x2, &y2};
    *moved[coordinate] += 0.5;
    return std::hypot(x2 - x1, y2 - y1) / std::hypot(p.x2 - p.x1, p.y2 - p.y1) - 1;
}

// The frame's aspect ratio before its size is rounded to whole pixels: rounding would add up to
// a pixel's worth of change that no click causes.
double aspectOf(const geom::Orientation& f) {
    return std::hypot(f.maxbx - f.originX, f.maxby - f.originY) / std::hypot(f.maxax - f.originX, f.maxay - f.originY);
}

struct Construction {
    geom::VanishingPoints vp;
    geom::Orientation frame;
};

std::optional<Construction> construct(const double (&lineEnds)[6][6], geom::OrientationInput in) {
    const geom::VanishingResult r = geom::vanishingPoints(lineEnds);
    if (!r.bothMeet()) return std::nullopt;
    in.fuox = r.fuox;
    in.fuoy = r.fuoy;
    in.fuvx = r.fuvx;
    in.fuvy = r.fuvy;
    auto frame = geom::orient(in);
    if (!frame || !measuringLines(*frame)) return std::nullopt;
    return Construction{{r.fuox, r.fuoy, r.fuvx, r.fuvy}, std::move(*frame)};
}

// Moves a snapped line's ends (ends[1..4] = x1, y1, x2, y2) by its fit's standard error: across
// the line, or turned about the fit's centre.
void moveFittedLine(double (&ends)[6], const FittedLine& fit, bool across) {
    const double length = std::hypot(ends[3] - ends[1], ends[4] - ends[2]);
    if (!(length > 0)) return;
    if (across) {
        const double nx = -(ends[4] - ends[2]) / length, ny = (ends[3] - ends[1]) / length;
        ends[1] += fit.sigmaOffset * nx;
        ends[2] += fit.sigmaOffset * ny;
        ends[3] += fit.sigmaOffset * nx;
        ends[4] += fit.sigmaOffset * ny;
        return;
    }
    const double c = std::cos(fit.sigmaAngle), s = std::sin(fit.sigmaAngle);
    for (int k : {1, 3}) {
        const double x = ends[k] - fit.centreX, y = ends[k + 1] - fit.centreY;
        ends[k] = fit.centreX + c * x - s * y;
        ends[k + 1] = fit.centreY + s * x + c * y;
    }
}

// The four lines with one of them moved one way: each coordinate of each clicked line by half a
// pixel in turn, each snapped line by its fit's two standard errors.
struct MovedLines {
    double ends[6][6];
};

std::vector<MovedLines> movedLines(const double (&lineEnds)[6][6], const LineFits& fits) {
    std::vector<MovedLines> out;
    for (int line = 1; line <= 4; ++line) {
        const std::optional<FittedLine>& fit = fits[static_cast<std::size_t>(line)];
        for (int move = 0; move < (fit ? 2 : 4); ++move) {
            MovedLines& m = out.emplace_back();
            std::copy(&lineEnds[0][0], &lineEnds[0][0] + 36, &m.ends[0][0]);
            if (fit)
                moveFittedLine(m.ends[line], *fit, move == 0);
            else
                m.ends[line][move + 1] += 0.5;
        }
    }
    return out;
}

// Adds to each pair's bar the effect of its own clicks and the reference pair's, half a pixel on
// each coordinate of the rectified picture; not finite for a pair of length 0.
void addOwnClicks(std::vector<double>& bars, const std::vector<Pair>& pairs, std::size_t reference) {
    const Pair& ref = pairs[reference];
    double refOwn = 0;
    for (int c = 0; c < 4; ++c) refOwn += std::fabs(1 / (1 + ownClickEffect(ref, c)) - 1);
    for (std::size_t n = 0; n < pairs.size(); ++n) {
        if (n == reference) continue;
        double own = refOwn;
        for (int c = 0; c < 4; ++c) own += std::fabs(ownClickEffect(pairs[n], c));
        bars[n] += own;
    }
}

}  // namespace

std::optional<geom::Point> sourcePointOf(const geom::Orientation& f, const geom::VanishingPoints& vp, double u,
                                         double v) {
    const auto m = measuringLines(f);
    if (!m) return std::nullopt;
    const double i = rowMarkOf(vp, *m, v), j = columnMarkOf(f, *m, u);

    // Row: the ray from pv through the row mark, its foot on the vertical edge, the line from H.
    const double ax = f.originX + i * m->rowStep * m->rowDir.x;
    const double ay = f.originY + i * m->rowStep * m->rowDir.y;
    const double rowRaySlope = (f.pvy - ay) / (f.pvx - ax);
    const Point rowFoot = edgeFoot(f, {vp.fuvx, vp.fuvy}, f.pv(), {ax, ay}, rowRaySlope, f.vertEdgeSlope,
                                   rectify::rowEdgeOffset(f));
    const double rowSlope = (rowFoot.y - vp.fuoy) / (rowFoot.x - vp.fuox);
    const double intercept = vp.fuoy - rowSlope * vp.fuox;

    // Column: the ray from po through the column mark, its foot on the horizontal edge, the line from V.
    const double bx = f.originX + j * m->colStep * m->colDir.x;
    const double by = f.originY + j * m->colStep * m->colDir.y;
    const double colRaySlope = (f.poy - by) / (f.pox - bx);
    const Point colFoot = edgeFoot(f, {vp.fuox, vp.fuoy}, f.po(), {bx, by}, colRaySlope, f.horizEdgeSlope,
                                   rectify::colEdgeOffset(f));
    const double colSlope = (colFoot.y - vp.fuvy) / (colFoot.x - vp.fuvx);

    // Their meeting point, as the per-pixel construction writes it.
    const double x = (colSlope * vp.fuvx - vp.fuvy + intercept) / (colSlope - rowSlope);
    const double y = vp.fuvy + (x - vp.fuvx) * colSlope;
    if (!geom::allFinite({x, y})) return std::nullopt;
    return Point{x, y};
}

std::optional<geom::Point> rectifiedPointOf(const geom::Orientation& f, const geom::VanishingPoints& vp, double x,
                                            double y) {
    const auto m = measuringLines(f);
    if (!m) return std::nullopt;
    const Point p{x, y}, h{vp.fuox, vp.fuoy}, v{vp.fuvx, vp.fuvy}, o = f.origin();

    // Row: the line through H and the point, its foot on the vertical edge, the ray from pv.
    const Point rowFoot = edgeCut(h, p, o, f.vertEdgeSlope);
    const double i = markThrough(f, v, f.pv(), rowFoot, m->rowDir, m->rowStep, f.vertEdgeSlope);
    // Column: the line through V and the point, its foot on the horizontal edge, the ray from po.
    const Point colFoot = edgeCut(v, p, o, f.horizEdgeSlope);
    const double j = markThrough(f, h, f.po(), colFoot, m->colDir, m->colStep, f.horizEdgeSlope);

    const Point r{columnPixelOf(f, *m, j), rowPixelOf(vp, *m, i)};
    if (!geom::allFinite({r.x, r.y})) return std::nullopt;
    return r;
}

namespace {

// Every pair but the reference marked undetermined.
void undetermined(std::vector<double>& bars, std::size_t reference) {
    for (std::size_t n = 0; n < bars.size(); ++n)
        if (n != reference) bars[n] = infinite;
}

// A pair's ends in the source picture; not ok where the construction does not reach them.
struct SourceEnds {
    Point a, b;
    bool ok = false;
};

// Each pair's ends in the source picture, by the construction `c`.
std::vector<SourceEnds> sourceEndsOf(const Construction& c, const std::vector<Pair>& pairs) {
    std::vector<SourceEnds> source(pairs.size());
    for (std::size_t n = 0; n < pairs.size(); ++n) {
        const auto a = sourcePointOf(c.frame, c.vp, pairs[n].x1, pairs[n].y1);
        const auto b = sourcePointOf(c.frame, c.vp, pairs[n].x2, pairs[n].y2);
        if (a && b) source[n] = {*a, *b, true};
    }
    return source;
}

}  // namespace

std::optional<ErrorBars> errorBars(const double (&lineEnds)[6][6], const geom::OrientationInput& construction,
                                   const std::vector<Pair>& pairs, std::size_t reference, const LineFits& fits) {
    if (reference >= pairs.size()) return std::nullopt;
    const auto base = construct(lineEnds, construction);
    if (!base) return std::nullopt;

    ErrorBars bars;
    bars.pairs.assign(pairs.size(), 0.0);
    const Pair& ref = pairs[reference];
    const double refLength = std::hypot(ref.x2 - ref.x1, ref.y2 - ref.y1);
    // No scale to measure by: nothing but the reference itself is determined.
    if (!(refLength > 0)) undetermined(bars.pairs, reference);

    addOwnClicks(bars.pairs, pairs, reference);

    const std::vector<SourceEnds> source = sourceEndsOf(*base, pairs);
    const auto rectifiedLength = [&](const Construction& c, const SourceEnds& e) -> double {
        if (!e.ok) return std::numeric_limits<double>::quiet_NaN();
        const auto a = rectifiedPointOf(c.frame, c.vp, e.a.x, e.a.y);
        const auto b = rectifiedPointOf(c.frame, c.vp, e.b.x, e.b.y);
        if (!a || !b) return std::numeric_limits<double>::quiet_NaN();
        return lengthOf(*a, *b);
    };

    const double aspect = aspectOf(base->frame);
    const double distance = base->frame.principalDistance;
    for (const MovedLines& moved : movedLines(lineEnds, fits)) {
        const auto other = construct(moved.ends, construction);
        if (!other) {
            // Half a pixel breaks the construction: nothing it shows is determined.
            bars.poorlyDetermined = true;
            bars.aspect = infinite;
            undetermined(bars.pairs, reference);
            continue;
        }
        if (!(std::fabs(other->frame.principalDistance / distance - 1) <= 0.05)) bars.poorlyDetermined = true;
        bars.aspect += std::fabs(aspectOf(other->frame) / aspect - 1);

        const double refMoved = rectifiedLength(*other, source[reference]);
        for (std::size_t n = 0; n < pairs.size(); ++n) {
            if (n == reference) continue;
            const double ratio = std::hypot(pairs[n].x2 - pairs[n].x1, pairs[n].y2 - pairs[n].y1) / refLength;
            const double ratioMoved = rectifiedLength(*other, source[n]) / refMoved;
            const double effect = std::fabs(ratioMoved / ratio - 1);
            bars.pairs[n] += std::isnan(effect) ? infinite : effect;
        }
    }
    return bars;
}

}  // namespace velta::measure

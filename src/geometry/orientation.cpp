#include "geometry/orientation.h"

#include <algorithm>
#include <cmath>

#include "text/numtext.h"

namespace velta::geom {
namespace {

std::optional<Orientation> refuse(std::string* why, const char* reason) {
    if (why) *why = reason;
    return std::nullopt;
}

bool onOneVertical(double ax, double ay, double bx, double by) {
    return std::fabs(ax - bx) <= nearlyVertical * std::fabs(ay - by);
}

// Sine of the angle between two lines given by their slopes (0 when parallel). Divided one
// factor at a time so that steep slopes do not overflow into a false "parallel".
double sineBetween(double s1, double s2) {
    return std::fabs(s1 - s2) / std::hypot(1.0, s1) / std::hypot(1.0, s2);
}

// Far end of a measuring line. The edge from the vanishing point X through the origin O is cut
// at T; the ray from the measuring point M (on the line through X with slope lineSlope) through
// T, of slope raySlope, meets the measuring line, the line through O with slope lineSlope.
//
// When the edge runs along X-M (an edge point on the principal vertical, or on the horizon),
// the ray runs along the measuring line and the intersection is lost in rounding, or has no
// value at all on the line itself. T's place on the edge is still well defined, though: it is
// where the far corner's line from the other vanishing point crosses the edge. With
// T = X + t*(O - X), M + (T - M)/t = O + (X - M)*(1/t - 1) lies on the ray and on the measuring
// line, so the far end follows from t alone; t is read off as the projection of T - X on O - X.
// Away from that case the ray and the measuring line are intersected as they are.
Point farEnd(Point x, Point m, Point t, double raySlope, Point o, double lineSlope) {
    if (!nearlyParallelSlopes(raySlope, lineSlope))
        return intersect(m.x, m.y, raySlope, o.x, o.y, lineSlope);
    const double ex = o.x - x.x, ey = o.y - x.y;
    const double along = ((t.x - x.x) * ex + (t.y - x.y) * ey) / (ex * ex + ey * ey);
    const double k = 1 / along - 1;
    return {o.x + (x.x - m.x) * k, o.y + (x.y - m.y) * k};
}

std::int16_t signOf(double v) {
    return static_cast<std::int16_t>(v > 0 ? 1 : (v < 0 ? -1 : 0));
}

// Horizon, distance circle and principal distance. Returns the reason on failure.
const char* distanceCircle(const OrientationInput& in, Orientation& o) {
    const double cx = in.centreX, cy = in.centreY;
    const double hx = in.fuox, hy = in.fuoy, vx = in.fuvx, vy = in.fuvy;

    if (onOneVertical(cx, cy, vx, vy)) return refusal::centreAndVOnOneVertical;
    o.axisSlope = (cy - vy) / (cx - vx);
    o.horizonSlope = -1 / o.axisSlope;
    const double as = o.axisSlope, hs = o.horizonSlope;
    if (!allFinite({as, hs})) return refusal::vOnCentresHorizontal;

    // P: the horizon through H meets the principal vertical (y taken on the vertical).
    const double px = intersectX(hx, hy, hs, vx, vy, as);
    o.horizonFoot = {px, as * (px - vx) + vy};
    const double py = o.horizonFoot.y;
    o.circleRadius = distance(vx, vy, px, py) / 2;
    o.circleCentre = {(vx + px) / 2, (vy + py) / 2};
    if (!allFinite({px, py, o.circleRadius})) return refusal::horizonFootNotFinite;

    // Q: the line through C parallel to the horizon meets the circle on the diameter V-P.
    // The line-circle rule as stated holds for either sign of K.
    const auto q = lineCircle(hs, cy - hs * cx, o.circleCentre.x, o.circleCentre.y, o.circleRadius);
    if (!q) return refusal::centreOutsideCircle;
    o.rabattedEyeV = {q->xMinus, hs * (q->xMinus - cx) + cy};
    o.principalDistance = distance(o.rabattedEyeV.x, o.rabattedEyeV.y, cx, cy);
    if (!allFinite({o.rabattedEyeV.x, o.rabattedEyeV.y, o.principalDistance}))
        return refusal::rabattedEyeNotFinite;
    return nullptr;
}

// The two measuring points, from the principal distance. Returns the reason on failure.
const char* measuringPoints(const OrientationInput& in, Orientation& o) {
    const double cx = in.centreX, cy = in.centreY;
    const double hx = in.fuox, hy = in.fuoy, vx = in.fuvx, vy = in.fuvy;
    const double as = o.axisSlope, hs = o.horizonSlope, px = o.horizonFoot.x;

    // pv: on the principal vertical at the eye's distance from V, the root of smaller |y|.
    o.eyeToV = distance(vx, vy, o.rabattedEyeV.x, o.rabattedEyeV.y);
    const auto v = lineCircle(as, vy - as * vx, vx, vy, o.eyeToV);
    if (!v) return refusal::verticalMissesCircle;
    const Point v1{v->xMinus, as * (v->xMinus - cx) + cy};
    const Point v2{v->xPlus, as * (v->xPlus - cx) + cy};
    const Point pv = (std::fabs(v1.y) - std::fabs(cy) < std::fabs(v2.y) - std::fabs(cy)) ? v1 : v2;
    o.pvx = pv.x;
    o.pvy = pv.y;
    if (!allFinite({o.eyeToV, o.pvx, o.pvy})) return refusal::verticalPointNotFinite;

    // W: the eye rabatted about the line C-H, at the principal distance from C along the unit
    // normal of C-H that points to larger x (for a level C-H, the one pointing up when H is on
    // the right). Built from the normal's slope -1/(slope of C-H), W would have no value for a
    // level C-H and lose every digit close to it, though the rabatment is well defined there.
    if (onOneVertical(cx, cy, hx, hy)) return refusal::centreAndHOnOneVertical;
    const double toHx = hx - cx, toHy = hy - cy;
    const double toHLength = std::hypot(toHx, toHy);
    const double side = toHy < 0 ? 1 : -1;
    const double pd = o.principalDistance;
    o.rabattedEyeH = {cx - side * toHy / toHLength * pd, cy + side * toHx / toHLength * pd};

    // po: on the horizon at the eye's distance from H, the root of smaller |x|. W-C is
    // perpendicular to C-H, so that distance is the hypotenuse over the two.
    o.eyeToH = std::hypot(pd, toHLength);
    const auto h = lineCircle(hs, hy - hs * hx, hx, hy, o.eyeToH);
    if (!h) return refusal::horizonMissesCircle;
    const Point h1{h->xMinus, hs * (h->xMinus - hx) + hy};
    const Point h2{h->xPlus, hs * (h->xPlus - hx) + hy};
    const Point po = (std::fabs(h1.x) - std::fabs(px) < std::fabs(h2.x) - std::fabs(px)) ? h1 : h2;
    o.pox = po.x;
    o.poy = po.y;
    if (!allFinite({o.rabattedEyeH.x, o.rabattedEyeH.y, o.eyeToH, o.pox, o.poy}))
        return refusal::horizontalPointNotFinite;
    return nullptr;
}

// The region, its reference and opposite corners, the two edges through the origin, and O.
const char* region(const OrientationInput& in, Orientation& o) {
    const double hx = in.fuox, hy = in.fuoy, vx = in.fuvx, vy = in.fuvy;

    double xmin = 1, ymin = 1, xmax = in.imageWidth - 1, ymax = in.imageHeight - 1;
    if (in.areaStarts != 0) {
        xmin = in.areaXmin; ymin = in.areaYmin; xmax = in.areaXmax; ymax = in.areaYmax;
    }
    const bool top = vy > hy;    // R on the top side
    const bool left = hx > vx;   // R on the left side
    o.refCornerX = left ? xmin : xmax;
    o.refCornerY = top ? ymin : ymax;
    o.oppCornerX = left ? xmax : xmin;
    const auto oppY = text::toInt16(top ? ymax : ymin);
    if (!oppY) return refusal::oppositeCornerOutOfRange;
    o.oppCornerY = *oppY;

    const double rx = o.refCornerX, ry = o.refCornerY, ox = o.oppCornerX;
    const double oy = o.oppCornerY;  // the rounded value from here on
    const int refCase = in.areaStarts == 0 ? (top ? 3 : 4) : layoutCase(rx, ry, hx, hy, vx, vy);
    o.cornerCase = static_cast<std::int16_t>(refCase);
    o.farCase = layoutCase(ox, oy, hx, hy, vx, vy);
    if (o.cornerCase == 0 || o.farCase == 0) return refusal::cornerNotClassified;

    // The two edges through the origin: towards V and towards H.
    const bool oppositeEdgeToV = o.cornerCase >= 3;
    const bool oppositeEdgeToH = o.cornerCase == 2 || o.cornerCase == 4;
    o.vertEdgeSlope = ((oppositeEdgeToV ? oy : ry) - vy) / (rx - vx);
    o.horizEdgeSlope = (ry - hy) / ((oppositeEdgeToH ? ox : rx) - hx);
    const double ves = o.vertEdgeSlope, hes = o.horizEdgeSlope;
    if (o.cornerCase == 1) {
        o.originX = rx;
        o.originY = ry;
    } else {
        o.originX = intersectX(vx, vy, ves, hx, hy, hes);
        o.originY = ves * (o.originX - vx) + vy;
    }
    if (!allFinite({ves, hes, o.originX, o.originY})) return refusal::originNotFinite;
    return nullptr;
}

// The far ends of the two measuring lines through O, their directions and the output size.
const char* farEnds(const OrientationInput& in, Orientation& o) {
    const double hx = in.fuox, hy = in.fuoy, vx = in.fuvx, vy = in.fuvy;
    const double rx = o.refCornerX, ry = o.refCornerY, ox = o.oppCornerX;
    const double oy = o.oppCornerY;  // the rounded value
    const double ves = o.vertEdgeSlope, hes = o.horizEdgeSlope;
    const bool hRayFromRef = o.farCase == 2 || o.farCase == 4;
    const bool vRayFromRef = o.farCase >= 3;
    const Point hRay{hRayFromRef ? rx : ox, oy};
    const Point vRay{ox, vRayFromRef ? ry : oy};

    // Height end: the far corner's line towards H cuts the vertical edge at T1; the ray from
    // pv through T1 meets the vertical measuring line through O.
    const Point v{vx, vy}, origin{o.originX, o.originY};
    const double s1 = (hy - hRay.y) / (hx - hRay.x);
    const Point t1 = intersect(hx, hy, s1, vx, vy, ves);
    const double s2 = (o.pvy - t1.y) / (o.pvx - t1.x);
    const Point a = farEnd(v, o.pv(), t1, s2, origin, o.axisSlope);
    o.maxax = a.x;
    o.maxay = a.y;

    // Width end, likewise through V, the horizontal edge and po.
    const double s3 = (vy - vRay.y) / (vx - vRay.x);
    const Point t2 = intersect(vx, vy, s3, hx, hy, hes);
    double s4 = (o.poy - t2.y) / (o.pox - t2.x);
    if (s4 == 0) s4 = 1;
    const Point b = farEnd({hx, hy}, o.po(), t2, s4, origin, o.horizonSlope);
    o.maxbx = b.x;
    o.maxby = b.y;
    if (!allFinite({s1, t1.x, t1.y, s2, a.x, a.y, s3, t2.x, t2.y, s4, b.x, b.y}))
        return refusal::farEndNotFinite;

    o.rowSign = signOf(o.maxay - o.originY);
    o.colSign = signOf(o.maxbx - o.originX);
    o.rectHeight = std::floor(distance(o.originX, o.originY, o.maxax, o.maxay) / in.pixelStep);
    o.rectWidth = std::floor(distance(o.originX, o.originY, o.maxbx, o.maxby) / in.pixelStep);
    if (!allFinite({o.rectHeight, o.rectWidth})) return refusal::sizeNotFinite;
    return nullptr;
}

std::size_t tableRows(double size, std::size_t cap) {
    return static_cast<std::size_t>(std::min(size, static_cast<double>(cap))) + 1;
}

// Equally spaced marks along the two measuring lines, one output pixel apart.
void marks(const OrientationInput& in, Orientation& o) {
    const double step = in.pixelStep;
    // The loop advances by whole output steps; a step below 1 would never advance.
    const std::size_t stride =
        step < 2 ? 1 : static_cast<std::size_t>(std::min(std::floor(step), 65536.0));
    // The measuring lines run perpendicular to and along the horizon, whose angle is a.
    const double a = std::atan(o.horizonSlope);
    const double rowDx = std::sin(-a), rowDy = std::cos(-a);
    const double colDx = std::cos(a), colDy = std::sin(a);

    o.rowPoints.assign(tableRows(o.rectHeight, maxRowMarks), MarkRow{});
    o.colPoints.assign(tableRows(o.rectWidth, in.columnMarks), MarkRow{});
    for (std::size_t i = 1; i < o.rowPoints.size(); i += stride) {
        const double k = static_cast<double>(i);
        o.rowPoints[i][2] = o.originX + k * o.rowSign * step * rowDx;
        o.rowPoints[i][3] = o.originY + k * o.rowSign * step * rowDy;
    }
    for (std::size_t j = 1; j < o.colPoints.size(); j += stride) {
        const double k = static_cast<double>(j);
        o.colPoints[j][2] = o.originX + k * o.colSign * step * colDx;
        o.colPoints[j][3] = o.originY + k * o.colSign * step * colDy;
    }
}

}  // namespace

bool nearlyParallelSlopes(double s1, double s2) {
    return sineBetween(s1, s2) <= nearlyParallel;
}

std::optional<Point> footAlongEdge(Point x, Point m, Point o, Point a, double raySlope, double edgeSlope) {
    if (!nearlyParallelSlopes(raySlope, edgeSlope)) return std::nullopt;
    if (!nearlyParallelSlopes((m.y - x.y) / (m.x - x.x), edgeSlope)) return std::nullopt;
    const double dx = x.x - m.x, dy = x.y - m.y;
    const double k = ((a.x - o.x) * dx + (a.y - o.y) * dy) / (dx * dx + dy * dy);
    const double t = 1 / (1 + k);
    return Point{x.x + (o.x - x.x) * t, x.y + (o.y - x.y) * t};
}

bool refusedForCentre(std::string_view why) {
    return why == refusal::centreAndVOnOneVertical || why == refusal::vOnCentresHorizontal ||
           why == refusal::centreAndHOnOneVertical;
}

int layoutCase(double X, double Y, double fuox, double fuoy, double fuvx, double fuvy) {
    static constexpr int table[4][4] = {{1, 2, 3, 4}, {3, 4, 1, 2}, {2, 1, 4, 3}, {4, 3, 2, 1}};
    const int block = (fuvy < fuoy ? 0 : 2) + (fuox > fuvx ? 0 : 1);
    const auto& row = table[block];
    int result = 0;
    if (X >= fuvx && Y <= fuoy) result = row[0];
    if (X >= fuvx && Y >= fuoy) result = row[1];
    if (X <= fuvx && Y <= fuoy) result = row[2];
    if (X <= fuvx && Y >= fuoy) result = row[3];
    return result;
}

std::optional<Orientation> orient(const OrientationInput& in, std::string* whyDegenerate) {
    if (!allFinite({in.centreX, in.centreY, in.fuox, in.fuoy, in.fuvx, in.fuvy, in.areaXmin,
                    in.areaYmin, in.areaXmax, in.areaYmax, in.imageWidth, in.imageHeight,
                    in.pixelStep}))
        return refuse(whyDegenerate, refusal::inputNotFinite);
    if (!(in.pixelStep > 0)) return refuse(whyDegenerate, refusal::stepNotPositive);

    Orientation o;
    if (const char* why = distanceCircle(in, o)) return refuse(whyDegenerate, why);
    if (const char* why = measuringPoints(in, o)) return refuse(whyDegenerate, why);
    if (const char* why = region(in, o)) return refuse(whyDegenerate, why);
    if (const char* why = farEnds(in, o)) return refuse(whyDegenerate, why);
    marks(in, o);
    return o;
}

}  // namespace velta::geom

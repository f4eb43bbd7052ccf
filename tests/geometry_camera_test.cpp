#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/orientation.h"
#include "geometry/vanishing.h"
#include "testutils.h"

using namespace velta::geom;
using velta::testing::cornersOnLine;
using velta::testing::exactInput;
using velta::testing::MarkedLines;
using velta::testing::Camera;
using velta::testing::cameraAt;
using velta::testing::depth;
using velta::testing::facadePoint;
using velta::testing::horizontalVanishing;
using velta::testing::rollPuttingHBelowCentre;
using velta::testing::verticalVanishing;

namespace {

double dist(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

struct Shot {
    const char* name;
    double width, height, f, cx, cy;
    double yaw, pitch, roll;       // degrees, as sample/camera.h turns its camera
    bool withArea;
    bool kPositive;                // sign of K in the rabatted-eye step
};

Camera cameraOf(const Shot& s) {
    return cameraAt(s.f, s.cx, s.cy, 0, 0, 6000, s.yaw, s.pitch, s.roll);
}

// The façade rectangle seen around the middle of the picture: the bounding box, on the
// façade, of the points shown at 20 % and 80 % of the picture's width and height.
struct Rect {
    double u0, v0, u1, v1;
};
Rect facadeRect(const Camera& cam, const Shot& s) {
    Rect r{1e300, 1e300, -1e300, -1e300};
    for (const double fx : {0.2, 0.8})
        for (const double fy : {0.2, 0.8}) {
            const auto p = facadePoint(cam, {fx * s.width, fy * s.height});
            EXPECT_TRUE(p);
            r.u0 = std::min(r.u0, p->x); r.u1 = std::max(r.u1, p->x);
            r.v0 = std::min(r.v0, p->y); r.v1 = std::max(r.v1, p->y);
        }
    return r;
}

OrientationInput inputOf(const Shot& s, const VanishingResult& vp) {
    OrientationInput in;
    in.centreX = s.cx; in.centreY = s.cy;
    in.fuox = vp.fuox; in.fuoy = vp.fuoy; in.fuvx = vp.fuvx; in.fuvy = vp.fuvy;
    in.imageWidth = s.width; in.imageHeight = s.height;
    if (s.withArea) {
        in.areaStarts = 1;
        in.areaXmin = std::floor(0.3 * s.width); in.areaYmin = std::floor(0.25 * s.height);
        in.areaXmax = std::floor(0.7 * s.width); in.areaYmax = std::floor(0.8 * s.height);
    }
    return in;
}

// The source point of rectified pixel (row i, column j): the ray from pv through row mark i
// cuts the vertical edge, whose point joined to H is the row's line; the ray from po through
// column mark j cuts the horizontal edge, whose point joined to V is the column's line.
Point sourcePoint(const Orientation& o, const OrientationInput& in, std::size_t i, std::size_t j) {
    const auto& a = o.rowPoints[i];
    const double rowRay = (o.pvy - a[3]) / (o.pvx - a[2]);
    const Point rowFoot = intersect(o.pvx, o.pvy, rowRay, o.originX, o.originY, o.vertEdgeSlope);
    const double rowLine = (rowFoot.y - in.fuoy) / (rowFoot.x - in.fuox);
    const auto& b = o.colPoints[j];
    const double colRay = (o.poy - b[3]) / (o.pox - b[2]);
    const Point colFoot = intersect(o.pox, o.poy, colRay, o.originX, o.originY, o.horizEdgeSlope);
    const double colLine = (colFoot.y - in.fuvy) / (colFoot.x - in.fuvx);
    return intersect(in.fuox, in.fuoy, rowLine, in.fuvx, in.fuvy, colLine);
}

// Checks that rectified (row, column) -> façade is a similarity with axes along the façade's
// vertical and horizontal, to the given relative tolerance.
void expectSimilarity(const Camera& cam, const Orientation& o, const OrientationInput& in,
                      double tol) {
    const std::size_t rows = o.rowPoints.size() - 1, cols = o.colPoints.size() - 1;
    ASSERT_GT(rows, 20u);
    ASSERT_GT(cols, 20u);
    const auto facade = [&](std::size_t i, std::size_t j) {
        const auto p = facadePoint(cam, sourcePoint(o, in, i, j));
        EXPECT_TRUE(p);
        return p.value_or(Point{});
    };
    const Point a0 = facade(1, 1);
    const Point rowEnd = facade(rows, 1), colEnd = facade(1, cols);
    const Point down{(rowEnd.x - a0.x) / static_cast<double>(rows - 1),
                     (rowEnd.y - a0.y) / static_cast<double>(rows - 1)};
    const Point across{(colEnd.x - a0.x) / static_cast<double>(cols - 1),
                       (colEnd.y - a0.y) / static_cast<double>(cols - 1)};
    const double lenDown = std::hypot(down.x, down.y), lenAcross = std::hypot(across.x, across.y);
    EXPECT_NEAR(lenDown / lenAcross, 1, tol) << "aspect";
    EXPECT_LT(std::fabs(down.x * across.x + down.y * across.y) / (lenDown * lenAcross), tol);
    EXPECT_LT(std::fabs(down.x) / lenDown, tol) << "rows follow the façade's vertical";
    EXPECT_LT(std::fabs(across.y) / lenAcross, tol) << "columns follow the façade's horizontal";
    // Equal steps all the way across: interior pixels land where the affine grid puts them.
    for (const auto& [i, j] : {std::pair{rows / 2, cols / 3}, std::pair{rows, cols},
                              std::pair{rows / 5, cols - 1}}) {
        const Point p = facade(i, j);
        const double di = static_cast<double>(i - 1), dj = static_cast<double>(j - 1);
        const Point expected{a0.x + di * down.x + dj * across.x, a0.y + di * down.y + dj * across.y};
        EXPECT_LT(dist(p, expected) / (lenDown * static_cast<double>(rows + cols)), tol);
    }
}

const std::vector<Shot>& shots() {
    static const std::vector<Shot> all = {
        {"up, right", 640, 480, 700, 320, 240, 20, 15, -3, false, false},
        {"down, left", 800, 600, 900, 400, 300, -25, -12, 4, false, false},
        {"up, left, area", 1024, 768, 1100, 512, 384, -18, 22, -6, true, false},
        {"down, right, area", 1200, 900, 1300, 600, 450, 30, -20, 2, true, false},
        {"wide angle", 2000, 1500, 800, 1000, 750, 15, 10, -2, false, true},
        {"wide angle, area", 2000, 1500, 850, 1000, 750, -12, -14, 3, true, true},
        {"centre moved right", 1600, 1200, 1400, 1450, 600, -20, -18, -5, false, true},
    };
    return all;
}

}  // namespace

TEST(GeometryCamera, vanishingPointsAndPrincipalDistanceMatchTheCamera) {
    bool sawPositiveK = false, sawNegativeK = false;
    for (const Shot& s : shots()) {
        SCOPED_TRACE(s.name);
        const Camera cam = cameraOf(s);
        const Rect r = facadeRect(cam, s);
        const MarkedLines lines(cam, r.u0, r.v0, r.u1, r.v1);
        const VanishingResult vp = vanishingPoints(lines.lineEnds);
        ASSERT_TRUE(vp.bothMeet());
        const Point h = horizontalVanishing(cam), v = verticalVanishing(cam);
        EXPECT_LT(dist({vp.fuox, vp.fuoy}, h), 1e-7 * dist(h, {s.cx, s.cy}));
        EXPECT_LT(dist({vp.fuvx, vp.fuvy}, v), 1e-7 * dist(v, {s.cx, s.cy}));
        // Looking up puts V above the picture, turning right puts H to the right.
        EXPECT_EQ(vp.fuvy < 0, s.pitch > 0);
        EXPECT_EQ(vp.fuox > s.cx, s.yaw > 0);

        std::string why;
        const OrientationInput in = inputOf(s, vp);
        const auto o = orient(in, &why);
        ASSERT_TRUE(o) << why;
        EXPECT_NEAR(o->principalDistance, s.f, 1e-3 * s.f);

        // K of the rabatted-eye step: the power of the line's point at x = 0 about the circle.
        const double b = s.cy - o->horizonSlope * s.cx;
        const double k = o->circleCentre.x * o->circleCentre.x +
                         (b - o->circleCentre.y) * (b - o->circleCentre.y) -
                         o->circleRadius * o->circleRadius;
        EXPECT_EQ(k > 0, s.kPositive) << "K = " << k;
        (k > 0 ? sawPositiveK : sawNegativeK) = true;
    }
    EXPECT_TRUE(sawPositiveK && sawNegativeK);
}

TEST(GeometryCamera, marksLieOnTheMeasuringLinesThroughTheOrigin) {
    for (const Shot& s : shots()) {
        SCOPED_TRACE(s.name);
        const Camera cam = cameraOf(s);
        const Rect r = facadeRect(cam, s);
        const VanishingResult vp = vanishingPoints(MarkedLines(cam, r.u0, r.v0, r.u1, r.v1).lineEnds);
        const auto o = orient(inputOf(s, vp));
        ASSERT_TRUE(o);
        const double ox = o->originX, oy = o->originY;
        for (std::size_t i = 1; i < o->rowPoints.size(); i += 7) {
            const auto& m = o->rowPoints[i];
            const double off = (m[3] - oy) - o->axisSlope * (m[2] - ox);
            EXPECT_LT(std::fabs(off) / std::hypot(1, o->axisSlope), 1e-6) << "row " << i;
        }
        for (std::size_t j = 1; j < o->colPoints.size(); j += 7) {
            const auto& m = o->colPoints[j];
            const double off = (m[3] - oy) - o->horizonSlope * (m[2] - ox);
            EXPECT_LT(std::fabs(off) / std::hypot(1, o->horizonSlope), 1e-6) << "column " << j;
        }
    }
}

TEST(GeometryCamera, exactClicksRectifyToASimilarity) {
    for (const Shot& s : shots()) {
        SCOPED_TRACE(s.name);
        const Camera cam = cameraOf(s);
        const Rect r = facadeRect(cam, s);
        const VanishingResult vp = vanishingPoints(MarkedLines(cam, r.u0, r.v0, r.u1, r.v1).lineEnds);
        const OrientationInput in = inputOf(s, vp);
        const auto o = orient(in);
        ASSERT_TRUE(o);
        expectSimilarity(cam, *o, in, 1e-3);
    }
}

TEST(GeometryCamera, wholePixelClicksOnLargePicturesRectifyWithinOnePercent) {
    const std::vector<Shot> large = {
        {"large up, right", 2400, 1800, 2600, 1200, 900, 28, 20, -3, false, false},
        {"large down, left, area", 3000, 2000, 2800, 1500, 1000, -30, -22, 4, true, false},
        {"large wide angle", 2048, 1536, 950, 1024, 768, 20, 16, -2.5, false, true},
    };
    for (const Shot& s : large) {
        SCOPED_TRACE(s.name);
        const Camera cam = cameraOf(s);
        const Rect r = facadeRect(cam, s);
        const MarkedLines clicks(cam, r.u0, r.v0, r.u1, r.v1, true);
        const VanishingResult vp = vanishingPoints(clicks.lineEnds);
        ASSERT_TRUE(vp.bothMeet());
        const OrientationInput in = inputOf(s, vp);
        const auto o = orient(in);
        ASSERT_TRUE(o);
        EXPECT_NEAR(o->principalDistance, s.f, 0.05 * s.f);
        expectSimilarity(cam, *o, in, 1e-2);
    }
}

TEST(GeometryCamera, verticalsMeetingOnTheCentresVerticalAreDegenerate) {
    // No roll: V falls on the centre's vertical up to rounding.
    const Shot s{"no roll", 640, 480, 700, 320, 240, 20, 15, 0, false, false};
    const Camera cam = cameraOf(s);
    const Rect r = facadeRect(cam, s);
    const VanishingResult vp = vanishingPoints(MarkedLines(cam, r.u0, r.v0, r.u1, r.v1).lineEnds);
    ASSERT_TRUE(vp.bothMeet());
    std::string why;
    EXPECT_FALSE(orient(inputOf(s, vp), &why));
    EXPECT_EQ(why, "centre and V on one vertical");

    // Symmetric clicks meet exactly at x = 320, the default centre of a 640-wide picture.
    MarkedLines sym(cam, r.u0, r.v0, r.u1, r.v1);
    sym.lineEnds[3][1] = 100; sym.lineEnds[3][2] = 400; sym.lineEnds[3][3] = 110; sym.lineEnds[3][4] = 100;
    sym.lineEnds[4][1] = 540; sym.lineEnds[4][2] = 400; sym.lineEnds[4][3] = 530; sym.lineEnds[4][4] = 100;
    const VanishingResult svp = vanishingPoints(sym.lineEnds);
    ASSERT_TRUE(svp.bothMeet());
    EXPECT_EQ(svp.fuvx, 320.0);
    EXPECT_FALSE(orient(inputOf(s, svp), &why));
    EXPECT_EQ(why, "centre and V on one vertical");
}

namespace {

// Output row (or column) of a picture point X: the line from the vanishing point through X
// cuts the reference edge; the ray from the measuring point through that cut meets the
// measuring line at this many output pixels from the origin.
double outputIndex(Point x, Point vanishing, double edgeSlope, Point measuring, double lineSlope,
                   const Orientation& o, double step) {
    const double toX = (x.y - vanishing.y) / (x.x - vanishing.x);
    const Point cut = intersect(vanishing.x, vanishing.y, toX, o.originX, o.originY, edgeSlope);
    const double ray = (measuring.y - cut.y) / (measuring.x - cut.x);
    const Point m = intersect(measuring.x, measuring.y, ray, o.originX, o.originY, lineSlope);
    return std::hypot(m.x - o.originX, m.y - o.originY) / step;
}

}  // namespace

TEST(GeometryCamera, everyCornerCaseFramesItsAreaAndRectifiesToASimilarity) {
    bool seenCase[5] = {};
    for (const double yaw : {-20.0, 20.0})
        for (const double pitch : {-15.0, 15.0})
            for (const double roll : {3.0, -3.0})
                for (const double ax : {10.0, 170.0, 330.0, 490.0})
                    for (const double ay : {10.0, 250.0}) {
                        SCOPED_TRACE(testing::Message() << yaw << " " << pitch << " " << roll
                                                        << " area at " << ax << ", " << ay);
                        const Shot s{"sweep", 640, 480, 700, 320, 240, yaw, pitch, roll, false, false};
                        const Camera cam = cameraOf(s);
                        const Rect r = facadeRect(cam, s);
                        const VanishingResult vp =
                            vanishingPoints(MarkedLines(cam, r.u0, r.v0, r.u1, r.v1).lineEnds);
                        OrientationInput in = inputOf(s, vp);
                        in.areaStarts = 3;
                        in.areaXmin = ax; in.areaXmax = ax + 140;
                        in.areaYmin = ay; in.areaYmax = ay + 190;
                        const auto o = orient(in);
                        ASSERT_TRUE(o);
                        seenCase[o->cornerCase] = true;
                        // The origin: where the edge towards V through R (case 1, 2) or through
                        // the corner below or above R (3, 4) meets the edge towards H through R
                        // (1, 3) or through the corner beside R (2, 4).
                        const Point origin{o->originX, o->originY};
                        const Point edgeToV{o->refCornerX, o->cornerCase >= 3 ? o->oppCornerY : o->refCornerY};
                        const bool besideR = o->cornerCase == 2 || o->cornerCase == 4;
                        const Point edgeToH{besideR ? o->oppCornerX : o->refCornerX, o->refCornerY};
                        const auto offLine = [](Point p, Point a, Point b) {
                            return std::fabs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / dist(a, b);
                        };
                        EXPECT_LT(offLine(origin, {in.fuvx, in.fuvy}, edgeToV), 1e-6);
                        EXPECT_LT(offLine(origin, {in.fuox, in.fuoy}, edgeToH), 1e-6);
                        if (o->cornerCase == 1) {
                            EXPECT_EQ(dist(origin, {o->refCornerX, o->refCornerY}), 0);
                        }
                        // Each corner of the area falls inside the frame, and the frame is no
                        // bigger than the area needs: some corner reaches each far side.
                        double maxRow = 0, maxCol = 0;
                        for (const double x : {in.areaXmin, in.areaXmax})
                            for (const double y : {in.areaYmin, in.areaYmax}) {
                                const double row = outputIndex({x, y}, {in.fuox, in.fuoy}, o->vertEdgeSlope,
                                                               o->pv(), o->axisSlope, *o, 1);
                                const double col = outputIndex({x, y}, {in.fuvx, in.fuvy}, o->horizEdgeSlope,
                                                               o->po(), o->horizonSlope, *o, 1);
                                EXPECT_LT(row, o->rectHeight + 1);
                                EXPECT_LT(col, o->rectWidth + 1);
                                maxRow = std::max(maxRow, row);
                                maxCol = std::max(maxCol, col);
                            }
                        EXPECT_GE(maxRow, o->rectHeight);
                        EXPECT_GE(maxCol, o->rectWidth);
                        expectSimilarity(cam, *o, in, 1e-3);
                    }
    EXPECT_TRUE(seenCase[1] && seenCase[2] && seenCase[3] && seenCase[4]);
}

namespace {

// Frame sizes, in source pixels (before the output step and the floor).
struct FrameSize {
    double height = 0, width = 0;
};

FrameSize frameSize(const Orientation& o) {
    return {std::hypot(o.maxax - o.originX, o.maxay - o.originY),
            std::hypot(o.maxbx - o.originX, o.maxby - o.originY)};
}

// The frame's size as the camera has it: how far the region's corners reach on the façade from
// the origin's façade point, down and across, at the picture's scale there (f over the depth).
FrameSize trueFrameSize(const Camera& cam, const Orientation& o) {
    const auto origin = facadePoint(cam, {o.originX, o.originY});
    EXPECT_TRUE(origin);
    if (!origin) return {};
    const double scale = cam.focalPx / depth(cam, origin->x, origin->y);
    FrameSize size;
    for (const double x : {o.refCornerX, o.oppCornerX})
        for (const double y : {o.refCornerY, static_cast<double>(o.oppCornerY)}) {
            const auto p = facadePoint(cam, {x, y});
            EXPECT_TRUE(p);
            if (!p) continue;
            size.height = std::max(size.height, std::fabs(p->y - origin->y) * scale);
            size.width = std::max(size.width, std::fabs(p->x - origin->x) * scale);
        }
    return size;
}

void expectSize(const FrameSize& got, const FrameSize& want, double tol) {
    EXPECT_NEAR(got.height, want.height, tol * want.height) << "height";
    EXPECT_NEAR(got.width, want.width, tol * want.width) << "width";
}

}  // namespace

TEST(GeometryCamera, anAreaCornerOnThePrincipalVerticalOrTheHorizonKeepsTheTrueSize) {
    // The edge towards V then runs along the principal vertical (a corner on the centre), or
    // the edge towards H along the horizon, and the far ends are found along those lines.
    const auto on = cornersOnLine(0), before = cornersOnLine(-1e-6), after = cornersOnLine(1e-6);
    EXPECT_GE(on.size(), 8u) << "an area on each line for every camera";
    ASSERT_EQ(before.size(), on.size());
    ASSERT_EQ(after.size(), on.size());
    for (std::size_t n = 0; n < on.size(); ++n) {
        SCOPED_TRACE(on[n].name);
        const Camera& cam = on[n].cam;
        ASSERT_TRUE(on[n].o && before[n].o && after[n].o);
        const FrameSize size = frameSize(*on[n].o), truth = trueFrameSize(cam, *on[n].o);
        expectSize(size, truth, 1e-9);
        EXPECT_EQ(on[n].o->rectHeight, std::floor(truth.height));
        EXPECT_EQ(on[n].o->rectWidth, std::floor(truth.width));

        const FrameSize a = frameSize(*before[n].o), b = frameSize(*after[n].o);
        expectSize(a, trueFrameSize(cam, *before[n].o), 1e-9);
        expectSize(b, trueFrameSize(cam, *after[n].o), 1e-9);
        // Either side the size moves linearly with the corner: the mean is the limit.
        expectSize({(a.height + b.height) / 2, (a.width + b.width) / 2}, size, 1e-9);
    }
}

TEST(GeometryCamera, horizontalVanishingPointLevelWithTheCentreKeepsTheTrueSize) {
    // W, the eye turned down about C-H, is at the principal distance from C across C-H, so
    // |HW| is the hypotenuse over |CH| and the principal distance, level or not.
    for (const auto& [yaw, pitch] : {std::pair{25.0, -15.0}, std::pair{-20.0, 12.0}})
        for (const double off : {0.0, 1e-9, -1e-9, 1e-5, -1e-5, 1.0, -1.0}) {
            SCOPED_TRACE(testing::Message() << yaw << " " << pitch << ", H " << off << " px below the centre");
            const Camera cam = cameraAt(1000, 500, 400, 0, 0, 6000, yaw, pitch,
                                         rollPuttingHBelowCentre(1000, yaw, pitch, off));
            OrientationInput in = exactInput(cam);
            ASSERT_NEAR(in.fuoy, 400 + off, 1e-11);
            in.fuoy = 400 + off;
            std::string why;
            const auto o = orient(in, &why);
            if (!o) {
                ADD_FAILURE() << "refused: " << why;
                continue;
            }
            const Point c{in.centreX, in.centreY}, h{in.fuox, in.fuoy}, w = o->rabattedEyeH;
            EXPECT_NEAR(o->principalDistance, 1000, 1e-9);
            EXPECT_NEAR(o->eyeToH, std::hypot(1000, dist(c, h)), 1e-12 * o->eyeToH);
            EXPECT_NEAR(dist(w, c), o->principalDistance, 1e-9);
            EXPECT_NEAR((w.x - c.x) * (h.x - c.x) + (w.y - c.y) * (h.y - c.y), 0, 1e-9 * dist(c, h));
            expectSize(frameSize(*o), trueFrameSize(cam, *o), 1e-9);
        }
}

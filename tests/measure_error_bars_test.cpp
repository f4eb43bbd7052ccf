// The error bars of measured lengths against the truth: a façade photographed by a pinhole
// camera, its edges marked with whole-pixel clicks, lengths between known façade points measured
// on the rectification; the true length must lie within the bar.
#include "geometry/orientation.h"
#include "geometry/vanishing.h"
#include "measure/error_bars.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace velta;
using velta::testing::Camera;
using velta::testing::cameraAt;
using velta::testing::facadePoint;
using velta::testing::imageOf;
using velta::testing::MarkedLines;

namespace {

struct Shot {
    const char* name;
    double width, height, f, cx, cy;
    double yaw, pitch, roll;   // degrees, as sample/camera.h turns its camera
    bool withArea;
};

struct Rect {
    double u0, v0, u1, v1;
};

// A shot with its façade rectangle (the façade seen between 20 % and 80 % of the picture), the
// four edges clicked to the nearest whole pixel, and the construction made from them.
struct Scene {
    Camera cam;
    Rect r;
    double lineEnds[6][6] = {};
    geom::OrientationInput in;
    geom::VanishingPoints vp;
    geom::Orientation frame;
    bool ok = false;

    explicit Scene(const Shot& s) : cam(cameraAt(s.f, s.cx, s.cy, 0, 0, 6000, s.yaw, s.pitch, s.roll)) {
        r = {1e300, 1e300, -1e300, -1e300};
        for (const double fx : {0.2, 0.8})
            for (const double fy : {0.2, 0.8}) {
                const auto p = facadePoint(cam, {fx * s.width, fy * s.height});
                if (!p) return;
                r.u0 = std::min(r.u0, p->x); r.u1 = std::max(r.u1, p->x);
                r.v0 = std::min(r.v0, p->y); r.v1 = std::max(r.v1, p->y);
            }
        const MarkedLines exact(cam, r.u0, r.v0, r.u1, r.v1);
        for (int n = 1; n <= 4; ++n)
            for (int c = 1; c <= 4; ++c) lineEnds[n][c] = std::round(exact.lineEnds[n][c]);
        const geom::VanishingResult v = geom::vanishingPoints(lineEnds);
        if (!v.bothMeet()) return;
        in.centreX = s.cx; in.centreY = s.cy;
        in.fuox = v.fuox; in.fuoy = v.fuoy; in.fuvx = v.fuvx; in.fuvy = v.fuvy;
        in.imageWidth = s.width; in.imageHeight = s.height;
        if (s.withArea) {
            in.areaStarts = 1;
            in.areaXmin = std::floor(0.3 * s.width); in.areaYmin = std::floor(0.25 * s.height);
            in.areaXmax = std::floor(0.7 * s.width); in.areaYmax = std::floor(0.8 * s.height);
        }
        vp = {v.fuox, v.fuoy, v.fuvx, v.fuvy};
        const auto o = geom::orient(in);
        if (!o) return;
        frame = *o;
        ok = true;
    }

    // The façade point at fractions (a, b) of the rectangle.
    geom::Point at(double a, double b) const { return {r.u0 + a * (r.u1 - r.u0), r.v0 + b * (r.v1 - r.v0)}; }

    // The pair a user clicks between two façade points on the rectified picture, to the nearest pixel.
    measure::Pair clicked(geom::Point a, geom::Point b) const {
        const geom::Point ia = imageOf(cam, a.x, a.y), ib = imageOf(cam, b.x, b.y);
        const auto ra = measure::rectifiedPointOf(frame, vp, ia.x, ia.y);
        const auto rb = measure::rectifiedPointOf(frame, vp, ib.x, ib.y);
        EXPECT_TRUE(ra && rb);
        if (!ra || !rb) return {};
        return {std::round(ra->x), std::round(ra->y), std::round(rb->x), std::round(rb->y)};
    }
};

double lengthOf(const measure::Pair& p) { return std::hypot(p.x2 - p.x1, p.y2 - p.y1); }
double dist(geom::Point a, geom::Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

const Shot strong{"strong perspective", 2400, 1800, 2400, 1200, 900, 35, 25, -4, false};
// The same turn with hardly any pitch: the verticals meet far away.
const Shot farV{"far vertical vanishing point", 2400, 1800, 2400, 1200, 900, 35, 2, -4, false};
const Shot shots[] = {
    strong,
    farV,
    {"down, left, area", 3000, 2000, 2800, 1500, 1000, -30, -22, 4, true},
    {"wide angle", 2048, 1536, 950, 1024, 768, 20, 16, -2.5, false},
};

}  // namespace

TEST(MeasureErrorBars, continuousMapsAgreeWithTheConstructionAndInvertEachOther) {
    for (const Shot& s : shots) {
        SCOPED_TRACE(s.name);
        const Scene k(s);
        ASSERT_TRUE(k.ok);
        const int w = rectify::columnCount(k.frame), h = rectify::rowCount(k.frame);
        ASSERT_GT(w, 10);
        ASSERT_GT(h, 10);
        for (const int i : {1, h / 3, h / 2, h}) {
            for (const int j : {1, w / 4, w - 7, w}) {
                // Pixel (x, y) shows mark j (mirrored when the columns run backwards) of row mark
                // i (counted from the bottom when the rows run from the top).
                const double x = k.frame.colSign == -1 ? w - j : j - 1;
                const double y = k.vp.fuvy > k.vp.fuoy ? i - 1 : h - i;
                const rectify::SourcePoint truth = rectify::sourcePoint(k.frame, k.vp, i, j);
                ASSERT_TRUE(truth.finite);
                const auto p = measure::sourcePointOf(k.frame, k.vp, x, y);
                ASSERT_TRUE(p);
                const double scale = std::max(1.0, std::hypot(truth.x, truth.y));
                EXPECT_NEAR(p->x, truth.x, 1e-9 * scale);
                EXPECT_NEAR(p->y, truth.y, 1e-9 * scale);
            }
        }
        for (double v = -20; v <= h + 20; v += h / 7.3)
            for (double u = -20; u <= w + 20; u += w / 6.1) {
                const auto p = measure::sourcePointOf(k.frame, k.vp, u, v);
                ASSERT_TRUE(p);
                const auto back = measure::rectifiedPointOf(k.frame, k.vp, p->x, p->y);
                ASSERT_TRUE(back);
                EXPECT_NEAR(back->x, u, 1e-6);
                EXPECT_NEAR(back->y, v, 1e-6);
            }
    }
}

TEST(MeasureErrorBars, trueLengthsLieWithinTheBars) {
    for (const Shot& s : shots) {
        SCOPED_TRACE(s.name);
        const Scene k(s);
        ASSERT_TRUE(k.ok);
        const geom::Point a = k.at(0.1, 0.1), b = k.at(0.9, 0.1), c = k.at(0.1, 0.9), d = k.at(0.9, 0.9);
        const geom::Point e = k.at(0.45, 0.3), g = k.at(0.6, 0.7);
        const std::vector<std::pair<geom::Point, geom::Point>> truth = {{a, b}, {a, c}, {b, c}, {e, g}, {c, d}, {e, d}};
        std::vector<measure::Pair> pairs;
        for (const auto& [p, q] : truth) pairs.push_back(k.clicked(p, q));

        const auto bars = measure::errorBars(k.lineEnds, k.in, pairs, 0);
        ASSERT_TRUE(bars);
        ASSERT_EQ(bars->pairs.size(), pairs.size());
        EXPECT_EQ(bars->pairs[0], 0);
        EXPECT_FALSE(bars->poorlyDetermined);
        for (std::size_t n = 1; n < pairs.size(); ++n) {
            const double measured = lengthOf(pairs[n]) / lengthOf(pairs[0]) * dist(truth[0].first, truth[0].second);
            const double error = std::fabs(measured / dist(truth[n].first, truth[n].second) - 1);
            EXPECT_LE(error, bars->pairs[n]) << "pair " << n;
            // A bar that says nothing would pass too: it stays a few per cent at most here.
            EXPECT_GT(bars->pairs[n], 0);
            EXPECT_LT(bars->pairs[n], 0.05) << "pair " << n;
        }
        EXPECT_GT(bars->aspect, 0);
        EXPECT_LT(bars->aspect, 0.05);
    }
}

TEST(MeasureErrorBars, aFarVanishingPointGivesLargerBarsAndANearlyFrontalOneIsPoorlyDetermined) {
    const auto barOf = [](const Shot& s) {
        const Scene k(s);
        EXPECT_TRUE(k.ok);
        const std::vector<measure::Pair> pairs = {k.clicked(k.at(0.1, 0.1), k.at(0.9, 0.1)),
                                                  k.clicked(k.at(0.1, 0.1), k.at(0.1, 0.9))};
        auto bars = measure::errorBars(k.lineEnds, k.in, pairs, 0);
        EXPECT_TRUE(bars);
        return bars.value_or(measure::ErrorBars{});
    };
    const measure::ErrorBars steep = barOf(strong);
    const measure::ErrorBars weak = barOf(farV);
    ASSERT_EQ(weak.pairs.size(), 2u);
    ASSERT_EQ(steep.pairs.size(), 2u);
    EXPECT_GT(weak.pairs[1], 2 * steep.pairs[1]);
    EXPECT_GT(weak.aspect, 2 * steep.aspect);
    EXPECT_FALSE(steep.poorlyDetermined);

    const measure::ErrorBars frontal = barOf({"nearly frontal", 2400, 1800, 2400, 1200, 900, 3, 2, -1, false});
    EXPECT_TRUE(frontal.poorlyDetermined);
    // The construction still stands with every click moved: the principal distance moved, that is all.
    EXPECT_TRUE(std::isfinite(frontal.pairs[1]) && std::isfinite(frontal.aspect));
}

TEST(MeasureErrorBars, pairsWithoutAScaleOrAConstructionHaveNoBar) {
    const Scene k(strong);
    ASSERT_TRUE(k.ok);
    const measure::Pair some{10, 10, 200, 10};
    // No reference pair to scale by.
    EXPECT_FALSE(measure::errorBars(k.lineEnds, k.in, {some}, 1));
    // A reference pair of no length: the others have no determined size.
    const auto zero = measure::errorBars(k.lineEnds, k.in, {{5, 5, 5, 5}, some}, 0);
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->pairs[0], 0);
    EXPECT_TRUE(std::isinf(zero->pairs[1]));
    // Parallel horizontal lines: no construction at all.
    double parallel[6][6] = {};
    for (int n = 1; n <= 4; ++n)
        for (int c = 1; c <= 4; ++c) parallel[n][c] = k.lineEnds[n][c];
    parallel[2][2] = parallel[2][4] + (parallel[1][2] - parallel[1][4]);
    parallel[2][1] = parallel[2][3] + (parallel[1][1] - parallel[1][3]);
    EXPECT_FALSE(measure::errorBars(parallel, k.in, {some}, 0));
}

TEST(MeasureErrorBars, mapsInvertWhereAnEdgeRunsAlongThePrincipalVerticalOrTheHorizon) {
    // The rays from the measuring point run along the edge there: the mark is read off the foot's place.
    const auto frames = velta::testing::cornersOnLine(0);
    ASSERT_FALSE(frames.empty());
    for (const auto& c : frames) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.o);
        const geom::VanishingPoints vp{c.in.fuox, c.in.fuoy, c.in.fuvx, c.in.fuvy};
        const int w = rectify::columnCount(*c.o), h = rectify::rowCount(*c.o);
        for (const double v : {0.0, h / 3.0, h - 1.0})
            for (const double u : {0.0, w / 2.0 + 0.25, w - 1.0}) {
                const auto p = measure::sourcePointOf(*c.o, vp, u, v);
                ASSERT_TRUE(p);
                const auto back = measure::rectifiedPointOf(*c.o, vp, p->x, p->y);
                ASSERT_TRUE(back);
                EXPECT_NEAR(back->x, u, 1e-6);
                EXPECT_NEAR(back->y, v, 1e-6);
            }
    }
}

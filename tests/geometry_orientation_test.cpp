#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "geometry/orientation.h"

using namespace velta::geom;

namespace {

double dist(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Camera tilted upwards: V far above the picture, H far right, the horizon below the centre.
OrientationInput upwards() {
    OrientationInput in;
    in.centreX = 320; in.centreY = 240;
    in.fuvx = 400; in.fuvy = -2000;
    in.fuox = 3000; in.fuoy = 400;
    in.imageWidth = 640; in.imageHeight = 480;
    return in;
}

// Camera tilted downwards: V below the picture, H far right above the centre.
OrientationInput downwards() {
    OrientationInput in = upwards();
    in.fuvx = 250; in.fuvy = 3000;
    in.fuox = 3000; in.fuoy = -200;
    return in;
}

}  // namespace

TEST(GeometryOrientation, distanceCircleAndMeasuringPointsSatisfyTheConstruction) {
    for (const OrientationInput& in : {upwards(), downwards()}) {
        std::string why;
        const auto o = orient(in, &why);
        ASSERT_TRUE(o) << why;
        const Point c{in.centreX, in.centreY}, v{in.fuvx, in.fuvy}, h{in.fuox, in.fuoy};
        const Point p = o->horizonFoot;
        // P is on the principal vertical, and H-P is perpendicular to it.
        EXPECT_NEAR((p.y - v.y) - o->axisSlope * (p.x - v.x), 0, 1e-6);
        EXPECT_NEAR((h.x - p.x) * (v.x - c.x) + (h.y - p.y) * (v.y - c.y), 0, 1e-3);
        // The centre lies between V and P, and the principal distance is their geometric mean.
        EXPECT_NEAR(dist(v, c) + dist(c, p), dist(v, p), 1e-6);
        EXPECT_NEAR(o->principalDistance, std::sqrt(dist(c, v) * dist(c, p)), 1e-9);
        // Q is on the distance circle and on the line through C perpendicular to the vertical.
        const Point q = o->rabattedEyeV;
        EXPECT_NEAR(dist(q, o->circleCentre), o->circleRadius, 1e-9);
        EXPECT_NEAR((q.x - c.x) * (v.x - c.x) + (q.y - c.y) * (v.y - c.y), 0, 1e-6);
        // pv on the principal vertical at the eye's distance from V, on the picture's side.
        EXPECT_NEAR(dist(o->pv(), v), o->eyeToV, 1e-9);
        EXPECT_NEAR(std::hypot(dist(c, v), o->principalDistance), o->eyeToV, 1e-9);
        EXPECT_NEAR((o->pvy - v.y) - o->axisSlope * (o->pvx - v.x), 0, 1e-6);
        EXPECT_LT(std::fabs(o->pvy), std::fabs(2 * v.y - o->pvy));
        // W at the principal distance from C, perpendicular to C-H; po on the horizon.
        const Point w = o->rabattedEyeH;
        EXPECT_NEAR(dist(w, c), o->principalDistance, 1e-9);
        EXPECT_NEAR((w.x - c.x) * (h.x - c.x) + (w.y - c.y) * (h.y - c.y), 0, 1e-6);
        EXPECT_NEAR(std::hypot(dist(c, h), o->principalDistance), o->eyeToH, 1e-9);
        EXPECT_NEAR(dist(o->po(), h), o->eyeToH, 1e-9);
        EXPECT_NEAR((o->poy - h.y) - o->horizonSlope * (o->pox - h.x), 0, 1e-6);
        EXPECT_LT(std::fabs(o->pox), std::fabs(2 * h.x - o->pox));
    }
}

TEST(GeometryOrientation, defaultRegionPicksTheCornerByTheVanishingPoints) {
    // V below H, H right of V: top-left reference corner, case 3.
    auto o = orient(downwards());
    ASSERT_TRUE(o);
    EXPECT_EQ(o->refCornerX, 1);
    EXPECT_EQ(o->refCornerY, 1);
    EXPECT_EQ(o->oppCornerX, 639);
    EXPECT_EQ(o->oppCornerY, 479);
    EXPECT_EQ(o->cornerCase, 3);

    // V above H, H right of V: bottom-left, case 4 (the table is not used without an area).
    o = orient(upwards());
    ASSERT_TRUE(o);
    EXPECT_EQ(o->refCornerX, 1);
    EXPECT_EQ(o->refCornerY, 479);
    EXPECT_EQ(o->oppCornerX, 639);
    EXPECT_EQ(o->oppCornerY, 1);
    EXPECT_EQ(o->cornerCase, 4);

    // H left of V: the right side. The area corners are ignored while no area was started.
    OrientationInput in = upwards();
    in.fuox = -2500;
    in.fuoy = 330;
    in.areaXmin = 100; in.areaYmin = 100; in.areaXmax = 200; in.areaYmax = 200;
    o = orient(in);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->refCornerX, 639);
    EXPECT_EQ(o->oppCornerX, 1);

    // With an area started, the corners come from it and the case from the table.
    in.areaStarts = 1;
    in.areaYmax = 200.5;   // rounded half to even: 200
    o = orient(in);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->refCornerX, 200);
    EXPECT_EQ(o->refCornerY, 200.5);
    EXPECT_EQ(o->oppCornerX, 100);
    EXPECT_EQ(o->oppCornerY, 100);
    EXPECT_EQ(o->cornerCase, layoutCase(200, 200.5, in.fuox, in.fuoy, in.fuvx, in.fuvy));
    in.areaYmin = 101.5;   // the opposite corner now rounds up to the even 102
    o = orient(in);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->oppCornerY, 102);
}

TEST(GeometryOrientation, layoutCaseTiesGoToTheLastTestThatHolds) {
    // Block fuvy < fuoy, fuox > fuvx: quadrants 1, 2, 3, 4.
    const double hx = 900, hy = 300, vx = 100, vy = -500;
    EXPECT_EQ(layoutCase(200, 200, hx, hy, vx, vy), 1);
    EXPECT_EQ(layoutCase(200, 400, hx, hy, vx, vy), 2);
    EXPECT_EQ(layoutCase(50, 200, hx, hy, vx, vy), 3);
    EXPECT_EQ(layoutCase(50, 400, hx, hy, vx, vy), 4);
    EXPECT_EQ(layoutCase(100, 200, hx, hy, vx, vy), 3);   // on the vertical of V
    EXPECT_EQ(layoutCase(200, 300, hx, hy, vx, vy), 2);   // on the horizontal of H
    EXPECT_EQ(layoutCase(100, 300, hx, hy, vx, vy), 4);   // on both: every test holds
    // The other blocks, one point each and the double tie.
    EXPECT_EQ(layoutCase(200, 200, -hx, hy, vx, vy), 3);
    EXPECT_EQ(layoutCase(100, 300, -hx, hy, vx, vy), 2);
    EXPECT_EQ(layoutCase(200, 200, hx, hy, vx, 800), 2);
    EXPECT_EQ(layoutCase(100, 300, hx, hy, vx, 800), 3);
    EXPECT_EQ(layoutCase(200, 200, -hx, hy, vx, 800), 4);
    EXPECT_EQ(layoutCase(100, 300, -hx, hy, vx, 800), 1);
    EXPECT_EQ(layoutCase(NAN, 300, hx, hy, vx, vy), 0);
}

TEST(GeometryOrientation, marksLieOnTheMeasuringLinesOneStepApart) {
    for (const double step : {1.0, 1.5}) {
        OrientationInput in = downwards();
        in.pixelStep = step;
        const auto o = orient(in);
        ASSERT_TRUE(o);
        ASSERT_EQ(o->rowPoints.size(), static_cast<std::size_t>(o->rectHeight) + 1);
        ASSERT_EQ(o->colPoints.size(), static_cast<std::size_t>(o->rectWidth) + 1);
        EXPECT_EQ(o->rowPoints[0], (velta::MarkRow{}));
        const Point origin{o->originX, o->originY};
        const Point maxa{o->maxax, o->maxay}, maxb{o->maxbx, o->maxby};
        EXPECT_EQ(o->rectHeight, std::floor(dist(origin, maxa) / step));
        EXPECT_EQ(o->rectWidth, std::floor(dist(origin, maxb) / step));
        for (std::size_t i = 1; i < o->rowPoints.size(); ++i) {
            const Point m{o->rowPoints[i][2], o->rowPoints[i][3]};
            EXPECT_NEAR(dist(m, origin), static_cast<double>(i) * step, 1e-9);
            EXPECT_LE(dist(m, maxa), dist(origin, maxa));  // towards the far end
            EXPECT_EQ(o->rowPoints[i][0] + o->rowPoints[i][1], 0);
        }
        const auto& lastRow = o->rowPoints.back();
        EXPECT_LT(dist({lastRow[2], lastRow[3]}, maxa), step);
        const auto& lastCol = o->colPoints.back();
        EXPECT_LT(dist({lastCol[2], lastCol[3]}, maxb), step);
        for (std::size_t j = 1; j < o->colPoints.size(); ++j) {
            const Point m{o->colPoints[j][2], o->colPoints[j][3]};
            EXPECT_NEAR(dist(m, origin), static_cast<double>(j) * step, 1e-9);
        }
    }
    // 1.5 gives two thirds of the sizes of 1.0, floored.
    const auto one = orient(downwards());
    OrientationInput in = downwards();
    in.pixelStep = 1.5;
    const auto oneHalf = orient(in);
    ASSERT_TRUE(one && oneHalf);
    EXPECT_GE(oneHalf->rectWidth, std::floor(one->rectWidth * 2 / 3));
    EXPECT_LE(oneHalf->rectWidth, std::floor((one->rectWidth + 1) * 2 / 3));
    EXPECT_GE(oneHalf->rectHeight, std::floor(one->rectHeight * 2 / 3));
    EXPECT_LE(oneHalf->rectHeight, std::floor((one->rectHeight + 1) * 2 / 3));
}

TEST(GeometryOrientation, oversizeFramesKeepTheirSizeButCapTheTables) {
    OrientationInput in = downwards();
    in.pixelStep = 1e-3;   // far below the allowed range: a huge frame
    const auto o = orient(in);
    ASSERT_TRUE(o);
    EXPECT_GT(o->rectWidth, 3000);
    EXPECT_GT(o->rectHeight, 32767);
    EXPECT_EQ(o->colPoints.size(), maxColumnMarks + 1);
    EXPECT_EQ(o->rowPoints.size(), maxRowMarks + 1);
    EXPECT_NEAR(o->colPoints.back()[2] - o->originX,
                3000 * 1e-3 * o->colSign * std::cos(std::atan(o->horizonSlope)), 1e-9);
}

TEST(GeometryOrientation, degenerateGeometryIsRefused) {
    std::string why;
    OrientationInput in = upwards();
    in.fuvx = in.centreX;                       // V on the centre's vertical
    EXPECT_FALSE(orient(in, &why));
    EXPECT_EQ(why, "centre and V on one vertical");
    in.fuvx = in.centreX + 1e-4;                // 1e-4 across 2240 down: nearly vertical
    EXPECT_FALSE(orient(in));
    in.fuvx = in.centreX + 1e-2;                // clearly slanted: accepted
    EXPECT_TRUE(orient(in));

    in = upwards();
    in.fuvx = 1000; in.fuvy = in.centreY;       // V level with the centre: no horizon
    EXPECT_FALSE(orient(in));

    in = upwards();
    in.fuox = in.centreX; in.fuoy = 5000;       // H on the centre's vertical
    EXPECT_FALSE(orient(in, &why));
    EXPECT_EQ(why, "centre and H on one vertical");

    in = upwards();
    in.fuoy = -500;                             // horizon on V's side: centre not between V and P
    EXPECT_FALSE(orient(in, &why));
    EXPECT_EQ(why, "centre outside the distance circle");

    in = upwards();
    in.fuvy = NAN;
    EXPECT_FALSE(orient(in));
    in = upwards();
    in.fuox = INFINITY;
    EXPECT_FALSE(orient(in));
    in = upwards();
    in.pixelStep = 0;
    EXPECT_FALSE(orient(in));

    in = downwards();
    in.imageHeight = 40000;                     // opposite corner y beyond 32767
    EXPECT_FALSE(orient(in, &why));
    EXPECT_EQ(why, "opposite corner outside the 16-bit range");

    in = upwards();
    in.areaStarts = 1;                          // area corner on the vertical through V
    in.areaXmin = 100; in.areaYmin = 100; in.areaXmax = in.fuvx; in.areaYmax = 200;
    EXPECT_FALSE(orient(in, &why));
}

TEST(GeometryOrientation, farEndOnTheOriginGivesSignZeroAndAnEmptyFrame) {
    // A one-point area: both far ends come back exactly onto the origin.
    OrientationInput in = upwards();
    in.areaStarts = 1;
    in.areaXmin = in.areaXmax = 115;
    in.areaYmin = in.areaYmax = 100;
    const auto o = orient(in);
    ASSERT_TRUE(o);
    ASSERT_EQ(o->maxay, o->originY);
    ASSERT_EQ(o->maxbx, o->originX);
    EXPECT_EQ(o->rowSign, 0);
    EXPECT_EQ(o->colSign, 0);
    EXPECT_EQ(o->rectHeight, 0);
    EXPECT_EQ(o->rectWidth, 0);
    EXPECT_EQ(o->rowPoints.size(), 1u);
    EXPECT_EQ(o->colPoints.size(), 1u);
}

TEST(GeometryOrientation, stepBelowOneStillFillsEveryMark) {
    OrientationInput in = downwards();
    in.pixelStep = 0.5;
    const auto o = orient(in);
    ASSERT_TRUE(o);
    const auto& last = o->rowPoints.back();
    EXPECT_NEAR(std::hypot(last[2] - o->originX, last[3] - o->originY), 0.5 * o->rectHeight, 1e-9);
}

TEST(GeometryOrientation, onlyRefusalsFromTheCentresPlaceAreMendedByMovingTheCentre) {
    // V on the centre's vertical, V level with the centre (the upwards camera turned a quarter
    // round C), H on the centre's vertical: refused for the centre, and one pixel mends each.
    OrientationInput cases[3] = {upwards(), upwards(), upwards()};
    cases[0].fuvx = cases[0].centreX;
    cases[1].fuvx = -1920; cases[1].fuvy = cases[1].centreY; cases[1].fuox = 480; cases[1].fuoy = -2440;
    cases[2].fuox = cases[2].centreX; cases[2].fuoy = 5000;
    const Point moves[3] = {{1, 0}, {0, 1}, {1, 0}};
    std::string why;
    for (int k = 0; k < 3; ++k) {
        EXPECT_FALSE(orient(cases[k], &why));
        EXPECT_TRUE(refusedForCentre(why)) << why;
        OrientationInput moved = cases[k];
        moved.centreX += moves[k].x;
        moved.centreY += moves[k].y;
        EXPECT_TRUE(orient(moved, &why)) << why;
    }

    // The horizon on V's side: no centre mends these lines.
    OrientationInput in = upwards();
    in.fuoy = -500;
    EXPECT_FALSE(orient(in, &why));
    EXPECT_FALSE(refusedForCentre(why)) << why;
    for (const char* other : {refusal::inputNotFinite, refusal::horizonMissesCircle, refusal::farEndNotFinite,
                              refusal::oppositeCornerOutOfRange, ""})
        EXPECT_FALSE(refusedForCentre(other)) << other;
}

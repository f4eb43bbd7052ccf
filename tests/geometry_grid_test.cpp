#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/grid.h"
#include "geometry/orientation.h"
#include "geometry/vanishing.h"
#include "testutils.h"

using namespace velta::geom;
using velta::MarkRow;
using velta::testing::cornersOnLine;
using velta::testing::MarkedLines;
using velta::testing::Camera;
using velta::testing::cameraAt;
using velta::testing::facadePoint;

namespace {

struct Scene {
    Camera cam = cameraAt(700, 320, 240, 0, 0, 6000, 20, 15, -3);
    OrientationInput in;
    Orientation o;
};

// A camera looking up and to the right, with a 300 x 260 area in the middle of the picture.
Scene scene() {
    Scene s;
    const auto a = facadePoint(s.cam, {130, 100});
    const auto b = facadePoint(s.cam, {510, 380});
    const MarkedLines lines(s.cam, a->x, b->y, b->x, a->y);
    const VanishingResult vp = vanishingPoints(lines.lineEnds);
    s.in.centreX = 320; s.in.centreY = 240;
    s.in.fuox = vp.fuox; s.in.fuoy = vp.fuoy; s.in.fuvx = vp.fuvx; s.in.fuvy = vp.fuvy;
    s.in.imageWidth = 640; s.in.imageHeight = 480;
    s.in.areaStarts = 1;
    s.in.areaXmin = 170; s.in.areaYmin = 110; s.in.areaXmax = 470; s.in.areaYmax = 370;
    s.o = *orient(s.in);
    return s;
}

// What the grid reads: the frame, the vanishing points and the calculation area.
struct Grid {
    Orientation frame;
    VanishingPoints vp;
    AreaCorners areaCorners;
};

std::vector<GridSegment> gridSegments(const Grid& g) {
    return velta::geom::gridSegments(g.frame, g.vp, g.areaCorners);
}

Grid gridOf(const Scene& s) {
    Grid g;
    g.frame = s.o;
    g.vp = {s.in.fuox, s.in.fuoy, s.in.fuvx, s.in.fuvy};
    g.areaCorners[1] = {s.in.areaXmin, s.in.areaYmin};
    g.areaCorners[2] = {s.in.areaXmin, s.in.areaYmax};
    g.areaCorners[3] = {s.in.areaXmax, s.in.areaYmax};
    g.areaCorners[4] = {s.in.areaXmax, s.in.areaYmin};
    return g;
}

std::size_t count(const std::vector<GridSegment>& segs, bool column) {
    std::size_t n = 0;
    for (const auto& g : segs) n += g.column == column ? 1 : 0;
    return n;
}

bool same(const GridSegment& a, const GridSegment& b) {
    return a.from.x == b.from.x && a.from.y == b.from.y && a.to.x == b.to.x && a.to.y == b.to.y;
}

}  // namespace

TEST(GeometryGrid, oneLineEveryFiftyOutputsWithinTheTables) {
    const Scene s = scene();
    ASSERT_GT(s.o.rectWidth, 120);
    Grid g = gridOf(s);
    g.frame.rectHeight = 0;
    for (const auto& [width, lines] : {std::pair{50.0, 1u}, std::pair{51.0, 2u}, std::pair{120.0, 3u}}) {
        g.frame.rectWidth = width;
        const auto segs = gridSegments(g);
        ASSERT_EQ(segs.size(), lines) << width;
        EXPECT_EQ(segs.back().index, 1 + 50 * (lines - 1));
        EXPECT_TRUE(segs.back().column);
    }
    // Never past the mark tables, whatever the size says; no tables, no lines.
    const std::vector<MarkRow> shortTable(s.o.colPoints.begin(), s.o.colPoints.begin() + 60);
    g.frame.colPoints = shortTable;
    g.frame.rectWidth = 1e9;
    EXPECT_EQ(gridSegments(g).size(), 2u);
    g.frame.colPoints = {};
    g.frame.rowPoints = {};
    g.frame.rectHeight = 1e9;
    EXPECT_TRUE(gridSegments(g).empty());
}

TEST(GeometryGrid, linesAreEquallySpacedFacadeVerticalsAndHorizontalsInsideTheArea) {
    const Scene s = scene();
    const Grid g = gridOf(s);
    const auto segs = gridSegments(g);
    ASSERT_GE(count(segs, true), 3u);
    ASSERT_GE(count(segs, false), 3u);
    // Hits are stored in side order: column 51 crosses S1 (y = oppCornerY) then S2, row 51
    // crosses S3 (x = oppCornerX) then S4.
    ASSERT_EQ(segs[1].index, 51u);
    EXPECT_EQ(segs[1].from.y, g.frame.oppCornerY);
    EXPECT_EQ(segs[1].to.y, g.frame.refCornerY);
    const GridSegment& row51 = segs[count(segs, true) + 1];
    ASSERT_EQ(row51.index, 51u);
    EXPECT_EQ(row51.from.x, g.frame.oppCornerX);
    EXPECT_EQ(row51.to.x, g.frame.refCornerX);
    EXPECT_TRUE(segs.front().column);   // columns first, then rows
    EXPECT_FALSE(segs.back().column);

    std::vector<double> us, vs;          // façade position of each distinct line
    std::vector<std::size_t> colIndex, rowIndex;
    for (std::size_t n = 0; n < segs.size(); ++n) {
        const GridSegment& seg = segs[n];
        if (n > 0 && same(seg, segs[n - 1])) continue;   // a line that missed the area
        for (const Point p : {seg.from, seg.to}) {
            EXPECT_GE(p.x, s.in.areaXmin); EXPECT_LE(p.x, s.in.areaXmax);
            EXPECT_GE(p.y, s.in.areaYmin); EXPECT_LE(p.y, s.in.areaYmax);
            const bool onSide = p.x == s.in.areaXmin || p.x == s.in.areaXmax ||
                                p.y == s.in.areaYmin || p.y == s.in.areaYmax;
            EXPECT_TRUE(onSide);
        }
        const Point a = *facadePoint(s.cam, seg.from), b = *facadePoint(s.cam, seg.to);
        if (seg.column) {
            EXPECT_NEAR(a.x, b.x, 1e-6 * std::fabs(a.y - b.y)) << "a façade vertical";
            us.push_back(a.x);
            colIndex.push_back(seg.index);
        } else {
            EXPECT_NEAR(a.y, b.y, 1e-6 * std::fabs(a.x - b.x)) << "a façade horizontal";
            vs.push_back(a.y);
            rowIndex.push_back(seg.index);
        }
    }
    // Square cells: one spacing per 50 outputs, the same across and down.
    ASSERT_GE(us.size(), 3u);
    ASSERT_GE(vs.size(), 3u);
    const double cell = std::fabs(us[1] - us[0]) / static_cast<double>(colIndex[1] - colIndex[0]);
    for (std::size_t n = 1; n < us.size(); ++n)
        EXPECT_NEAR(std::fabs(us[n] - us[n - 1]) / static_cast<double>(colIndex[n] - colIndex[n - 1]),
                    cell, 1e-6 * cell);
    for (std::size_t n = 1; n < vs.size(); ++n)
        EXPECT_NEAR(std::fabs(vs[n] - vs[n - 1]) / static_cast<double>(rowIndex[n] - rowIndex[n - 1]),
                    cell, 1e-6 * cell);
}

TEST(GeometryGrid, degenerateLineIsSkippedAndTheOthersDrawn) {
    const Scene s = scene();
    Grid g = gridOf(s);
    g.frame.rectWidth = 120;
    g.frame.rectHeight = 0;
    std::vector<MarkRow> cols(s.o.colPoints.begin(), s.o.colPoints.end());
    cols[51][2] = g.frame.pox;           // the ray from po to the mark is vertical
    g.frame.colPoints = cols;
    const auto segs = gridSegments(g);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0].index, 1u);
    EXPECT_EQ(segs[1].index, 101u);
    EXPECT_FALSE(same(segs[0], segs[1]));   // line 101 found its own hits
}

TEST(GeometryGrid, placesOneAndTwoCarryOverToALineThatMissesTheArea) {
    const Scene s = scene();
    Grid g = gridOf(s);
    g.frame.rectWidth = 120;
    g.frame.rectHeight = 0;
    std::vector<MarkRow> cols(s.o.colPoints.begin(), s.o.colPoints.end());
    const auto moveFar = [&](std::size_t j) {  // far along the measuring line: outside the area
        const double k = 20000 / static_cast<double>(j);
        cols[j][2] = g.frame.originX + k * (cols[j][2] - g.frame.originX);
        cols[j][3] = g.frame.originY + k * (cols[j][3] - g.frame.originY);
    };
    moveFar(101);
    g.frame.colPoints = cols;
    auto segs = gridSegments(g);
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_TRUE(same(segs[2], segs[1]));   // line 101 redraws line 51
    EXPECT_EQ(segs[2].index, 101u);

    // A first line that misses leaves (0, 0) in both places: drawn only when the area
    // reaches the picture origin.
    moveFar(1);
    g.frame.colPoints = cols;
    g.frame.rectWidth = 1;
    EXPECT_TRUE(gridSegments(g).empty());
    g.areaCorners[1] = {0, 0};
    g.areaCorners[2].x = 0;
    g.areaCorners[4].y = 0;
    segs = gridSegments(g);
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0].from.x, 0);
    EXPECT_EQ(segs[0].to.y, 0);

    // The row lines start from what the column lines left.
    g = gridOf(s);
    g.frame.rectWidth = 51;
    g.frame.rectHeight = 1;
    std::vector<MarkRow> rows(s.o.rowPoints.begin(), s.o.rowPoints.end());
    rows[1][2] = g.frame.originX + 20000 * (rows[1][2] - g.frame.originX);
    rows[1][3] = g.frame.originY + 20000 * (rows[1][3] - g.frame.originY);
    g.frame.rowPoints = rows;
    segs = gridSegments(g);
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_FALSE(segs[2].column);
    EXPECT_TRUE(same(segs[2], segs[1]));
}

namespace {

// One grid line through F = mark (on the reference edge y = 500, cut there by the ray from
// the measuring point (mx, 0)) and the vanishing point vp, against the area [150, 250] x
// [100, 300] with the reference corner at its top left. Exact binary values throughout.
Grid oneLine(bool column, double mx, Point mark, Point vp, const std::vector<MarkRow>& marks) {
    Grid g;
    g.frame.originX = 0; g.frame.originY = 500;
    g.frame.refCornerX = 150; g.frame.refCornerY = 100; g.frame.oppCornerX = 250; g.frame.oppCornerY = 300;
    g.areaCorners[1] = {150, 100}; g.areaCorners[2] = {150, 300};
    g.areaCorners[3] = {250, 300}; g.areaCorners[4] = {250, 100};
    EXPECT_EQ(marks[1][2], mark.x);
    if (column) {
        g.frame.rectWidth = 1; g.frame.colPoints = marks;
        g.frame.pox = mx; g.frame.horizEdgeSlope = 0; g.vp.fuvx = vp.x; g.vp.fuvy = vp.y;
    } else {
        g.frame.rectHeight = 1; g.frame.rowPoints = marks;
        g.frame.pvx = mx; g.frame.vertEdgeSlope = 0; g.vp.fuox = vp.x; g.vp.fuoy = vp.y;
    }
    return g;
}

}  // namespace

TEST(GeometryGrid, columnLinesTakeCorner2SidesStrictlyRowLinesInclusively) {
    // Slope -8 through (100, 500) and (300, -1100): touches the area only at corner 1
    // (150, 100), as S2 on the top side and S4 on the left side.
    const std::vector<MarkRow> atCorner1 = {MarkRow{}, MarkRow{0, 0, 100, 500}};
    // A column line does not take S2 at corner 2's x: one hit, paired with (0, 0), which is
    // outside the area, so nothing is drawn. A row line takes both: a one-point segment.
    EXPECT_TRUE(gridSegments(oneLine(true, 0, {100, 500}, {300, -1100}, atCorner1)).empty());
    auto segs = gridSegments(oneLine(false, 0, {100, 500}, {300, -1100}, atCorner1));
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0].from.x, 150); EXPECT_EQ(segs[0].from.y, 100);
    EXPECT_EQ(segs[0].to.x, 150);   EXPECT_EQ(segs[0].to.y, 100);

    // Slope 8 through (175, 500) and (375, 2100): touches only corner 2 (150, 300), as S1 on
    // the bottom side and S4 at corner 2's y. Same outcome: strict for columns only.
    const std::vector<MarkRow> atCorner2 = {MarkRow{}, MarkRow{0, 0, 175, 500}};
    EXPECT_TRUE(gridSegments(oneLine(true, 50, {175, 500}, {375, 2100}, atCorner2)).empty());
    segs = gridSegments(oneLine(false, 50, {175, 500}, {375, 2100}, atCorner2));
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0].from.x, 150); EXPECT_EQ(segs[0].from.y, 300);
    EXPECT_EQ(segs[0].to.x, 150);   EXPECT_EQ(segs[0].to.y, 300);
}

TEST(GeometryGrid, anAreaCornerOnThePrincipalVerticalOrTheHorizonGivesTheGridBesideIt) {
    // The reference edge then runs along the ray from the measuring point through each mark.
    // Moving the corner 1e-6 px off the line moves no grid line by more than a hair.
    const auto on = cornersOnLine(0);
    EXPECT_GE(on.size(), 8u);
    for (const double off : {-1e-6, 1e-6}) {
        const auto beside = cornersOnLine(off);
        ASSERT_EQ(beside.size(), on.size());
        for (std::size_t n = 0; n < on.size(); ++n) {
            SCOPED_TRACE(beside[n].name);
            ASSERT_TRUE(on[n].o && beside[n].o);
            const auto a = gridSegments(gridOf({on[n].cam, on[n].in, *on[n].o}));
            const auto b = gridSegments(gridOf({beside[n].cam, beside[n].in, *beside[n].o}));
            ASSERT_GE(a.size(), 10u);
            ASSERT_EQ(a.size(), b.size());
            double worst = 0;
            for (std::size_t k = 0; k < a.size(); ++k) {
                EXPECT_TRUE(a[k].column == b[k].column && a[k].index == b[k].index);
                worst = std::max({worst, std::hypot(a[k].from.x - b[k].from.x, a[k].from.y - b[k].from.y),
                                  std::hypot(a[k].to.x - b[k].to.x, a[k].to.y - b[k].to.y)});
            }
            EXPECT_LT(worst, 1e-4) << "px";
        }
    }
}

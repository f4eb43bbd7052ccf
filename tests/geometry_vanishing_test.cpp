#include <gtest/gtest.h>

#include "geometry/vanishing.h"

using namespace velta::geom;

namespace {

struct Lines {
    double e[6][6] = {};
    void set(int n, double x1, double y1, double x2, double y2) {
        e[n][1] = x1; e[n][2] = y1; e[n][3] = x2; e[n][4] = y2;
    }
};

// Two horizontals converging to the right, two verticals converging upwards.
Lines convergingLines() {
    Lines l;
    l.set(1, 100, 100, 500, 140);   // slope 0.1, through (100, 100)
    l.set(2, 100, 400, 500, 320);   // slope -0.2, through (100, 400)
    l.set(3, 100, 400, 120, 100);   // slope -15
    l.set(4, 500, 400, 470, 100);   // slope 10
    return l;
}

}  // namespace

TEST(GeometryVanishing, pointsAreTheMeetingPointsOfEachPair) {
    const Lines l = convergingLines();
    const VanishingResult r = vanishingPoints(l.e);
    ASSERT_TRUE(r.bothMeet());
    EXPECT_DOUBLE_EQ(r.slopes[1], 0.1);
    EXPECT_DOUBLE_EQ(r.slopes[4], 10);
    // Lines 1 and 2 meet at x = 1100, y = 200.
    EXPECT_NEAR(r.fuox, 1100, 1e-9);
    EXPECT_NEAR(r.fuoy, 200, 1e-9);
    // Line 3: y = 400 - 15 (x - 100); line 4: y = 400 + 10 (x - 500): x = 260, y = -2000.
    EXPECT_NEAR(r.fuvx, 260, 1e-9);
    EXPECT_NEAR(r.fuvy, -2000, 1e-9);
    // Unchanged lines give the same bits again.
    const VanishingResult again = vanishingPoints(l.e);
    EXPECT_EQ(again.fuox, r.fuox);
    EXPECT_EQ(again.fuvy, r.fuvy);
}

TEST(GeometryVanishing, horizontalsConvergingLeftGiveNegativeX) {
    Lines l = convergingLines();
    l.set(1, 100, 140, 500, 100);
    l.set(2, 100, 320, 500, 400);
    const VanishingResult r = vanishingPoints(l.e);
    ASSERT_TRUE(r.bothMeet());
    EXPECT_LT(r.fuox, 0);
}

TEST(GeometryVanishing, exactlyParallelPairsDoNotMeet) {
    Lines l = convergingLines();
    l.set(1, 10, 50, 600, 50);       // two exactly horizontal lines
    l.set(2, 30, 300, 400, 300);
    VanishingResult r = vanishingPoints(l.e);
    EXPECT_FALSE(r.horizontalPairMeets);
    EXPECT_TRUE(r.verticalPairMeets);
    EXPECT_FALSE(r.bothMeet());
    EXPECT_EQ(r.fuox, 0);            // nothing computed

    l = convergingLines();
    l.set(3, 100, 400, 100, 50);     // two exactly vertical lines: both slope 90
    l.set(4, 500, 380, 500, 20);
    r = vanishingPoints(l.e);
    EXPECT_TRUE(r.horizontalPairMeets);
    EXPECT_FALSE(r.verticalPairMeets);

    l = convergingLines();
    l.set(2, 0, 0, 10, 1);           // same slope 0.1 as line 1, another place
    EXPECT_FALSE(vanishingPoints(l.e).horizontalPairMeets);
}

TEST(GeometryVanishing, verticalAndZeroLengthLinesTakeSlope90) {
    EXPECT_EQ(markedLineSlope(100, 400, 100, 50), 90);
    EXPECT_EQ(markedLineSlope(7, 7, 7, 7), 90);
    EXPECT_NEAR(angleDegrees(90), 89.3634, 1e-4);
    EXPECT_NEAR(angleDegrees(1), 45, 1e-13);
    EXPECT_GT(angleDegrees(1), 45);  // the truncated pi shows in the last digits
    EXPECT_EQ(angleDegrees(0), 0);

    Lines l = convergingLines();
    l.set(3, 100, 400, 100, 100);    // exactly vertical: a line of slope 90 through (100, 400)
    const VanishingResult r = vanishingPoints(l.e);
    ASSERT_TRUE(r.bothMeet());
    EXPECT_EQ(r.slopes[3], 90);
    // Meets line 4 (slope 10 through (500, 400)) where 90 (x - 100) = 10 (x - 500): x = 50.
    EXPECT_NEAR(r.fuvx, 50, 1e-9);
    EXPECT_NEAR(r.fuvy, 400 + 90 * (50 - 100), 1e-9);
}

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/lines.h"

using namespace velta::geom;

TEST(GeometryLines, intersectMeetsBothLinesWithYOnTheFirst) {
    // y = 2x + 1 through (0, 1) and y = -x + 7 through (2, 5): they meet at (2, 5).
    const Point p = intersect(0, 1, 2, 2, 5, -1);
    EXPECT_DOUBLE_EQ(p.x, 2);
    EXPECT_DOUBLE_EQ(p.y, 5);
    EXPECT_DOUBLE_EQ(intersectX(0, 1, 2, 2, 5, -1), 2);

    // The y is evaluated on the first line: a horizontal first line gives its own y exactly.
    const Point q = intersect(-3, 7.25, 0, 10, 0, 3.5);
    EXPECT_EQ(q.y, 7.25);

    // Parallel lines divide by zero; the result is not finite and callers check it.
    const Point par = intersect(0, 0, 1.5, 0, 3, 1.5);
    EXPECT_FALSE(allFinite({par.x, par.y}));
    const Point same = intersect(0, 0, 1.5, 2, 3, 1.5);
    EXPECT_FALSE(allFinite({same.x, same.y}));
}

TEST(GeometryLines, lineCircleGivesBothPointsOnTheCircle) {
    // Circle about (3, -2) radius 5, line y = 0.5x + 1; both roots lie on the circle.
    const auto r = lineCircle(0.5, 1, 3, -2, 5);
    ASSERT_TRUE(r);
    EXPECT_LT(r->xMinus, r->xPlus);
    for (const double x : {r->xMinus, r->xPlus}) {
        const double y = 0.5 * x + 1;
        EXPECT_NEAR(std::hypot(x - 3, y + 2), 5, 1e-12);
    }

    // A line far from the origin on one side (K > 0): the rule still gives points on the circle.
    const auto far = lineCircle(0.1, 2000, 5000, 2500, 300);
    ASSERT_TRUE(far);
    for (const double x : {far->xMinus, far->xPlus}) {
        EXPECT_GT(x, 0);
        EXPECT_NEAR(std::hypot(x - 5000, 0.1 * x + 2000 - 2500), 300, 1e-8);
    }

    // Tangent: one double root. Miss: nothing.
    const auto tangent = lineCircle(0, 5, 0, 0, 5);
    ASSERT_TRUE(tangent);
    EXPECT_DOUBLE_EQ(tangent->xMinus, 0);
    EXPECT_DOUBLE_EQ(tangent->xPlus, 0);
    EXPECT_FALSE(lineCircle(0, 6, 0, 0, 5));
    EXPECT_FALSE(lineCircle(NAN, 0, 0, 0, 5));
}

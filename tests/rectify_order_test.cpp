// The order of the rows and the progress figure shown while they are computed.
#include "rectify/row_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace velta;
using namespace velta::rectify;

namespace {

// A frame of the given height and the vanishing points it was built from.
struct Frame {
    geom::Orientation frame;
    geom::VanishingPoints vp;
};

Frame withVanishingHeights(double fuvy, double fuoy, double height) {
    Frame s;
    s.vp.fuvy = fuvy;
    s.vp.fuoy = fuoy;
    s.frame.rectHeight = height;
    return s;
}

RowOrder rowOrder(const Frame& s) { return rectify::rowOrder(s.frame, s.vp); }

int progressFigure(const Frame& s, int i) { return rectify::progressFigure(s.frame, s.vp, i); }

// The figures shown over a whole rectification, in the order of the rows.
std::vector<int> figures(const Frame& s) {
    const RowOrder order = rowOrder(s);
    std::vector<int> shown;
    for (int k = 0; k < order.count; ++k) shown.push_back(progressFigure(s, order.at(k)));
    return shown;
}

bool rises(const std::vector<int>& v) {
    for (std::size_t k = 1; k < v.size(); ++k)
        if (v[k] < v[k - 1]) return false;
    return true;
}

}  // namespace

TEST(RectifyOrder, rowsRunUpFromTheLastMarkOnlyWhenVLiesBelowH) {
    const RowOrder below = rowOrder(withVanishingHeights(5000, 900, 200));
    EXPECT_EQ(below.count, 200);
    EXPECT_EQ(below.at(0), 200);
    EXPECT_EQ(below.at(199), 1);
    for (const Frame& s : {withVanishingHeights(-5000, 900, 200), withVanishingHeights(900, 900, 200)}) {
        const RowOrder order = rowOrder(s);
        EXPECT_EQ(order.count, 200);
        EXPECT_EQ(order.at(0), 1);
        EXPECT_EQ(order.at(199), 200);
    }
}

TEST(RectifyOrder, sizesAreWholeAndBounded) {
    Frame s;
    for (double bad : {0.0, -3.0, 0.5, std::nan("")}) {
        s.frame.rectHeight = bad;
        s.frame.rectWidth = bad;
        EXPECT_EQ(rowCount(s.frame), 0);
        EXPECT_EQ(columnCount(s.frame), 0);
        EXPECT_EQ(rowOrder(s).count, 0);
    }
    s.frame.rectHeight = 40000;
    s.frame.rectWidth = 3001;
    EXPECT_EQ(rowCount(s.frame), 32767);
    EXPECT_EQ(columnCount(s.frame), 3000);
    s.frame.rectHeight = 12.7;
    s.frame.rectWidth = 3000;
    EXPECT_EQ(rowCount(s.frame), 12);
    EXPECT_EQ(columnCount(s.frame), 3000);
}

TEST(RectifyOrder, progressFallsWhenTheVanishingPointsAreLevel) {
    const std::vector<int> shown = figures(withVanishingHeights(900, 900, 200));
    EXPECT_EQ(shown.front(), 99);   // |100 (1 - 200) / 200| = 99.5
    EXPECT_EQ(shown.back(), 0);
    for (std::size_t k = 1; k < shown.size(); ++k) EXPECT_LE(shown[k], shown[k - 1]);
}

TEST(RectifyOrder, progressRisesOtherwise) {
    const std::vector<int> up = figures(withVanishingHeights(-5000, 900, 200));   // rows 1..H, 100 - p
    EXPECT_EQ(up.front(), 1);
    EXPECT_EQ(up.back(), 100);
    EXPECT_TRUE(rises(up));
    const std::vector<int> down = figures(withVanishingHeights(5000, 900, 200));  // rows H..1, p
    EXPECT_EQ(down.front(), 0);
    EXPECT_EQ(down.back(), 99);
    EXPECT_TRUE(rises(down));
    // A single row: p = 0.
    EXPECT_EQ(figures(withVanishingHeights(-5000, 900, 1)), std::vector<int>{100});
    EXPECT_EQ(figures(withVanishingHeights(5000, 900, 1)), std::vector<int>{0});
}

TEST(RectifyOrder, progressOfAnEmptyOrStrangeFrameIsAFigure) {
    EXPECT_EQ(progressFigure(withVanishingHeights(5000, 900, 0), 1), 0);
    EXPECT_EQ(progressFigure(withVanishingHeights(5000, 900, std::nan("")), 1), 0);
    EXPECT_EQ(progressFigure(withVanishingHeights(5000, 900, 3), 2000000000), 1000000000);
}

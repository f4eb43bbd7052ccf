// Frames whose construction divides by zero or is not finite, and inputs out of range: zero
// pixels, never a crash or a read or write outside the records.
#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "testutils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

using namespace velta;
using namespace velta::rectify;
using velta::testing::FrameSetup;
using velta::testing::inputOf;
using velta::testing::makeFrame;

namespace {

// Row i from the reference and every kernel, which must agree.
RowRecord rowOf(const State& s, int i) {
    RowRecord want{}, got{};
    referenceRow(inputOf(s), i, want);
    for (Kernel k : {Kernel::portable, Kernel::sse2, Kernel::avx2, Kernel::avx512}) {
        got.fill(0xAB);
        Rectifier(inputOf(s), k).computeRow(i, got);
        EXPECT_EQ(want, got) << "kernel " << static_cast<int>(k) << ", row " << i;
    }
    return want;
}

State smallFrame() {
    FrameSetup f;
    f.imageWidth = 400; f.imageHeight = 300; f.focal = 380;
    f.xmin = 20; f.ymin = 20; f.xmax = 380; f.ymax = 280;
    f.outWidth = 40;
    f.outHeight = 30;
    return makeFrame(f);
}

}  // namespace

TEST(RectifyDegenerate, anEmptyConstructionGivesZeroRows) {
    State s;   // every point and slope 0: every division is 0 / 0
    s.frame.rectWidth = 5;
    s.frame.rectHeight = 5;
    s.frame.rowPoints.assign(6, MarkRow{});
    s.frame.colPoints.assign(6, MarkRow{});
    velta::testing::fillSource(s, 10, 10);
    velta::testing::setWindow(s, 0, 0, 10, 10);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(rowOf(s, i), RowRecord{});
}

TEST(RectifyDegenerate, aRayThroughItsMeasuringPointZeroesItsRowOrColumnOnly) {
    const State good = smallFrame();
    State s = good;
    s.frame.rowPoints[3][2] = s.frame.pvx;   // the ray from the measuring point through itself: 0 / 0
    s.frame.rowPoints[3][3] = s.frame.pvy;
    s.frame.colPoints[5][2] = s.frame.pox;
    s.frame.colPoints[5][3] = s.frame.poy;
    int columnSampledBefore = 0;
    for (int i = 1; i <= 30; ++i) {
        RowRecord expected = rowOf(good, i);
        columnSampledBefore += expected[4] != 0;
        expected[4] = 0;
        if (i == 3) expected.fill(0);
        EXPECT_EQ(rowOf(s, i), expected) << "row " << i;
    }
    EXPECT_GT(columnSampledBefore, 10);
}

TEST(RectifyDegenerate, aRayParallelToItsEdgeZeroesItsRow) {
    State s = smallFrame();
    // Exact binary values, so that the ray's slope equals the edge's and m_r - slope is 0.
    s.frame.pvx = 150;
    s.frame.pvy = 100;
    s.frame.vertEdgeSlope = 0.5;
    s.frame.rowPoints[2][2] = 151;
    s.frame.rowPoints[2][3] = 100.5;
    ASSERT_EQ((s.frame.pvy - s.frame.rowPoints[2][3]) / (s.frame.pvx - s.frame.rowPoints[2][2]) - s.frame.vertEdgeSlope, 0.0);
    EXPECT_FALSE(rowLine(s.frame, vanishingPoints(s), 2).finite);
    EXPECT_EQ(rowOf(s, 2), RowRecord{});
    for (int i = 1; i <= 30; ++i) rowOf(s, i);   // the other rows agree, whatever they hold
}

TEST(RectifyDegenerate, infiniteAndNotANumberInputsGiveZeros) {
    const double inf = std::numeric_limits<double>::infinity();
    const State base = smallFrame();
    for (int which = 0; which < 6; ++which)
        for (double bad : {inf, -inf, std::nan("")}) {
            State s = base;
            double* fields[] = {&s.fuvx, &s.fuoy, &s.frame.pvy, &s.frame.pox, &s.frame.originX, &s.frame.horizEdgeSlope};
            *fields[which] = bad;
            for (int i = 1; i <= 30; i += 7) EXPECT_EQ(rowOf(s, i), RowRecord{}) << which << " " << bad;
        }
    State s = base;
    s.frame.colPoints[7][2] = std::nan("");
    s.frame.rowPoints[9][3] = inf;
    EXPECT_EQ(rowOf(s, 9), RowRecord{});
    EXPECT_EQ(rowOf(s, 10)[6], 0);
}

TEST(RectifyDegenerate, rowsAndColumnsOutsideTheTablesAreZero) {
    State s = smallFrame();
    for (int i : {0, -1, 31, INT_MAX, INT_MIN}) EXPECT_EQ(rowOf(s, i), RowRecord{}) << i;
    // Tables shorter than the size claims: the missing rows and columns are 0.
    s.frame.rectHeight = 60;
    s.frame.rectWidth = 70;
    for (int i : {1, 15, 30, 31, 60}) {
        const RowRecord r = rowOf(s, i);
        for (std::size_t p = 40; p < r.size(); ++p) EXPECT_EQ(r[p], 0) << i;
        if (i > 30) {
            EXPECT_EQ(r, RowRecord{});
        }
    }
}

TEST(RectifyDegenerate, widerThanARecordKeepsToTheRecord) {
    FrameSetup f;
    f.outWidth = 3500;
    f.outHeight = 3;
    const State s = makeFrame(f);
    EXPECT_EQ(Rectifier(inputOf(s)).width(), 3000);
    for (int i = 1; i <= 3; ++i) rowOf(s, i);
    State mirrored = s;
    mirrored.frame.colSign = -1;
    for (int i = 1; i <= 3; ++i) rowOf(mirrored, i);
}

TEST(RectifyDegenerate, aPictureWithoutUsableRowsOrColumnsGivesZeros) {
    State s = smallFrame();
    State t = s;
    t.image.sourceRows.clear();
    EXPECT_EQ(rowOf(t, 15), RowRecord{});
    t = s;
    t.image.fileHeight = -4;
    EXPECT_EQ(rowOf(t, 15), RowRecord{});
    for (double w : {0.0, 0.5, -3.0, std::nan("")}) {
        t = s;
        t.image.fileWidth = w;
        EXPECT_EQ(rowOf(t, 15), RowRecord{}) << w;
    }
}

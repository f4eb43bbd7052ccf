// Which source byte a rectified pixel takes: the window test on the unrounded point, truncation
// to 1-based columns, the limits of the picture, mirrored columns.
#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

using namespace velta;
using namespace velta::rectify;
using velta::testing::FrameSetup;
using velta::testing::inputOf;
using velta::testing::makeFrame;
using velta::testing::setWindow;
using velta::testing::translate;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

// Pixel j (1-based column of the computation, colSign 1) of row i, from the reference and from
// every kernel; fails when they disagree.
std::uint8_t pixel(const State& s, int i, int j) {
    RowRecord want{}, got{};
    referenceRow(inputOf(s), i, want);
    for (Kernel k : {Kernel::portable, Kernel::sse2, Kernel::avx2, Kernel::avx512}) {
        Rectifier(inputOf(s), k).computeRow(i, got);
        EXPECT_EQ(want, got) << "kernel " << static_cast<int>(k) << ", row " << i;
    }
    return want[static_cast<std::size_t>(j - 1)];
}

// A 100 x 50 picture of 1s, with the frame moved so that pixel (20, 30) shows source point
// (x, y), and the window widened to take it.
struct PointFrame {
    State s;
    static constexpr int i = 20, j = 30;

    PointFrame(double x, double y) {
        FrameSetup f;
        f.imageWidth = 300; f.imageHeight = 200; f.focal = 260;
        f.xmin = 30; f.ymin = 20; f.xmax = 270; f.ymax = 180;
        f.outWidth = 60;
        f.outHeight = 40;
        s = makeFrame(f);
        // Moving by the remaining error a few times lands most points exactly.
        for (int round = 0; round < 20; ++round) {
            const SourcePoint p = sourcePoint(s.frame, vanishingPoints(s), i, j);
            if (p.x == x && p.y == y) break;
            translate(s, x - p.x, y - p.y);
        }
        velta::testing::fillSource(s, 100, 50);
        for (auto& row : s.image.sourceRows) row.fill(1);
        setWindow(s, -10, -10, 200, 200);
    }

    // Puts `value` at 1-based position `col` of record `row`.
    void mark(int row, int col, std::uint8_t value) {
        s.image.sourceRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col - 1)] = value;
    }
};

}  // namespace

TEST(RectifySampling, truncatesToOneBasedColumnAndRowFromTheTop) {
    PointFrame f(12.9, 7.99);
    const SourcePoint p = sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j);
    ASSERT_NEAR(p.x, 12.9, 1e-6);
    ASSERT_NEAR(p.y, 7.99, 1e-6);
    f.mark(7, 12, 200);      // position 12 of record 7: the one to take
    f.mark(7, 13, 201);
    f.mark(7, 11, 202);
    f.mark(8, 12, 203);
    f.mark(6, 12, 204);
    EXPECT_EQ(pixel(f.s, f.i, f.j), 200);
}

TEST(RectifySampling, columnsLeftOfTheFirstTakeTheFirst) {
    for (double x : {0.5, -0.7, -9.0}) {
        PointFrame f(x, 7.5);
        f.mark(7, 1, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 200) << "srcX " << x;
    }
}

TEST(RectifySampling, takesOnlyBytesOfThePicture) {
    {
        PointFrame f(100.5, 10.5);   // Int = 100 = fileWidth: the last byte of the row
        f.mark(10, 100, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 200);
    }
    {
        PointFrame f(101.2, 10.5);   // past the picture, inside the window
        f.mark(10, 101, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 0);
    }
    {
        PointFrame f(20.5, 49.7);    // the last row of the picture
        f.mark(49, 20, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 200);
    }
    {
        PointFrame f(20.5, 50.3);    // the spare record after the picture is never read
        f.mark(50, 20, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 0);
    }
    {
        PointFrame f(20.5, -0.4);    // Int(-0.4) = -1: above the picture
        EXPECT_EQ(pixel(f.s, f.i, f.j), 0);
    }
}

TEST(RectifySampling, picturesEdgesAreExact) {
    {
        PointFrame f(101.0, 10.5);   // Int = 101: one past the last byte
        ASSERT_EQ(sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j).x, 101.0);
        f.mark(10, 100, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 0);
    }
    {
        PointFrame f(std::nextafter(101.0, 0.0), 10.5);
        ASSERT_EQ(sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j).x, std::nextafter(101.0, 0.0));
        f.mark(10, 100, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 200);
    }
    {
        PointFrame f(20.5, 50.0);    // Int = 50: the spare record, not a row of the picture
        ASSERT_EQ(sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j).y, 50.0);
        f.mark(50, 20, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 0);
    }
    {
        PointFrame f(20.5, 0.0);     // the top row
        ASSERT_EQ(sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j).y, 0.0);
        f.mark(0, 20, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 200);
    }
    {
        PointFrame f(20.5, -1e-9);
        ASSERT_LT(sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j).y, 0.0);
        f.mark(0, 20, 200);
        EXPECT_EQ(pixel(f.s, f.i, f.j), 0);
    }
}

TEST(RectifySampling, windowIncludesItsEdgesAndNothingBeyond) {
    PointFrame f(40.3, 20.6);
    f.mark(20, 40, 200);
    const SourcePoint p = sourcePoint(f.s.frame, vanishingPoints(f.s), f.i, f.j);
    const auto sampledWith = [&](double xmin, double ymin, double xmax, double ymax) {
        setWindow(f.s, xmin, ymin, xmax, ymax);
        return pixel(f.s, f.i, f.j);
    };
    EXPECT_EQ(sampledWith(p.x, -10, 200, 200), 200);
    EXPECT_EQ(sampledWith(std::nextafter(p.x, inf), -10, 200, 200), 0);
    EXPECT_EQ(sampledWith(-10, -10, p.x, 200), 200);
    EXPECT_EQ(sampledWith(-10, -10, std::nextafter(p.x, -inf), 200), 0);
    EXPECT_EQ(sampledWith(-10, p.y, 200, 200), 200);
    EXPECT_EQ(sampledWith(-10, std::nextafter(p.y, inf), 200, 200), 0);
    EXPECT_EQ(sampledWith(-10, -10, 200, p.y), 200);
    EXPECT_EQ(sampledWith(-10, -10, 200, std::nextafter(p.y, -inf)), 0);
    EXPECT_EQ(sampledWith(p.x, p.y, p.x, p.y), 200);
    // An unbounded window still keeps to the picture; a window that is not a number takes nothing.
    EXPECT_EQ(sampledWith(-inf, -inf, inf, inf), 200);
    EXPECT_EQ(sampledWith(std::nan(""), -10, 200, 200), 0);
}

TEST(RectifySampling, sampledExactlyWhereTheRuleSays) {
    // An area larger than the picture, every source byte non-zero: a pixel is non-zero exactly
    // when its point passes the window and Int(srcY), max(1, Int(srcX)) lie in the picture, and
    // then it holds that byte.
    FrameSetup f;
    f.imageWidth = 600;
    f.imageHeight = 400;
    f.focal = 700;
    f.xmin = -120; f.ymin = -90; f.xmax = 720; f.ymax = 470;
    f.outWidth = 160;
    f.outHeight = 120;
    const State s = makeFrame(f);
    const Rectifier fast(inputOf(s));
    RowRecord row{};
    int insideWindowOutsidePicture = 0;
    for (int i = 1; i <= 120; ++i) {
        fast.computeRow(i, row);
        for (int j = 1; j <= 160; ++j) {
            const SourcePoint p = sourcePoint(s.frame, vanishingPoints(s), i, j);
            const bool inWindow = p.finite && p.x >= f.xmin && p.x <= f.xmax && p.y >= f.ymin && p.y <= f.ymax;
            const double r = std::floor(p.y), c = std::max(1.0, std::floor(p.x));
            const bool inPicture = r >= 0 && r <= 399 && c <= 600;
            const std::uint8_t got = row[static_cast<std::size_t>(j - 1)];
            if (inWindow && inPicture) {
                EXPECT_EQ(got, s.image.sourceRows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c) - 1])
                    << i << "," << j;
            } else {
                EXPECT_EQ(got, 0) << i << "," << j;
                insideWindowOutsidePicture += inWindow;
            }
        }
        for (std::size_t p = 160; p < row.size(); ++p) ASSERT_EQ(row[p], 0);
    }
    EXPECT_GT(insideWindowOutsidePicture, 100);
}

TEST(RectifySampling, mirroredColumnsLandFromTheRight) {
    FrameSetup f;
    f.outWidth = 77;
    f.outHeight = 30;
    State s = makeFrame(f);
    ASSERT_EQ(s.frame.colSign, 1);
    State mirrored = s;
    mirrored.frame.colSign = -1;
    for (Kernel k : {Kernel::portable, Kernel::sse2, Kernel::avx2, Kernel::avx512}) {
        const Rectifier plain(inputOf(s), k), flipped(inputOf(mirrored), k);
        RowRecord a{}, b{}, ref{};
        for (int i = 1; i <= 30; ++i) {
            plain.computeRow(i, a);
            flipped.computeRow(i, b);
            referenceRow(inputOf(mirrored), i, ref);
            ASSERT_EQ(b, ref) << "row " << i;
            for (std::size_t j = 1; j <= 77; ++j) ASSERT_EQ(b[77 - j], a[j - 1]) << "row " << i << " column " << j;
            for (std::size_t p = 77; p < b.size(); ++p) ASSERT_EQ(b[p], 0);
        }
    }
}

// The colour road's rectifier: each kernel against the double-precision reference on noise,
// nearest against the plain road's truncation, the pixel centres and the clamping at the
// picture's edges checked on ramps, black outside the window, and the width of a colour frame.
#include "rectify/colour.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace velta;
using namespace velta::rectify;
using velta::testing::FrameSetup;
using velta::testing::inputOf;
using velta::testing::makeFrame;

namespace {

const Interpolation interpolations[] = {Interpolation::nearest, Interpolation::bilinear, Interpolation::bicubic};
const Kernel kernels[] = {Kernel::portable, Kernel::sse2, Kernel::avx2, Kernel::avx512};

const char* nameOf(Interpolation k) {
    return k == Interpolation::nearest ? "nearest" : k == Interpolation::bilinear ? "bilinear" : "bicubic";
}

// The frame of `f` on the colour road, its picture of the frame's size filled by `pixel(c, r)`.
template <class Pixel>
State colourFrame(const FrameSetup& f, Pixel pixel) {
    State s = makeFrame(f);
    s.image.road = Road::colour;
    s.image.picture = Picture::allocate(static_cast<int>(f.imageWidth), static_cast<int>(f.imageHeight));
    for (int r = 0; r < s.image.picture.height; ++r)
        for (int c = 0; c < s.image.picture.width; ++c) s.image.picture.row(r)[c] = pixel(c, r);
    return s;
}

// Random colours, the alpha byte random too (it is never read).
State noiseFrame(const FrameSetup& f, std::uint64_t seed) {
    return colourFrame(f, [state = seed](int, int) mutable {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 32);
    });
}

// A smaller picture than the area around it, so that the window reaches past its edges.
FrameSetup beyondThePicture() {
    FrameSetup f;
    f.imageWidth = 200;
    f.imageHeight = 150;
    f.focal = 220;
    f.xmin = -40; f.ymin = -30; f.xmax = 250; f.ymax = 190;
    f.outWidth = 260;
    f.outHeight = 200;
    return f;
}

// How a kernel's rows differ from the reference's, channel by channel.
struct Agreement {
    int maxDiff = 0;
    long long values = 0, differing = 0, signedSum = 0;
    void add(std::uint32_t want, std::uint32_t got) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF);
            maxDiff = std::max(maxDiff, std::abs(d));
            differing += d != 0;
            signedSum += d;
            ++values;
        }
    }
};

// Every row of every kernel against the reference: nearest exactly, bilinear and bicubic within
// one step, in at most 0.1 % of the values and without a bias; the kernels among themselves
// exactly, and every pixel opaque.
void expectKernelsMatchReference(const State& s, const std::string& what) {
    SCOPED_TRACE(what);
    const Input in = inputOf(s);
    for (const Interpolation interpolation : interpolations) {
        SCOPED_TRACE(nameOf(interpolation));
        const int w = colourColumnCount(s.frame);
        std::vector<ColourRectifier> fast;
        for (const Kernel kernel : kernels) fast.emplace_back(in, interpolation, kernel);
        ASSERT_EQ(fast[0].width(), w);
        std::vector<std::uint32_t> want(static_cast<std::size_t>(w)), first(want.size()), got(want.size());
        Agreement agreement;
        for (int i = 0; i <= rowCount(s.frame) + 1; ++i) {
            referenceColourRow(in, interpolation, i, want.data());
            for (std::size_t k = 0; k < fast.size(); ++k) {
                std::fill(got.begin(), got.end(), 0x12345678u);
                fast[k].computeRow(i, got.data());
                if (k > 0) {
                    ASSERT_EQ(got, first) << "kernel " << static_cast<int>(kernels[k]) << ", row " << i;
                    continue;
                }
                first = got;
                for (std::size_t p = 0; p < got.size(); ++p) agreement.add(want[p], got[p]);
            }
            for (std::size_t p = 0; p < got.size(); ++p) ASSERT_EQ(got[p] >> 24, 0xFFu) << "row " << i << " at " << p;
            if (interpolation == Interpolation::nearest) {
                ASSERT_EQ(got, want) << "row " << i;
            }
        }
        EXPECT_LE(agreement.maxDiff, 1);
        EXPECT_LE(agreement.differing, agreement.values / 1000) << "of " << agreement.values;
        EXPECT_LT(std::fabs(static_cast<double>(agreement.signedSum) / static_cast<double>(agreement.values)), 0.01);
    }
}

}  // namespace

TEST(RectifyColour, kernelsMatchReferenceOnNoise) {
    FrameSetup plain;
    plain.outWidth = 300;
    plain.outHeight = 200;
    expectKernelsMatchReference(noiseFrame(plain, 1), "looking up, turned right");

    FrameSetup mirrored = plain;
    mirrored.mirrorColumns = true;
    mirrored.pitch = -0.2;
    const State m = noiseFrame(mirrored, 2);
    ASSERT_EQ(m.frame.colSign, -1);
    expectKernelsMatchReference(m, "mirrored, looking down");

    // Magnified: the output pixels lie closer together than the source's, so the weights take
    // many values between the same neighbours.
    FrameSetup magnified = plain;
    magnified.xmin = 1200; magnified.xmax = 1400; magnified.ymin = 900; magnified.ymax = 1050;
    magnified.outWidth = 333;
    magnified.outHeight = 150;
    expectKernelsMatchReference(noiseFrame(magnified, 3), "magnified");

    expectKernelsMatchReference(noiseFrame(beyondThePicture(), 4), "area beyond the picture");
}

TEST(RectifyColour, nearestIsThePlainRoadsTruncation) {
    // The colour picture holds the plain picture's palette index in its blue byte: nearest must
    // pick, pixel for pixel, the index the plain road picks (its window lies inside the picture,
    // where the plain road samples every point of the window).
    for (const bool mirror : {false, true}) {
        FrameSetup f;
        f.outWidth = 250;
        f.outHeight = 180;
        f.mirrorColumns = mirror;
        State s = makeFrame(f);
        s.image.picture = Picture::allocate(3000, 2000);
        for (int r = 0; r < 2000; ++r)
            for (int c = 0; c < 3000; ++c)
                s.image.picture.row(r)[c] =
                    0xFF000000u | s.image.sourceRows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
        const Input in = inputOf(s);
        const ColourRectifier fast(in, Interpolation::nearest);
        std::vector<std::uint32_t> colour(250);
        RowRecord plain{};
        for (int i = 1; i <= 180; ++i) {
            referenceRow(in, i, plain);
            fast.computeRow(i, colour.data());
            for (std::size_t p = 0; p < colour.size(); ++p)
                ASSERT_EQ(colour[p], 0xFF000000u | plain[p])
                    << "row " << i << " at " << p << (mirror ? ", mirrored" : "");
        }
    }
}

TEST(RectifyColour, pixelCentresAndEdgesOnRamps) {
    // Red counts the columns and green the rows, so an interpolated value shows where it was
    // read: bilinear gives back the position less the pixel centre's offset (x - 1.5, y - 0.5),
    // held at the first and last pixel beyond the edges; bicubic the same away from the edges;
    // nearest the truncation, clamped. Outside the window, black.
    const FrameSetup f = beyondThePicture();
    const State s = colourFrame(f, [](int c, int r) {
        return 0xFF000000u | static_cast<std::uint32_t>(c) << 16 | static_cast<std::uint32_t>(r) << 8 | 0x5Au;
    });
    const Input in = inputOf(s);
    const geom::AreaCorners& a = in.area;
    const double lastCol = f.imageWidth - 1, lastRow = f.imageHeight - 1;
    int inside = 0, beyond = 0;
    for (const Interpolation interpolation : interpolations) {
        SCOPED_TRACE(nameOf(interpolation));
        const ColourRectifier fast(in, interpolation);
        std::vector<std::uint32_t> row(static_cast<std::size_t>(fast.width()));
        for (int i = 1; i <= fast.height(); ++i) {
            fast.computeRow(i, row.data());
            for (int j = 1; j <= fast.width(); ++j) {
                const SourcePoint p = sourcePoint(s.frame, in.vp, i, j);
                const std::uint32_t got = row[static_cast<std::size_t>(j - 1)];
                if (!(p.x >= a[1].x && p.x <= a[4].x && p.y >= a[1].y && p.y <= a[2].y)) {
                    ASSERT_EQ(got, 0xFF000000u) << "row " << i << ", column " << j;
                    continue;
                }
                double wantRed = std::clamp(p.x - 1.5, 0.0, lastCol), wantGreen = std::clamp(p.y - 0.5, 0.0, lastRow);
                double tolerance = 0.5 + 1e-6;
                if (interpolation == Interpolation::nearest) {
                    wantRed = std::clamp(std::max(std::floor(p.x), 1.0) - 1, 0.0, lastCol);
                    wantGreen = std::clamp(std::floor(p.y), 0.0, lastRow);
                    tolerance = 0;
                } else if (interpolation == Interpolation::bicubic &&
                           !(p.x >= 2.5 && p.x <= lastCol - 0.5 && p.y >= 1.5 && p.y <= lastRow - 1.5)) {
                    continue;   // the clamped taps bend the ramp there
                }
                const bool edge = p.x < 1.5 || p.x > lastCol + 1.5 || p.y < 0.5 || p.y > lastRow + 0.5;
                (edge ? beyond : inside) += 1;
                ASSERT_NEAR((got >> 16) & 0xFF, wantRed, tolerance) << "row " << i << ", column " << j;
                ASSERT_NEAR((got >> 8) & 0xFF, wantGreen, tolerance) << "row " << i << ", column " << j;
                ASSERT_EQ(got & 0xFF, 0x5Au) << "row " << i << ", column " << j;
            }
        }
    }
    // The window reaches past the picture's edges, and holds most of the output.
    EXPECT_GT(beyond, 1000);
    EXPECT_GT(inside, 40000);
}

TEST(RectifyColour, rowsWithoutASourceAreBlack) {
    FrameSetup f;
    f.outWidth = 40;
    f.outHeight = 30;
    State s = noiseFrame(f, 5);
    std::vector<std::uint32_t> row(40);
    for (const Interpolation interpolation : interpolations) {
        const ColourRectifier fast(inputOf(s), interpolation);
        for (const int i : {0, 31, -5}) {
            fast.computeRow(i, row.data());
            EXPECT_EQ(row, std::vector<std::uint32_t>(40, 0xFF000000u)) << nameOf(interpolation) << ", row " << i;
        }
    }
    // No picture: nothing to read, every row black.
    s.image.picture = Picture{};
    const ColourRectifier fast(inputOf(s), Interpolation::bicubic);
    fast.computeRow(10, row.data());
    EXPECT_EQ(row, std::vector<std::uint32_t>(40, 0xFF000000u));
    referenceColourRow(inputOf(s), Interpolation::bicubic, 10, row.data());
    EXPECT_EQ(row, std::vector<std::uint32_t>(40, 0xFF000000u));
}

TEST(RectifyColour, colourFramesAreWiderThanARecord) {
    geom::Orientation o;
    o.colPoints.assign(32768, MarkRow{});
    o.rectWidth = 40000;
    EXPECT_EQ(colourColumnCount(o), 32767);
    o.rectWidth = 5000.7;
    EXPECT_EQ(colourColumnCount(o), 5000);
    o.colPoints.assign(3001, MarkRow{});   // a plain road's table
    EXPECT_EQ(colourColumnCount(o), 3000);
    o.rectWidth = std::nan("");
    EXPECT_EQ(colourColumnCount(o), 0);

    // A 4500-column frame: every column is computed, as the reference computes it.
    FrameSetup f;
    f.outWidth = 4500;
    f.outHeight = 40;
    const State s = noiseFrame(f, 6);
    const Input in = inputOf(s);
    const ColourRectifier fast(in, Interpolation::nearest);
    ASSERT_EQ(fast.width(), 4500);
    std::vector<std::uint32_t> want(4500), got(4500);
    for (const int i : {1, 20}) {
        referenceColourRow(in, Interpolation::nearest, i, want.data());
        fast.computeRow(i, got.data());
        EXPECT_EQ(got, want) << "row " << i;
        EXPECT_NE(got[3900], 0xFF000000u) << "row " << i;
    }
}

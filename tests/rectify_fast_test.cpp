// The fast rectifier against the reference rows: the same bytes on every geometry, with every
// kernel, in both row orders, mirrored or not, inside and beyond the source picture.
#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace velta;
using namespace velta::rectify;
using velta::testing::FrameSetup;
using velta::testing::inputOf;
using velta::testing::makeFrame;

namespace {

// Every row of the fast rectifier, with each kernel (those the processor lacks fall back to a
// narrower one), against the reference, including row marks
// just outside 1..H; returns the number of sampled (non-zero) pixels, after a failure at the first
// difference if there is one.
std::size_t expectAllKernelsMatch(const State& s, const std::string& what) {
    SCOPED_TRACE(what);
    const Kernel kernels[] = {Kernel::portable, Kernel::sse2, Kernel::avx2, Kernel::avx512, Kernel::automatic};
    const Input in = inputOf(s);
    const Rectifier portable(in, Kernel::portable), sse2(in, Kernel::sse2), avx2(in, Kernel::avx2),
        avx512(in, Kernel::avx512), automatic(in);
    const Rectifier* fast[] = {&portable, &sse2, &avx2, &avx512, &automatic};
    RowRecord want{};
    RowRecord got{};
    std::size_t sampled = 0;
    for (int i = 0; i <= rowCount(s.frame) + 1; ++i) {
        referenceRow(inputOf(s), i, want);
        for (std::uint8_t b : want) sampled += b != 0;
        for (std::size_t k = 0; k < 5; ++k) {
            got.fill(0xAB);
            fast[k]->computeRow(i, got);
            if (want == got) continue;
            std::size_t p = 0;
            while (want[p] == got[p]) ++p;
            ADD_FAILURE() << "kernel " << static_cast<int>(kernels[k]) << ", row " << i << " differs first at index "
                          << p << ": reference " << int{want[p]} << ", fast " << int{got[p]};
            return sampled;
        }
    }
    return sampled;
}

// A small deterministic generator for the varied frames.
struct Lcg {
    std::uint64_t state;
    double uniform(double lo, double hi) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return lo + (hi - lo) * static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

}  // namespace

TEST(RectifyFast, matchesReferenceLookingUpAndDownTurnedEitherWay) {
    struct Case {
        const char* what;
        double yaw, pitch, roll;
        int expectedStep;   // row order: -1 when V lies below H
    };
    for (const Case& c : {Case{"up, turned right", 0.35, 0.25, 0.03, 1}, Case{"up, turned left", -0.4, 0.3, -0.05, 1},
                          Case{"down, turned right", 0.3, -0.2, 0.04, -1},
                          Case{"down, turned left", -0.25, -0.3, -0.02, -1}}) {
        FrameSetup f;
        f.yaw = c.yaw;
        f.pitch = c.pitch;
        f.roll = c.roll;
        const State s = makeFrame(f);
        EXPECT_EQ(rowOrder(s.frame, vanishingPoints(s)).step, c.expectedStep) << c.what;
        const std::size_t sampled = expectAllKernelsMatch(s, c.what);
        // The area's perspective covers most of the output; its corners beyond the area stay 0.
        EXPECT_GT(sampled, std::size_t{600 * 400 * 6 / 10}) << c.what;
    }
}

TEST(RectifyFast, matchesReferenceWithMirroredColumnsAndOddWidths) {
    for (int width : {1, 7, 8, 9, 333}) {
        FrameSetup f;
        f.outWidth = width;
        f.outHeight = 50;
        f.mirrorColumns = true;
        const State s = makeFrame(f);
        expectAllKernelsMatch(s, "mirrored, width " + std::to_string(width));
    }
}

TEST(RectifyFast, matchesReferenceBeyondThePicture) {
    // An area larger than the picture: source points outside the image stay 0, no read outside.
    FrameSetup f;
    f.imageWidth = 640;
    f.imageHeight = 480;
    f.focal = 600;
    f.xmin = -300; f.ymin = -200; f.xmax = 900; f.ymax = 700;
    f.outWidth = 300;
    f.outHeight = 240;
    State s = makeFrame(f);
    expectAllKernelsMatch(s, "area larger than the picture");

    // Without the spare record after the last row, and with a header claiming more rows than
    // were read: only the rows held are sampled.
    s.image.sourceRows.pop_back();
    expectAllKernelsMatch(s, "no spare record");
    s.image.fileHeight = 1000;
    expectAllKernelsMatch(s, "header taller than the rows held");
    s.image.fileWidth = 5000;
    expectAllKernelsMatch(s, "header wider than a record");
}

TEST(RectifyFast, matchesReferenceOnVariedFrames) {
    Lcg rng{12345};
    int sampledSomewhere = 0;
    for (int n = 0; n < 24; ++n) {
        FrameSetup f;
        const double yaw = rng.uniform(0.05, 0.7), pitch = rng.uniform(0.05, 0.45);
        f.yaw = rng.uniform(0, 1) < 0.5 ? -yaw : yaw;
        f.pitch = rng.uniform(0, 1) < 0.5 ? -pitch : pitch;
        f.roll = rng.uniform(-0.15, 0.15);
        f.focal = rng.uniform(1200, 5000);
        f.xmin = rng.uniform(-200, 1400);
        f.xmax = f.xmin + rng.uniform(50, 2000);
        f.ymin = rng.uniform(-200, 1000);
        f.ymax = f.ymin + rng.uniform(50, 1500);
        f.outWidth = static_cast<int>(rng.uniform(1, 260));
        f.outHeight = static_cast<int>(rng.uniform(1, 160));
        f.mirrorColumns = rng.uniform(0, 1) < 0.3;
        const State s = makeFrame(f);
        sampledSomewhere += expectAllKernelsMatch(s, "frame " + std::to_string(n)) > 0;
    }
    EXPECT_GE(sampledSomewhere, 20);   // the frames are not degenerate ones that sample nothing
}

TEST(RectifyFast, readsTheImageAsItIsWhenEachRowIsComputed) {
    // Events run between rows; should the picture shrink meanwhile, the remaining rows read only
    // what is left, exactly as the reference does on the new picture.
    FrameSetup f;
    f.outWidth = 200;
    f.outHeight = 100;
    State s = makeFrame(f);
    const Rectifier fast(inputOf(s));
    s.image.sourceRows.resize(900);
    s.image.fileHeight = 900;
    s.image.fileWidth = 1500;
    RowRecord want{}, got{};
    std::size_t sampled = 0;
    for (int i = 1; i <= 100; ++i) {
        referenceRow(inputOf(s), i, want);
        fast.computeRow(i, got);
        ASSERT_EQ(want, got) << "row " << i;
        for (std::uint8_t b : got) sampled += b != 0;
    }
    EXPECT_GT(sampled, 0u);
    s.image.sourceRows.clear();
    fast.computeRow(50, got);
    EXPECT_EQ(got, RowRecord{});
}

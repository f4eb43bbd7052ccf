// Colour road benchmark: a 6000 x 4000 photograph of random colours rectified into 6000 x 4000
// pixels with each interpolation (the fast rectifier with its set-up, one thread, every row into
// a whole picture in memory), and, when OpenCV is present, OpenCV's single-threaded
// warpPerspective of the same perspective with the matching interpolation (a homography fitted
// to the frame's four corners, the source in 8-bit BGRA, black beyond the picture).
//
// Run:  ./build/bench/velta_bench --benchmark_filter='colour'
// Counter "per_px" is the time per output pixel. The case colourPrecision measures, once, how
// far the fast rows lie from the double-precision reference on every eighth row: the largest
// difference in a channel, the share of channel values that differ and the mean signed
// difference (printed too).

#include "rectify/colour.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"

#include <benchmark/benchmark.h>

#ifdef VELTA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace velta;
using velta::testing::FrameSetup;
using velta::testing::inputOf;

constexpr int sourceWidth = 6000, sourceHeight = 4000;
constexpr int outWidth = 6000, outHeight = 4000;

// Every point of the construction moved by the factor k about the picture's origin: the frame of
// a picture k times as large.
void scale(State& s, double k) {
    s.fuvx *= k; s.fuvy *= k; s.fuox *= k; s.fuoy *= k;
    s.frame.pvx *= k; s.frame.pvy *= k; s.frame.pox *= k; s.frame.poy *= k;
    s.frame.originX *= k; s.frame.originY *= k;
    for (auto* table : {&s.frame.rowPoints, &s.frame.colPoints})
        for (MarkRow& m : *table) {
            m[2] *= k;
            m[3] *= k;
        }
    for (int n = 1; n <= 4; ++n) {
        s.areaCorners[n][1] *= k;
        s.areaCorners[n][2] *= k;
    }
}

// The test frames' façade (3000 x 2000, the whole picture less a one-pixel border as the area)
// at twice the size, with a picture of random colours.
const State& frame() {
    static const std::unique_ptr<State> s = [] {
        FrameSetup f;
        f.xmin = 1; f.ymin = 1; f.xmax = 2999; f.ymax = 1999;
        f.outWidth = outWidth;
        f.outHeight = outHeight;
        auto st = std::make_unique<State>(velta::testing::makeFrame(f));
        scale(*st, 2);
        st->image.road = Road::colour;
        st->image.picture = Picture::allocate(sourceWidth, sourceHeight);
        std::uint64_t state = 7;
        for (int r = 0; r < sourceHeight; ++r)
            for (int c = 0; c < sourceWidth; ++c) {
                state = state * 6364136223846793005ULL + 1442695040888963407ULL;
                st->image.picture.row(r)[c] = static_cast<std::uint32_t>(state >> 32);
            }
        return st;
    }();
    return *s;
}

// The rectified picture the cases write into, kept between cases.
Picture& output() {
    static Picture p = Picture::allocate(outWidth, outHeight);
    return p;
}

void setPerPixel(benchmark::State& st) {
    st.counters["per_px"] = benchmark::Counter(static_cast<double>(outWidth) * outHeight,
                                               benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

void colourRows(benchmark::State& st, Interpolation interpolation, rectify::Kernel kernel) {
    const rectify::Input in = inputOf(frame());
    Picture& out = output();
    for (auto _ : st) {
        const rectify::ColourRectifier r(in, interpolation, kernel);
        for (int i = 1; i <= r.height(); ++i) r.computeRow(i, out.row(i - 1));
        benchmark::DoNotOptimize(out.pixels);
        benchmark::ClobberMemory();
    }
    setPerPixel(st);
}

#ifdef VELTA_HAVE_OPENCV
// OpenCV's warp of the same perspective into memory, one thread. The homography maps output
// pixels to source pixels in OpenCV's convention (pixel c's centre at c, where ours is at
// c + 1.5 across and r + 0.5 down), fitted to the frame's four corners.
void openCvWarp(benchmark::State& st, int flags) {
    const State& s = frame();
    const Picture& pic = s.image.picture;
    const cv::Mat src(pic.height, pic.width, CV_8UC4, pic.pixels, static_cast<std::size_t>(pic.stride) * 4);
    const auto sourceOf = [&](int i, int j) {
        const rectify::SourcePoint p = rectify::sourcePoint(s.frame, vanishingPoints(s), i, j);
        return cv::Point2f(static_cast<float>(p.x - 1.5), static_cast<float>(p.y - 0.5));
    };
    const float left = 0, right = outWidth - 1, top = 0, bottom = outHeight - 1;
    const bool mirrored = s.frame.colSign == -1;
    const cv::Point2f out[4] = {{mirrored ? right : left, top},
                                {mirrored ? left : right, top},
                                {mirrored ? right : left, bottom},
                                {mirrored ? left : right, bottom}};
    const cv::Point2f in[4] = {sourceOf(1, 1), sourceOf(1, outWidth), sourceOf(outHeight, 1),
                               sourceOf(outHeight, outWidth)};
    const cv::Mat outToSource = cv::getPerspectiveTransform(out, in);
    cv::setNumThreads(1);
    Picture& o = output();
    cv::Mat dst(outHeight, outWidth, CV_8UC4, o.pixels, static_cast<std::size_t>(o.stride) * 4);
    for (auto _ : st) {
        cv::warpPerspective(src, dst, outToSource, dst.size(), flags | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT,
                            cv::Scalar(0, 0, 0, 255));
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    setPerPixel(st);
}
#endif

// The fast rows against the reference on every eighth row, per channel value.
void colourPrecision(benchmark::State& st, Interpolation interpolation) {
    const rectify::Input in = inputOf(frame());
    int maxDiff = 0;
    double values = 0, differing = 0, signedSum = 0, black = 0;
    for (auto _ : st) {
        const rectify::ColourRectifier fast(in, interpolation);
        std::vector<std::uint32_t> want(static_cast<std::size_t>(fast.width())), got(want.size());
        for (int i = 1; i <= fast.height(); i += 8) {
            rectify::referenceColourRow(in, interpolation, i, want.data());
            fast.computeRow(i, got.data());
            for (std::size_t p = 0; p < got.size(); ++p) {
                black += want[p] == 0xFF000000u;
                for (int shift = 0; shift < 24; shift += 8) {
                    const int d =
                        static_cast<int>((got[p] >> shift) & 0xFF) - static_cast<int>((want[p] >> shift) & 0xFF);
                    maxDiff = std::max(maxDiff, std::abs(d));
                    differing += d != 0;
                    signedSum += d;
                    values += 1;
                }
            }
        }
    }
    st.counters["max_diff"] = maxDiff;
    st.counters["differing_pct"] = 100 * differing / values;
    st.counters["mean_signed"] = signedSum / values;
    st.counters["black_pct"] = 300 * black / values;
    std::printf("colour %s against the reference: largest difference %d, %.4f %% of channel values differ, "
                "mean signed difference %+.6f (%.1f %% of the pixels outside the window)\n",
                interpolation == Interpolation::nearest    ? "nearest"
                : interpolation == Interpolation::bilinear ? "bilinear"
                                                           : "bicubic",
                maxDiff, 100 * differing / values, signedSum / values, 300 * black / values);
}

void timed(benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond)->MinTime(1.0); }
void once(benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond)->Iterations(1); }

BENCHMARK_CAPTURE(colourRows, nearest, Interpolation::nearest, rectify::Kernel::automatic)->Apply(timed);
BENCHMARK_CAPTURE(colourRows, bilinear, Interpolation::bilinear, rectify::Kernel::automatic)->Apply(timed);
BENCHMARK_CAPTURE(colourRows, bicubic, Interpolation::bicubic, rectify::Kernel::automatic)->Apply(timed);
BENCHMARK_CAPTURE(colourRows, nearest_sse2, Interpolation::nearest, rectify::Kernel::sse2)->Apply(timed);
BENCHMARK_CAPTURE(colourRows, bilinear_sse2, Interpolation::bilinear, rectify::Kernel::sse2)->Apply(timed);
BENCHMARK_CAPTURE(colourRows, bicubic_sse2, Interpolation::bicubic, rectify::Kernel::sse2)->Apply(timed);
#ifdef VELTA_HAVE_OPENCV
BENCHMARK_CAPTURE(openCvWarp, colour_nearest, cv::INTER_NEAREST)->Apply(timed);
BENCHMARK_CAPTURE(openCvWarp, colour_linear, cv::INTER_LINEAR)->Apply(timed);
BENCHMARK_CAPTURE(openCvWarp, colour_cubic, cv::INTER_CUBIC)->Apply(timed);
#endif
BENCHMARK_CAPTURE(colourPrecision, nearest, Interpolation::nearest)->Apply(once);
BENCHMARK_CAPTURE(colourPrecision, bilinear, Interpolation::bilinear)->Apply(once);
BENCHMARK_CAPTURE(colourPrecision, bicubic, Interpolation::bicubic)->Apply(once);

}  // namespace

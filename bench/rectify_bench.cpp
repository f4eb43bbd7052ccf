// Rectifier benchmark: nanoseconds per output pixel for the reference rows, the fast rectifier
// alone, the fast rectifier streaming its rows into a file, the same with the progress and
// pending-events work of the command, and (when OpenCV is present) OpenCV's single-threaded
// nearest-neighbour warpPerspective of the same perspective in memory.
//
// Run (a Release build; the benchmark is part of the normal build when Google Benchmark is found):
//   cmake --build build --target velta_bench && ./build/bench/velta_bench
// A subset:  ./build/bench/velta_bench --benchmark_filter='Fast'
// Counter "per_px" is the time per output pixel ("1.23n" = 1.23 ns). Printed last: the cost of
// the progress figure and the events calls relative to the plain streamed rectification.

#include "bitmap/writer.h"
#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"
#include "text/numtext.h"

#include <benchmark/benchmark.h>


#ifdef VELTA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

using namespace velta;
using velta::testing::FrameSetup;
using velta::testing::inputOf;

// A façade photographed from below and to the left, 3000 x 2000, the whole picture less a
// one-pixel border rectified into side x side pixels.
const State& frame(int side) {
    static std::map<int, std::unique_ptr<State>> frames;
    auto& slot = frames[side];
    if (!slot) {
        FrameSetup f;
        f.xmin = 1; f.ymin = 1; f.xmax = 2999; f.ymax = 1999;
        f.outWidth = side;
        f.outHeight = side;
        slot = std::make_unique<State>(velta::testing::makeFrame(f));
    }
    return *slot;
}

void setPerPixel(benchmark::State& st, int side) {
    st.counters["per_px"] = benchmark::Counter(static_cast<double>(side) * side,
                                               benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

std::string tempPath() {
    return (std::filesystem::temp_directory_path() /
            ("velta_bench_" + std::to_string(::getpid()) + ".bmp")).string();
}

// (a) The reference rows, one after the other, in memory.
void referenceRows(benchmark::State& st) {
    const int side = static_cast<int>(st.range(0));
    const rectify::Input in = inputOf(frame(side));
    RowRecord row{};
    for (auto _ : st) {
        for (int i = 1; i <= side; ++i) {
            rectify::referenceRow(in, i, row);
            benchmark::DoNotOptimize(row.data());
        }
        benchmark::ClobberMemory();
    }
    setPerPixel(st, side);
}

// (b) The fast rectifier alone: its set-up and every row, in memory, with the given kernel.
void fastRows(benchmark::State& st, rectify::Kernel kernel) {
    const int side = static_cast<int>(st.range(0));
    const rectify::Input in = inputOf(frame(side));
    RowRecord row{};
    for (auto _ : st) {
        const rectify::Rectifier r(in, kernel);
        for (int i = 1; i <= side; ++i) {
            r.computeRow(i, row);
            benchmark::DoNotOptimize(row.data());
        }
        benchmark::ClobberMemory();
    }
    setPerPixel(st, side);
}

// The command's per-row bookkeeping: the progress figure, formatted only when it changes, and
// pending events about every 10 ms (a count stands for the window's processing of them).
class Bookkeeping {
public:
    void row(const State& s, int k, int i) {
        const int now = rectify::progressFigure(s.frame, vanishingPoints(s), i);
        if (now != figure_) {
            figure_ = now;
            shown_ = text::shortNumber(static_cast<double>(figure_)) + "%";
            benchmark::DoNotOptimize(shown_.data());
        }
        const Clock::time_point t = Clock::now();
        if (k == 0 || t - lastEvents_ >= std::chrono::milliseconds(10)) {
            ++eventCalls;
            benchmark::ClobberMemory();
            lastEvents_ = Clock::now();
        }
    }
    long eventCalls = 0;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastEvents_{};
    int figure_ = -1;
    std::string shown_;
};

// The command's loop: rows in order, each streamed to the file, with the bookkeeping when
// `events` is set. False when the file could not be written.
bool rectifyToFile(const State& s, int side, bool events, const std::string& path, long& eventCalls) {
    bitmap::BitmapWriter out;
    std::string error;
    if (!out.begin(path, s.image.bmpHeader, s.image.bmpPalette, side, side, error)) return false;
    const rectify::Rectifier r(inputOf(s));
    const rectify::RowOrder order = rectify::rowOrder(s.frame, vanishingPoints(s));
    Bookkeeping book;
    RowRecord row{};
    bool ok = true;
    for (int k = 0; k < order.count && ok; ++k) {
        const int i = order.at(k);
        if (events) book.row(s, k, i);
        r.computeRow(i, row);
        ok = out.writeRow(row);
    }
    eventCalls += book.eventCalls;
    return out.end(error) && ok;
}

void streamRows(benchmark::State& st, bool events) {
    const int side = static_cast<int>(st.range(0));
    const State& s = frame(side);
    const std::string path = tempPath();
    long eventCalls = 0;
    for (auto _ : st) {
        if (!rectifyToFile(s, side, events, path, eventCalls)) {
            st.SkipWithError("cannot write the temporary file");
            break;
        }
    }
    std::filesystem::remove(path);
    setPerPixel(st, side);
    if (events)
        st.counters["events"] =
            benchmark::Counter(static_cast<double>(eventCalls), benchmark::Counter::kAvgIterations);
}

// (b') The fast rectifier streaming every row into a file through the buffered writer.
void streamedRows(benchmark::State& st) { streamRows(st, false); }

// (b') with the progress figure and the pending-events calls of the command.
void streamedRowsWithEvents(benchmark::State& st) { streamRows(st, true); }

#ifdef VELTA_HAVE_OPENCV
// OpenCV's nearest-neighbour warp of the same perspective, one thread, into memory. The
// homography maps output pixels to source pixels; it is fitted to the rectifier's four corners.
void openCvWarp(benchmark::State& st) {
    const int side = static_cast<int>(st.range(0));
    const State& s = frame(side);
    const int srcW = static_cast<int>(s.image.fileWidth), srcH = s.image.fileHeight;
    cv::Mat src(srcH, srcW, CV_8UC1);
    for (int y = 0; y < srcH; ++y)
        std::copy_n(s.image.sourceRows[static_cast<std::size_t>(y)].data(), srcW, src.ptr<std::uint8_t>(y));
    const auto sourceOf = [&](int i, int j) {
        const rectify::SourcePoint p = rectify::sourcePoint(s.frame, vanishingPoints(s), i, j);
        return cv::Point2f(static_cast<float>(p.x), static_cast<float>(p.y));
    };
    const cv::Point2f out[4] = {{0, 0}, {static_cast<float>(side - 1), 0}, {0, static_cast<float>(side - 1)},
                                {static_cast<float>(side - 1), static_cast<float>(side - 1)}};
    const cv::Point2f in[4] = {sourceOf(1, 1), sourceOf(1, side), sourceOf(side, 1), sourceOf(side, side)};
    const cv::Mat outToSource = cv::getPerspectiveTransform(out, in);
    cv::setNumThreads(1);
    cv::Mat dst(side, side, CV_8UC1);
    for (auto _ : st) {
        cv::warpPerspective(src, dst, outToSource, dst.size(), cv::INTER_NEAREST | cv::WARP_INVERSE_MAP,
                            cv::BORDER_CONSTANT, cv::Scalar(0));
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    setPerPixel(st, side);
}
#endif

void sizes(benchmark::internal::Benchmark* b) {
    for (int side : {1000, 2000, 3000}) b->Arg(side);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(referenceRows)->Apply(sizes);
BENCHMARK_CAPTURE(fastRows, automatic, rectify::Kernel::automatic)->Apply(sizes);
BENCHMARK_CAPTURE(fastRows, avx2, rectify::Kernel::avx2)->Apply(sizes);
BENCHMARK_CAPTURE(fastRows, sse2, rectify::Kernel::sse2)->Apply(sizes);
BENCHMARK_CAPTURE(fastRows, portable, rectify::Kernel::portable)->Apply(sizes);
BENCHMARK(streamedRows)->Apply(sizes);
BENCHMARK(streamedRowsWithEvents)->Apply(sizes);
#ifdef VELTA_HAVE_OPENCV
BENCHMARK(openCvWarp)->Apply(sizes);
#endif

// Processor time of this process (user and system, so the file's writing counts), in seconds:
// steadier than the wall clock on a shared machine.
double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Progress and events against the plain streamed run, measured in alternation so that both see
// the same machine state; the best of several runs of each, in processor time.
void reportEventOverhead() {
    const std::string path = tempPath();
    std::printf("\nprogress + events overhead (best of 9, processor time, streamed to %s):\n", path.c_str());
    for (int side : {1000, 2000, 3000}) {
        const State& s = frame(side);
        double best[2] = {1e300, 1e300};
        long calls = 0;
        for (int rep = 0; rep < 9; ++rep)
            for (int events = 0; events < 2; ++events) {
                const double t0 = processSeconds();
                rectifyToFile(s, side, events != 0, path, calls);
                best[events] = std::min(best[events], processSeconds() - t0);
            }
        // The bookkeeping by itself over the same rows, which the difference above only estimates
        // within the noise of the machine.
        double alone = 1e300;
        for (int rep = 0; rep < 9; ++rep) {
            const rectify::RowOrder order = rectify::rowOrder(s.frame, vanishingPoints(s));
            Bookkeeping book;
            const double t0 = processSeconds();
            for (int k = 0; k < order.count; ++k) book.row(s, k, order.at(k));
            alone = std::min(alone, processSeconds() - t0);
        }
        const double px = static_cast<double>(side) * side;
        std::printf("  %4d x %4d: streamed %.3f ns/px, with progress and events %.3f ns/px (%+.2f %%); "
                    "the bookkeeping alone %.1f us = %.2f %% of the streamed run\n",
                    side, side, best[0] / px * 1e9, best[1] / px * 1e9, (best[1] / best[0] - 1) * 100,
                    alone * 1e6, alone / best[0] * 100);
    }
    std::filesystem::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    reportEventOverhead();
    return 0;
}

// Responsiveness of the whole road through the real handlers (on the recording window, so the
// toolkit's own drawing is left out): opening a 3000 x 2000 bitmap, one run of the vanishing
// points and the orientation, and a 3000 x 3000 rectification through the rectify command
// (progress, pending events, the streamed working file and the loading of the result included)
// beside the bare rectifier. Each benchmark reports the process's peak resident memory; run them
// one per process to read each peak by itself (scripts/road-figures.sh does).

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/writer.h"
#include "input/handlers.h"
#include "rectify/rectifier.h"
#include "testutils.h"
#include "ui/recording_window.h"

namespace {

using namespace velta;

std::string scratchDir() {
    const auto dir = std::filesystem::temp_directory_path() / "velta-road-bench";
    std::filesystem::create_directories(dir);
    return dir.string();
}

void reportPeak(benchmark::State& st) {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    st.counters["peak_rss_MiB"] = static_cast<double>(u.ru_maxrss) / 1024.0;
}

// A 3000 x 2000 source bitmap with varied bytes, written once.
const std::string& sourceFile() {
    static const std::string path = [] {
        const std::string p = scratchDir() + "/source-3000x2000.bmp";
        std::vector<RowRecord> rows(2000);
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < 3000; ++c) rows[r][c] = static_cast<std::uint8_t>((c * 7 + r * 31) % 251);
        const std::array<std::uint8_t, 54> header = velta::testing::plainHeader();
        std::array<std::uint8_t, 1024> palette{};
        for (std::size_t i = 0; i < 256; ++i)
            palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(i);
        std::string error;
        bitmap::writeBitmap(p, header, palette, 3000, rows, error);
        return p;
    }();
    return path;
}

void roadOpen(benchmark::State& st) {
    RecordingWindow w;
    App app(w, scratchDir());
    formLoad(app);
    for (auto _ : st) {
        w.openAnswers.push_back(sourceFile());
        openClick(app);
        benchmark::DoNotOptimize(app.s.image.sourceRows.data());
    }
    if (app.s.image.fileHeight != 2000) st.SkipWithError("the bitmap was not opened");
    reportPeak(st);
}

// Four lines of a façade seen by the frame's camera: two towards H, two towards V.
void markFacadeLines(State& s) {
    const double H[2] = {s.fuox, s.fuoy}, V[2] = {s.fuvx, s.fuvy};
    const double starts[4][2] = {{400, 300}, {400, 1700}, {300, 1800}, {2700, 1800}};
    for (int n = 1; n <= 4; ++n) {
        const double* target = n <= 2 ? H : V;
        const double x1 = starts[n - 1][0], y1 = starts[n - 1][1];
        const double t = 0.25;   // a quarter of the way to the vanishing point
        s.lineEnds[n][1] = x1, s.lineEnds[n][2] = y1;
        s.lineEnds[n][3] = x1 + t * (target[0] - x1), s.lineEnds[n][4] = y1 + t * (target[1] - y1);
    }
}

State facadeFrame(int side) {
    velta::testing::FrameSetup f;
    f.xmin = 1, f.ymin = 1, f.xmax = 2999, f.ymax = 1999;
    f.outWidth = side, f.outHeight = side;
    State s = velta::testing::makeFrame(f);
    s.image.bmpHeader[0] = 'B', s.image.bmpHeader[1] = 'M';
    s.constructionValid = true;
    s.vanishingValid = true;
    return s;
}

void roadOrientation(benchmark::State& st) {
    RecordingWindow w;
    App app(w, scratchDir());
    formLoad(app);
    app.s = facadeFrame(3000);
    markFacadeLines(app.s);
    app.s.lineCount = 4;
    for (auto _ : st) {
        w.pic1.refresh();
        FUGHE(app);   // the vanishing points, then the whole orientation
        benchmark::DoNotOptimize(app.s.frame.rowPoints.data());
    }
    if (!app.s.constructionValid || !w.messages.empty()) st.SkipWithError("the construction failed");
    reportPeak(st);
}

void roadRectifyCommand(benchmark::State& st) {
    RecordingWindow w;
    App app(w, scratchDir());
    formLoad(app);
    const State frame = facadeFrame(3000);
    for (auto _ : st) {
        st.PauseTiming();
        app.s = frame;
        st.ResumeTiming();
        RADDR1(app);
    }
    if (app.s.rectDone != 1 || !w.messages.empty()) st.SkipWithError("the rectification failed");
    st.counters["per_px"] = benchmark::Counter(3000.0 * 3000.0, benchmark::Counter::kIsIterationInvariantRate |
                                                                     benchmark::Counter::kInvert);
    st.counters["events"] = static_cast<double>(w.eventsProcessed) / static_cast<double>(st.iterations());
    reportPeak(st);
}

void roadBareRectifier(benchmark::State& st) {
    const State frame = facadeFrame(3000);
    const rectify::Input in = velta::testing::inputOf(frame);
    RowRecord row{};
    for (auto _ : st) {
        const rectify::Rectifier r(in);
        for (int i = 1; i <= r.height(); ++i) {
            r.computeRow(i, row);
            benchmark::DoNotOptimize(row.data());
        }
    }
    st.counters["per_px"] = benchmark::Counter(3000.0 * 3000.0, benchmark::Counter::kIsIterationInvariantRate |
                                                                     benchmark::Counter::kInvert);
    reportPeak(st);
}

}  // namespace

BENCHMARK(roadOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(roadOrientation)->Unit(benchmark::kMillisecond);
BENCHMARK(roadRectifyCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(roadBareRectifier)->Unit(benchmark::kMillisecond);

// Opening a camera photograph: the open command in the real main window against a bare decode of
// the same file, and one run of the whole colour road for a peak-memory reading.
//
// The file is the 6000 x 4000 colour sample façade as a JPEG of quality 92, written once into a
// temporary directory.
//
//   velta_open_bench [benchmark flags]
//       BM_BareDecode    QImageReader with autoTransform, read()
//       BM_OpenCommand   the open command in the main window, the dialog answering the file, each
//                        iteration opening it afresh; the events it leaves (layout, the view's
//                        first paint) included. Counters: the command's and the events' share.
//       BM_Part...       its parts, to see where the time goes: the plain reader's refusal, the
//                        program's decoder, the open with the previous picture let go beforehand,
//                        the bare decode letting the previous picture go, one full-size copy
//       and at the end the ratio open command / bare decode.
//   velta_open_bench --write-sample FILE
//       writes the sample JPEG and ends
//   velta_open_bench --road FILE [--default-area]
//       opens FILE through the open command, marks the façade's four edges and an area 20 pixels
//       around it (with --default-area no area: the default one), rectifies and ends; run it
//       under /usr/bin/time -v for the peak resident memory.
//
// The platform is the offscreen one unless QT_QPA_PLATFORM says otherwise.

#include <sys/resource.h>

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "bitmap/reader.h"
#include "imageio/qt_image_io.h"
#include "input/app.h"
#include "input/dispatch.h"
#include "sample/colour.h"
#include "sample/facade.h"
#include "ui/qt/dialog_provider.h"
#include "ui/qt/main_window.h"
#include "ui/qt/picture_view.h"

namespace {

using namespace velta;

// Dialogs that never open: the open dialog answers the file set, every message box is printed
// (none is expected on these roads) and answered as if closed.
struct FileDialogs : qt::DialogProvider {
    std::string file;
    int messages = 0;

    Answer messageBox(QWidget*, const std::string& text, const std::string& title, Icon, Buttons buttons) override {
        ++messages;
        std::fprintf(stderr, "message box \"%s\": %s\n", title.c_str(), text.c_str());
        return cancelAnswer(buttons);
    }
    std::optional<std::string> inputBox(QWidget*, const std::string&) override { return std::nullopt; }
    std::string openFile(QWidget*, const std::string&) override { return file; }
    std::string saveFile(QWidget*, const std::string&) override { return {}; }
    ExportChoice exportFile(QWidget*, const std::string&, bool) override { return {}; }
    bool printerDialog(QWidget*) override { return false; }
    void printWindow(QWidget&) override {}
    void showHelp(QWidget*, const std::string&) override {}
};

// The program as main() builds it, in a data directory of its own, the dialogs answering `file`.
struct Program {
    QTemporaryDir dir;
    qt::MainWindow window;
    imageio::QtImageIO imageIO;
    App app;
    FileDialogs* dialogs = nullptr;

    explicit Program(const std::string& file) : app(window.model(), dir.path().toStdString()) {
        auto own = std::make_unique<FileDialogs>();
        own->file = file;
        dialogs = own.get();
        window.setDialogs(std::move(own));
        app.io = &imageIO;
        window.attach(app);
        dispatch(app, Command::formLoad);
        window.showMaximized();
        QApplication::processEvents();
    }
};

// Writes the full-size colour sample as a JPEG of the sample's quality.
bool writeSample(const std::string& path) {
    const Picture picture = sample::colourFacade();
    if (picture.empty()) return false;
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels), picture.width, picture.height,
                       static_cast<qsizetype>(picture.stride) * 4, QImage::Format_RGB32);
    QImageWriter writer(QString::fromStdString(path), "jpeg");
    writer.setQuality(sample::colourSampleQuality);
    return writer.write(image);
}

std::string& sampleFile() {
    static std::string path;
    return path;
}

void BM_BareDecode(benchmark::State& st) {
    const QString name = QString::fromStdString(sampleFile());
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        QImageReader reader(name);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        const auto end = std::chrono::steady_clock::now();
        if (image.width() != sample::colourSampleWidth) st.SkipWithError("the sample does not decode");
        benchmark::DoNotOptimize(image.constBits());
        st.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void BM_OpenCommand(benchmark::State& st) {
    Program program(sampleFile());
    double command = 0, events = 0;
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        dispatch(program.app, Command::openClick);
        const auto handled = std::chrono::steady_clock::now();
        // What the command left for the event loop: the view's first paint and the layout.
        QApplication::processEvents();
        const auto end = std::chrono::steady_clock::now();
        if (program.dialogs->messages != 0 || program.app.s.image.road != Road::colour)
            st.SkipWithError("the sample did not open in colour");
        command += std::chrono::duration<double>(handled - start).count();
        events += std::chrono::duration<double>(end - handled).count();
        st.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    // The time of the command itself and of the events after it, in ms an iteration.
    const double n = static_cast<double>(st.iterations());
    st.counters["command_ms"] = command * 1e3 / n;
    st.counters["events_ms"] = events * 1e3 / n;
}

// The open command's parts, for finding where its time goes.

// The open command with the previous picture let go before the time starts: the difference to
// BM_OpenCommand is what letting it go costs.
void BM_PartOpenAfterRelease(benchmark::State& st) {
    Program program(sampleFile());
    for (auto _ : st) {
        program.app.s.image = SourceImage{};
        program.window.view(Pic::Picture1).setPicture(QImage());
        QApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        dispatch(program.app, Command::openClick);
        QApplication::processEvents();
        const auto end = std::chrono::steady_clock::now();
        if (program.dialogs->messages != 0 || program.app.s.image.road != Road::colour)
            st.SkipWithError("the sample did not open in colour");
        st.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

// The plain reader refusing the JPEG as outside its format.
void BM_PartPlainRefusal(benchmark::State& st) {
    for (auto _ : st) {
        const bitmap::ReadResult read = bitmap::readBitmapFile(sampleFile());
        if (read.ok || !read.outsideFormat) st.SkipWithError("the plain reader did not refuse the JPEG");
    }
}

// The program's decoder, the picture let go outside the time like the bare decode's.
void BM_PartProgramDecode(benchmark::State& st) {
    imageio::QtImageIO io;
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        DecodeResult decoded = io.decode(sampleFile());
        const auto end = std::chrono::steady_clock::now();
        if (!decoded.ok) st.SkipWithError("the program does not decode the sample");
        st.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

// The bare decode with the previous picture let go inside the time, as a fresh open lets go of
// the previous one.
void BM_PartBareDecodeReplacing(benchmark::State& st) {
    const QString name = QString::fromStdString(sampleFile());
    QImage image;
    for (auto _ : st) {
        QImageReader reader(name);
        reader.setAutoTransform(true);
        image = QImage();
        image = reader.read();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// A full-size copy of a decoded picture, as a view's canvas makes when it is first drawn on.
void BM_PartPictureCopy(benchmark::State& st) {
    QImageReader reader(QString::fromStdString(sampleFile()));
    const QImage picture = reader.read();
    for (auto _ : st) {
        QImage canvas = picture;
        canvas.bits()[0] = 0;   // detaches: the whole picture is copied
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

// Collects each case's time an iteration as it is reported, and prints the ratio once both are
// in: the median of the repetitions when they are aggregated, else the median of the runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations == 0 || run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median) continue;
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            const std::string name = run.benchmark_name();
            if (name.rfind("BM_BareDecode", 0) == 0) (median ? bareMedian_ : bare_).push_back(seconds);
            if (name.rfind("BM_OpenCommand", 0) == 0) (median ? openMedian_ : open_).push_back(seconds);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const std::vector<double>& bare = bareMedian_.empty() ? bare_ : bareMedian_;
        const std::vector<double>& open = openMedian_.empty() ? open_ : openMedian_;
        if (bare.empty() || open.empty()) return;
        const double b = median(bare), o = median(open);
        std::printf("open command / bare decode = %.1f ms / %.1f ms = %.3f (target <= 1.3)\n", o * 1e3, b * 1e3,
                    o / b);
    }

private:
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    std::vector<double> bare_, open_, bareMedian_, openMedian_;
};

void mouse(App& app, Command c, int x, int y) {
    dispatch(app, Event{c, 1, 0, static_cast<float>(x), static_cast<float>(y)});
    QApplication::processEvents();
}

// A click of the left button at image pixel (x, y) of the source view.
void click(App& app, int x, int y) {
    mouse(app, Command::PICTURE1_MouseDown, x, y);
    mouse(app, Command::Picture1_MouseUp, x, y);
}

int whole(double v) { return static_cast<int>(std::floor(v)); }

double peakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// The colour road once: open, the four edges, the area (unless the default one is wanted),
// rectify. 0 when the rectified image came out.
int road(const std::string& file, bool defaultArea) {
    Program program(file);
    App& app = program.app;
    dispatch(app, Command::openClick);
    QApplication::processEvents();
    if (app.s.image.road != Road::colour) {
        std::fprintf(stderr, "%s did not open in colour\n", file.c_str());
        return 1;
    }
    std::printf("opened %d x %d, peak so far %.0f MiB\n", app.s.image.picture.width, app.s.image.picture.height,
                peakMiB());

    const sample::Quad q =
        sample::facadeGeometryFor(sample::colourCamera(sample::colourSampleWidth, sample::colourSampleHeight)).facade;
    const std::pair<sample::ImagePoint, sample::ImagePoint> edges[] = {
        {q.topLeft, q.topRight}, {q.bottomLeft, q.bottomRight}, {q.bottomLeft, q.topLeft}, {q.bottomRight, q.topRight}};
    for (const auto& [a, b] : edges) {
        click(app, whole(a.x), whole(a.y));
        click(app, whole(b.x), whole(b.y));
    }
    if (app.s.lineCount != 4) {
        std::fprintf(stderr, "%d lines marked, not 4\n", app.s.lineCount);
        return 1;
    }
    if (!defaultArea) {
        const double left = std::min(q.topLeft.x, q.bottomLeft.x) - 20;
        const double right = std::max(q.topRight.x, q.bottomRight.x) + 20;
        const double top = std::min(q.topLeft.y, q.topRight.y) - 20;
        const double bottom = std::max(q.bottomLeft.y, q.bottomRight.y) + 20;
        dispatch(app, Command::RETTANG3);
        QApplication::processEvents();
        click(app, whole(left), whole(top));
        click(app, whole(right), whole(bottom));
    }
    std::printf("marked, peak so far %.0f MiB\n", peakMiB());

    dispatch(app, Command::RADDR1);
    QApplication::processEvents();
    const RectifiedImage& out = app.s.rectified;
    if (out.empty() || out.road != Road::colour || program.dialogs->messages != 0) {
        std::fprintf(stderr, "no colour rectified image\n");
        return 1;
    }
    // How much of the image the façade and its surroundings fill: pixels off black on a sparse grid.
    int lit = 0, seen = 0;
    for (int y = 0; y < out.height; y += 97)
        for (int x = 0; x < out.width; x += 89, ++seen) lit += (out.picture.row(y)[x] & 0xFFFFFFu) != 0;
    std::printf("%s, %d%% of the sampled pixels not black\n",
                app.s.interpolation == Interpolation::bicubic ? "bicubic" : "not bicubic", 100 * lit / seen);
    std::error_code ec;
    const auto fileSize = std::filesystem::file_size(app.workingFile(), ec);
    std::printf("rectified %d x %d (%.1f Mpx), working file %.0f MiB, prompt \"%s\", peak %.0f MiB\n", out.width,
                out.height, static_cast<double>(out.width) * out.height / 1e6,
                ec ? -1.0 : static_cast<double>(fileSize) / 1048576.0, app.w.text(Ctl::domanda1).c_str(), peakMiB());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);

    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--write-sample") return writeSample(args[1]) ? 0 : 1;
    if ((args.size() == 2 || args.size() == 3) && args[0] == "--road") {
        const bool defaultArea = args.size() == 3 && args[2] == "--default-area";
        if (args.size() == 3 && !defaultArea) {
            std::fprintf(stderr, "usage: %s --road FILE [--default-area]\n", argv[0]);
            return 2;
        }
        return road(args[1], defaultArea);
    }

    QTemporaryDir dir;
    sampleFile() = dir.filePath(QStringLiteral("facciata.jpg")).toStdString();
    if (!dir.isValid() || !writeSample(sampleFile())) {
        std::fprintf(stderr, "cannot write the sample JPEG\n");
        return 1;
    }
    benchmark::RegisterBenchmark("BM_BareDecode", BM_BareDecode)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_OpenCommand", BM_OpenCommand)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PartOpenAfterRelease", BM_PartOpenAfterRelease)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PartPlainRefusal", BM_PartPlainRefusal)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PartProgramDecode", BM_PartProgramDecode)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PartBareDecodeReplacing", BM_PartBareDecodeReplacing)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PartPictureCopy", BM_PartPictureCopy)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The open command on any file: the bytes become the file the open dialog returns, on a window
// that already shows a small image with two lines marked on it. The command either refuses the
// file with a critical message box and leaves the working state and the window exactly as they
// were, or takes it whole: the image the reader makes of those bytes, sized as the header says,
// with the marking started afresh on it (no lines, the centre in the middle, the default area
// on the picture). Anything else aborts, so that the fuzzer keeps the input.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "bitmap/reader.h"
#include "fuzz_support.h"
#include "input/app.h"
#include "input/handlers.h"
#include "state/state.h"
#include "ui/recording_window.h"
#include "sample/bmp8.h"

namespace velta {
namespace {

// The open image: small and with a padded row, so that its set-up costs little per input.
constexpr int baseWidth = 7, baseHeight = 5;

std::vector<std::uint8_t> baseBitmap() {
    std::array<std::uint8_t, 1024> palette{};
    for (std::size_t k = 0; k < 256; ++k) palette[4 * k] = palette[4 * k + 1] = static_cast<std::uint8_t>(k);
    std::vector<std::uint8_t> pixels(std::size_t{baseWidth} * baseHeight);
    for (std::size_t y = 0; y < baseHeight; ++y)
        for (std::size_t x = 0; x < baseWidth; ++x) pixels[y * baseWidth + x] = static_cast<std::uint8_t>(1 + x + 9 * y);
    return sample::encodePaletteBitmap(baseWidth, baseHeight, palette, pixels);
}

void click(App& app, float x, float y) {
    PICTURE1_MouseDown(app, 1, 0, x, y);
    Picture1_MouseUp(app, 1, 0, x, y);
}

void markLine(App& app, float x1, float y1, float x2, float y2) {
    click(app, x1, y1);
    Picture1_MouseMove(app, 1, 0, x2, y2);
    click(app, x2, y2);
}

bool sameControls(const Window& a, const std::array<ControlState, controlCount>& before) {
    for (int k = 0; k < controlCount; ++k) {
        const ControlState& now = a.control(static_cast<Ctl>(k));
        const ControlState& was = before[static_cast<std::size_t>(k)];
        if (now.text != was.text || now.toolTip != was.toolTip || now.enabled != was.enabled ||
            now.visible != was.visible || now.checked != was.checked)
            return false;
    }
    return true;
}

bool sameScroll(const ScrollBarState& a, const ScrollBarState& b) {
    return a.visible == b.visible && a.minimum == b.minimum && a.maximum == b.maximum && a.value == b.value &&
           a.smallStep == b.smallStep && a.largeStep == b.largeStep && a.position == b.position &&
           a.length == b.length;
}

/// What a user sees of the window: every control, the title, the bars, and the pictures.
struct WindowView {
    std::array<ControlState, controlCount> controls;
    std::string title;
    std::array<ScrollBarState, 4> scrolls;
    std::string picturePath;
    int pictureWidth, pictureHeight;
    bool pictureVisible, rectifiedVisible;

    explicit WindowView(RecordingWindow& w)
        : title(w.title()),
          picturePath(w.pic1.loadedPath),
          pictureWidth(w.pic1.pictureWidth()),
          pictureHeight(w.pic1.pictureHeight()),
          pictureVisible(w.pic1.visible()),
          rectifiedVisible(w.pic2.visible()) {
        for (int k = 0; k < controlCount; ++k) controls[static_cast<std::size_t>(k)] = w.control(static_cast<Ctl>(k));
        for (int k = 0; k < 4; ++k) scrolls[static_cast<std::size_t>(k)] = w.scroll(static_cast<ScrollId>(k));
    }

    bool unchangedIn(RecordingWindow& w) const {
        for (int k = 0; k < 4; ++k)
            if (!sameScroll(w.scroll(static_cast<ScrollId>(k)), scrolls[static_cast<std::size_t>(k)])) return false;
        return sameControls(w, controls) && w.title() == title && w.pic1.loadedPath == picturePath &&
               w.pic1.pictureWidth() == pictureWidth && w.pic1.pictureHeight() == pictureHeight &&
               w.pic1.visible() == pictureVisible && w.pic2.visible() == rectifiedVisible;
    }
};

template <typename T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

/// The working state a refused file must leave alone: the image, the lines, the construction
/// and its inputs.
bool sameWork(const State& a, const State& b) {
    return a.imageWidth == b.imageWidth && a.imageHeight == b.imageHeight && a.inputMode == b.inputMode &&
           a.lineCount == b.lineCount && a.pointPending == b.pointPending && sameBytes(a.lineEnds, b.lineEnds) &&
           sameBytes(a.lineSlopes, b.lineSlopes) && a.fuox == b.fuox && a.fuoy == b.fuoy && a.fuvx == b.fuvx &&
           a.fuvy == b.fuvy && a.vanishingValid == b.vanishingValid && sameBytes(a.areaCorners, b.areaCorners) &&
           a.areaStarts == b.areaStarts && a.centreX == b.centreX && a.centreY == b.centreY &&
           a.constructionValid == b.constructionValid && a.pixelStep == b.pixelStep &&
           a.raddrCount == b.raddrCount && a.rectDone == b.rectDone &&
           a.image.sourceFileName == b.image.sourceFileName && fuzz::sameImage(a.image, b.image);
}

/// The fresh marking on a newly opened image of w x h: no lines, the centre in the middle, and
/// the calculation area over the whole picture less a border of one pixel (corners top-left,
/// bottom-left, bottom-right, top-right).
bool freshOn(const State& s, double w, double h) {
    const double area[5][2] = {{0, 0}, {1, 1}, {1, h - 1}, {w - 1, h - 1}, {w - 1, 1}};
    for (int c = 1; c <= 4; ++c)
        if (s.areaCorners[c][1] != area[c][0] || s.areaCorners[c][2] != area[c][1]) return false;
    return s.imageWidth == w && s.imageHeight == h && s.centreX == w / 2 && s.centreY == h / 2 &&
           s.inputMode == 0 && s.lineCount == 0 && s.pointPending == 0 && !s.vanishingValid &&
           !s.constructionValid && s.raddrCount == 0 && s.rectDone == 0 && s.pixelStep == 1.0;
}

}  // namespace
}  // namespace velta

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velta;
    static const fuzz::ScratchDir dir("velta-open-fuzz");
    static const std::string basePath = [] {
        const std::vector<std::uint8_t> b = baseBitmap();
        const std::string p = dir.file("base.bmp");
        fuzz::writeFile(p, b.data(), b.size());
        return p;
    }();
    static const std::string path = dir.file("input.bmp");
    fuzz::writeFile(path, data, size);

    RecordingWindow w;
    App app(w, dir.path());
    formLoad(app);
    w.openAnswers.push_back(basePath);
    openClick(app);
    markLine(app, 1, 1, 6, 2);
    markLine(app, 1, 4, 5, 3);
    if (!w.messages.empty() || app.s.lineCount != 2) std::abort();   // the starting point itself failed

    const State before = app.s;
    const WindowView shown(w);
    w.openAnswers.push_back(path);
    openClick(app);

    const bitmap::ReadResult read = bitmap::readBitmap(std::span<const std::uint8_t>(data, size));
    if (w.messages.size() == 1) {
        // Refused: with the reader's reason in a critical box, and nothing else touched.
        const ShownMessage& m = w.messages.front();
        if (read.ok || m.icon != Icon::Critical || m.text.find(read.error) == std::string::npos) std::abort();
        if (!sameWork(app.s, before) || !shown.unchangedIn(w)) std::abort();
        return 0;
    }
    if (!w.messages.empty() || !read.ok) std::abort();

    // Taken: the very image the bytes hold, as large as the header says, shown and ready for lines.
    const State& s = app.s;
    const double width = fuzz::i32At(data, size, 18);
    const double height = std::abs(static_cast<double>(fuzz::i32At(data, size, 22)));
    if (!fuzz::sameImage(s.image, read.image) || s.image.sourceFileName != path || s.image.fileWidth != width ||
        s.image.fileHeight != height || s.image.sourceRows.size() != static_cast<std::size_t>(height) + 1)
        std::abort();
    if (!freshOn(s, width, height)) std::abort();
    if (w.pic1.loadedPath != path || w.pic1.pictureWidth() != width || w.pic1.pictureHeight() != height ||
        !w.pic1.visible() || w.pic2.visible() || w.title().find(path) == std::string::npos)
        std::abort();
    return 0;
}

#include "ui/recording_window.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "bitmap/reader.h"
#include "util/little_endian.h"

namespace velta {

namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;

// The picture of a bitmap file: its pixels when the program's reader takes it and its size is the
// header's, otherwise white.
raster::Picture pictureOf(const std::string& path, int width, int height) {
    raster::Picture p(width, height, white);
    const bitmap::ReadResult r = bitmap::readBitmapFile(path);
    if (!r.ok || r.image.fileWidth != width || r.image.fileHeight != height) return p;
    const auto& palette = r.image.bmpPalette;
    for (int y = 0; y < height && static_cast<std::size_t>(y) < r.image.sourceRows.size(); ++y) {
        const RowRecord& row = r.image.sourceRows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width && x < rowRecordSize; ++x) {
            const std::size_t e = 4u * row[static_cast<std::size_t>(x)];   // blue, green, red, reserved
            p.setPixel(x, y, 0xFF000000u | std::uint32_t{palette[e + 2]} << 16 | std::uint32_t{palette[e + 1]} << 8 |
                                 std::uint32_t{palette[e]});
        }
    }
    return p;
}

}  // namespace

bool RecordingSurface::loadPicture(const std::string& path, std::string& error) {
    if (failNextLoad) {
        failNextLoad = false;
        error = "formato non riconosciuto";
        return false;
    }
    // Stands in for the toolkit's decoder: takes the size from a bitmap header.
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b(26);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    b.resize(static_cast<std::size_t>(in.gcount()));
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') {
        error = "formato non riconosciuto";
        return false;
    }
    width_ = le::i32(b, 18);
    // The most negative height has no positive counterpart in 32 bits.
    const std::int64_t h = std::llabs(static_cast<std::int64_t>(le::i32(b, 22)));
    height_ = static_cast<int>(std::min<std::int64_t>(h, INT32_MAX));
    const bool holdable = width_ > 0 && height_ > 0 && std::int64_t{width_} * height_ <= largestPixels;
    picture_ = holdable ? pictureOf(path, width_, height_) : raster::Picture();
    loadedPath = path;
    refresh();
    return true;
}

bool RecordingSurface::showPicture(const velta::Picture& picture, std::string& error) {
    if (failNextLoad) {
        failNextLoad = false;
        error = "formato non riconosciuto";
        return false;
    }
    if (picture.empty()) {
        error = "nessuna immagine";
        return false;
    }
    width_ = picture.width;
    height_ = picture.height;
    picture_ = raster::Picture();
    if (std::int64_t{width_} * height_ <= largestPixels) {
        picture_ = raster::Picture(width_, height_, white);
        for (int y = 0; y < height_; ++y) {
            const std::uint32_t* row = picture.row(y);
            for (int x = 0; x < width_; ++x) picture_.setPixel(x, y, 0xFF000000u | row[x]);
        }
    }
    loadedPath.clear();
    refresh();
    return true;
}

void RecordingSurface::refresh() {
    ops.clear();
    canvas_ = picture_;
    ++refreshCount;
}

void RecordingSurface::add(DrawOp op, const std::vector<raster::Point>& pixels) {
    ops.push_back(op);
    allOps.push_back(op);
    raster::paint(canvas_.buffer(), pixels, op.color, op.mode);
}

void RecordingSurface::line(double x1, double y1, double x2, double y2, std::optional<Color> c) {
    add({DrawOp::Line, x1, y1, x2, y2, c.value_or(foreColor()), drawMode()},
        raster::segmentPixels(x1, y1, x2, y2, canvas_.width(), canvas_.height()));
}
void RecordingSurface::rect(double x1, double y1, double x2, double y2, std::optional<Color> c) {
    add({DrawOp::Rect, x1, y1, x2, y2, c.value_or(foreColor()), drawMode()},
        raster::rectPixels(x1, y1, x2, y2, canvas_.width(), canvas_.height()));
}
void RecordingSurface::circle(double cx, double cy, double r, std::optional<Color> c) {
    add({DrawOp::Circle, cx, cy, r, 0, c.value_or(foreColor()), drawMode()},
        raster::circlePixels(cx, cy, r, canvas_.width(), canvas_.height()));
}

Answer RecordingWindow::messageBox(const std::string& text, const std::string& title, Icon icon,
                                   Buttons buttons) {
    messages.push_back({text, title, icon, buttons});
    if (boxAnswers.empty()) return cancelAnswer(buttons);
    Answer a = boxAnswers.front();
    boxAnswers.pop_front();
    return a;
}

std::optional<std::string> RecordingWindow::inputBox(const std::string& prompt) {
    inputPrompts.push_back(prompt);
    if (inputAnswers.empty()) return std::nullopt;
    auto a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
}

static std::string next(std::deque<std::string>& q) {
    if (q.empty()) return {};
    std::string a = q.front();
    q.pop_front();
    return a;
}

std::string RecordingWindow::openFileDialog(const std::string& dir) {
    openDirs.push_back(dir);
    return next(openAnswers);
}

std::string RecordingWindow::saveFileDialog(const std::string& dir) {
    saveDirs.push_back(dir);
    return next(saveAnswers);
}

std::string RecordingWindow::reportFileDialog(const std::string& dir) {
    saveDirs.push_back(dir);
    return next(reportAnswers);
}

ExportChoice RecordingWindow::exportFileDialog(const std::string& dir, bool jpeg) {
    saveDirs.push_back(dir);
    exportJpegOffered.push_back(jpeg);
    if (exportAnswers.empty()) return {};
    ExportChoice a = exportAnswers.front();
    exportAnswers.pop_front();
    return a;
}

bool RecordingWindow::printerDialog() {
    if (printerAnswers.empty()) return false;
    bool a = printerAnswers.front();
    printerAnswers.pop_front();
    return a;
}

void RecordingWindow::processEvents() {
    ++eventsProcessed;
    if (onProcessEvents) onProcessEvents();
}

}  // namespace velta

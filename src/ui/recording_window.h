#pragma once
// A window without widgets for tests: draws its marks into pixels as the real window does,
// records what is drawn and shown, answers dialogs from scripted queues.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/raster.h"
#include "ui/window.h"
#include "ui/zoom_window.h"

namespace velta {

struct DrawOp {
    enum Kind { Line, Rect, Circle } kind;
    double x1, y1, x2, y2;   // a circle keeps its centre in x1, y1 and its radius in x2
    Color color;             // the colour actually used (given, or the foreground colour)
    DrawMode mode;
};

/// A picture surface in memory: its picture in 32-bit pixels, marks drawn into a copy of it by
/// the same rasteriser and draw modes as the Qt surface, and every drawing call recorded.
class RecordingSurface : public Surface {
public:
    /// Takes the picture of an 8-bit bitmap through the program's reader; any other file with a
    /// bitmap header gives a white picture of the header's size. A picture of more than
    /// `largestPixels` pixels keeps its size but holds no pixels (no test draws on one).
    bool loadPicture(const std::string& path, std::string& error) override;
    /// Takes a copy of the picture's pixels (alpha made opaque), or only its size when it has
    /// more than `largestPixels`.
    bool showPicture(const velta::Picture& picture, std::string& error) override;
    int pictureWidth() const override { return width_; }
    int pictureHeight() const override { return height_; }
    void refresh() override;
    void line(double x1, double y1, double x2, double y2, std::optional<Color> c = {}) override;
    void rect(double x1, double y1, double x2, double y2, std::optional<Color> c = {}) override;
    void circle(double cx, double cy, double r, std::optional<Color> c = {}) override;
    void toBack() override { ++backCount; }
    void toFront() override { ++frontCount; }

    std::vector<DrawOp> ops;      // marks drawn since the last refresh
    std::vector<DrawOp> allOps;   // every mark ever drawn
    std::string loadedPath;
    int refreshCount = 0;
    int backCount = 0, frontCount = 0;
    bool failNextLoad = false;    // the next load fails as an undecodable file

    static constexpr std::int64_t largestPixels = std::int64_t{1} << 25;
    /// The picture as loaded, without the marks.
    const raster::Picture& picture() const { return picture_; }
    /// The picture with the marks drawn since the last refresh, as a user would see it.
    const raster::Picture& canvas() const { return canvas_; }
    /// A pixel of the canvas, 0xFFRRGGBB.
    std::uint32_t pixel(int x, int y) const { return canvas_.pixel(x, y); }

private:
    void add(DrawOp op, const std::vector<raster::Point>& pixels);
    int width_ = 0, height_ = 0;
    raster::Picture picture_, canvas_;
};

/// A zoom window without widgets: records its lines and the picture it was given.
class RecordingZoom : public ZoomWindow {
public:
    bool show() override {
        const bool was = isLoaded;
        isLoaded = true;
        ++shown;
        return was;
    }
    bool loaded() const override { return isLoaded; }
    void setPictureFrom(Pic p) override { picture = p; }
    void drawLine(double x1, double y1, double x2, double y2, Color c) override {
        lines.push_back({DrawOp::Line, x1, y1, x2, y2, c, DrawMode::CopyPen});
    }
    double twipsPerPixel() const override { return 15; }
    double screenWidth() const override { return screenW; }
    double screenHeight() const override { return screenH; }

    bool isLoaded = false;
    int shown = 0;
    Pic picture = Pic::Picture1;
    std::vector<DrawOp> lines;
    double screenW = 15360, screenH = 11520;   // 1024 x 768 pixels
};

struct ShownMessage {
    std::string text, title;
    Icon icon;
    Buttons buttons;
};

class RecordingWindow : public Window {
public:
    Surface& picture(Pic p) override { return p == Pic::Picture1 ? pic1 : pic2; }
    int scrollBarThickness() const override { return scrollBarSizePx; }
    float viewportWidth() const override { return viewportW; }
    float viewportHeight() const override { return viewportH; }
    Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                      Buttons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt) override;
    std::string openFileDialog(const std::string& dir) override;
    std::string saveFileDialog(const std::string& dir) override;
    ExportChoice exportFileDialog(const std::string& dir, bool jpeg) override;
    std::string reportFileDialog(const std::string& dir) override;
    bool printerDialog() override;
    void printWindow() override { ++printed; }
    void showHelp(const std::string& path) override { helpShown.push_back(path); }
    void beep() override { ++beeps; }
    void processEvents() override;
    void quit() override { quitCalled = true; }
    ZoomWindow* zoom() override { return &zoomWindow; }

    RecordingSurface pic1, pic2;
    RecordingZoom zoomWindow;
    int scrollBarSizePx = 16;
    float viewportW = 1024, viewportH = 768;

    // Scripted answers; an empty queue answers "cancelled" (Ok for message boxes).
    std::deque<std::string> openAnswers, saveAnswers, reportAnswers;
    std::deque<ExportChoice> exportAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<Answer> boxAnswers;          // empty: as closed with Escape (see cancelAnswer)
    std::deque<bool> printerAnswers;
    std::function<void()> onProcessEvents;   // runs inside processEvents, e.g. to press cancel

    // What was shown
    std::vector<ShownMessage> messages;
    std::vector<std::string> inputPrompts, openDirs, saveDirs, helpShown;
    std::vector<bool> exportJpegOffered;     // one entry per export dialog shown
    int beeps = 0, printed = 0, eventsProcessed = 0;
    bool quitCalled = false;
};

}  // namespace velta

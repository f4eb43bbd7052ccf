#pragma once
// A picture surface on screen: shows its picture 1:1 (one image pixel per logical pixel) and
// draws marks into copies of the picture's tiles they touch, so that an inverted mark inverts
// the picture under it and a refresh drops every mark, while a photograph of many megapixels is
// not copied whole for a few lines. Mouse events are reported in whole image pixels.

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/raster.h"
#include "ui/window.h"

namespace velta::qt {

class PictureView : public QWidget, public velta::Surface {
    Q_OBJECT
public:
    /// A mouse event: button (1 left, 2 right, 4 middle), shift state (1 shift, 2 ctrl, 4 alt)
    /// and the position floored to whole image pixels.
    using MouseCallback = std::function<void(int button, int shift, float x, float y)>;

    /// An empty surface; it takes the size of the first picture loaded.
    explicit PictureView(QWidget* parent = nullptr);

    bool loadPicture(const std::string& path, std::string& error) override;
    bool showPicture(const velta::Picture& picture, std::string& error) override;
    int pictureWidth() const override { return picture_.width(); }
    int pictureHeight() const override { return picture_.height(); }
    void refresh() override;
    void line(double x1, double y1, double x2, double y2, std::optional<Color> c = {}) override;
    void rect(double x1, double y1, double x2, double y2, std::optional<Color> c = {}) override;
    void circle(double cx, double cy, double r, std::optional<Color> c = {}) override;
    void toBack() override { lower(); }
    void toFront() override { raise(); }

    /// Replaces the picture by an image (tests and the zoom window use this).
    void setPicture(const QImage& image);
    /// The picture as loaded, without the marks.
    const QImage& picture() const { return picture_; }
    /// The picture with the marks drawn on it, as shown (put together when asked for).
    const QImage& canvas() const;

    MouseCallback onPress, onMove, onRelease;
    /// Runs on a double click; without it a double click counts as one more press.
    std::function<void()> onDoubleClick;

protected:
    void placed() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void paintPixels(const std::vector<raster::Point>& pixels, std::optional<Color> c);
    QImage& tileAt(int tx, int ty);
    void report(const MouseCallback& callback, int button, QMouseEvent* event);

    static constexpr int tileSide = 128;
    static std::uint64_t tileKey(int tx, int ty) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(ty)) << 32 | static_cast<std::uint32_t>(tx);
    }

    QImage picture_;   // the loaded picture, RGB32 (shared with whoever holds it)
    // The tiles that marks were drawn on since the last refresh, each a copy of the picture's
    // tileSide x tileSide square (less at the right and bottom edges) with the marks in it.
    std::unordered_map<std::uint64_t, QImage> tiles_;
    mutable QImage canvas_;          // the whole canvas, put together for canvas()
    mutable bool canvasStale_ = false;
};

}  // namespace velta::qt

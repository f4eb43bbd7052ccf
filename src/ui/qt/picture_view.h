#pragma once
// A picture surface on screen: shows its picture 1:1 (one image pixel per logical pixel) and
// draws marks into a copy of it, so that an inverted mark inverts the picture under it and a
// refresh drops every mark. Mouse events are reported in whole image pixels.

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
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
    /// The picture with the marks drawn on it, as shown.
    const QImage& canvas() const { return canvas_; }

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
    void report(const MouseCallback& callback, int button, QMouseEvent* event);

    QImage picture_;   // the loaded picture, RGB32
    QImage canvas_;    // the picture with the marks drawn since the last refresh
};

}  // namespace velta::qt

#pragma once
// The zoom window on screen: a top-level window of its own beside the main one, laid out in
// twips like the model it mirrors. Its picture is stretched over the image area; lines drawn on
// the window lie over the picture until the picture changes or moves.
//
// The model's outer height includes a caption bar of a fixed 380 twips, the allowance the fit
// step makes for it: the window's own area is that much lower than the model's height, whatever
// frame a window manager adds (or none, without one). The model's position is the position of
// the window's frame; its width is the width of the window's own area.

#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QWidget>
#include <functional>

#include "ui/qt/twips.h"
#include "ui/zoom_window.h"

class QScrollBar;

namespace velta::qt {

class SpinArrows;

class ZoomView : public QWidget, public velta::ZoomWindow {
    Q_OBJECT
public:
    /// The picture of a view of the main window as loaded, without its marks.
    using PictureSource = std::function<QImage(Pic)>;
    /// The caption bar's part of the model's outer height, in twips.
    static constexpr double captionTwips = 380;

    /// A hidden, unloaded window owned by `parent`, in the parent's scale; its pictures come
    /// from `source`.
    ZoomView(const TwipScale& scale, PictureSource source, QWidget* parent);
    ~ZoomView() override;

    // The model's sizes, in twips; the widget's own are size() in pixels.
    using ZoomWindow::height;
    using ZoomWindow::width;

    // velta::ZoomWindow
    /// Shows and raises the window without blocking the main one; false when it was not loaded.
    bool show() override;
    bool loaded() const override { return loaded_; }
    void setPictureFrom(Pic source) override;
    void drawLine(double x1, double y1, double x2, double y2, Color c) override;
    double twipsPerPixel() const override { return scale_.twipsPerPixel(); }
    /// The right and bottom edges of the screen's available area, in twips.
    double screenWidth() const override;
    double screenHeight() const override;

    /// The image area Image1.
    QWidget* image() const;
    /// The picture of the image area, shared with the main window's view it came from.
    const QImage& picture() const;
    /// The scroll bars HScroll1 and VScroll1.
    QScrollBar* hScroll() const { return hScroll_; }
    QScrollBar* vScroll() const { return vScroll_; }
    /// The spin button Spin1.
    SpinArrows* spin() const { return spin_; }

    // The window's events, each reported once.
    std::function<void()> onSpinDown, onSpinUp;
    std::function<void(int value)> onHScroll, onVScroll;
    std::function<void()> onMouseUp;      // a button released on the window outside its controls
    std::function<void()> onDoubleClick;  // on the image area

protected:
    void changed() override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    class Picture;
    class Lines;

    QSize clientSize() const;
    void applyBars();
    void userScrolled(const std::function<void(int)>& handler, int value);

    TwipScale scale_;
    PictureSource source_;
    Picture* image_ = nullptr;
    Lines* lines_ = nullptr;
    QScrollBar* hScroll_ = nullptr;
    QScrollBar* vScroll_ = nullptr;
    SpinArrows* spin_ = nullptr;
    bool loaded_ = false;
    bool applying_ = false;  // the widgets are following the model: their changes are not the user's
    QPoint placedAt_;        // the last position and size the model gave the window, in pixels
    QSize sizedTo_;
    QRectF imageArea_;  // the model's image area last shown, in twips
};

}  // namespace velta::qt

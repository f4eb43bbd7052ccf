#pragma once
// The zoom window as the handlers see it: an image area that stretches its picture to its own
// size, two scroll bars and the window's own position and outer size, all in twips. An
// implementation mirrors each change onto a real window and reports its events.

#include "ui/window.h"

namespace velta {

struct ZoomBar {
    int maximum = 0;     // as the handlers set it; a real bar shows at least 0
    int value = 0;
    double length = 0;   // twips
};

class ZoomWindow {
public:
    virtual ~ZoomWindow() = default;

    /// Shows the window without blocking the main one; false when it was not loaded before
    /// (the caller then runs the load step).
    virtual bool show() = 0;
    /// Whether the window is loaded (shown and not closed since).
    virtual bool loaded() const = 0;
    /// The picture of Picture1 or Picture2 becomes the picture of the image area.
    virtual void setPictureFrom(Pic source) = 0;
    /// A line on the window itself, in window twips, in copy-pen mode.
    virtual void drawLine(double x1, double y1, double x2, double y2, Color c) = 0;
    /// Twips per screen pixel, read once from the screen.
    virtual double twipsPerPixel() const = 0;
    /// The screen area the window may use, in twips.
    virtual double screenWidth() const = 0;
    virtual double screenHeight() const = 0;

    // The image area Image1
    double imageWidth() const { return imageW_; }
    double imageHeight() const { return imageH_; }
    double imageLeft() const { return imageLeft_; }
    double imageTop() const { return imageTop_; }
    void setImageSize(double w, double h) { imageW_ = w, imageH_ = h; changed(); }
    void setImagePosition(double left, double top) { imageLeft_ = left, imageTop_ = top; changed(); }

    // The window: position and outer size (the height includes the caption bar)
    double left() const { return left_; }
    double top() const { return top_; }
    double width() const { return width_; }
    double height() const { return height_; }
    void setPosition(double left, double top) { left_ = left, top_ = top; changed(); }
    /// Resizing the window runs its resize handler, as a resize by the user does.
    void setSize(double w, double h) { width_ = w, height_ = h; changed(); resized(); }

    // The scroll bars HScroll1 and VScroll1 of the zoom window
    const ZoomBar& hBar() const { return h_; }
    const ZoomBar& vBar() const { return v_; }
    void setHBar(const ZoomBar& b) { h_ = b; changed(); }
    void setVBar(const ZoomBar& b) { v_ = b; changed(); }

protected:
    /// Called after any change of the values above.
    virtual void changed() {}
    /// Called after setSize: the implementation runs the resize handler.
    virtual void resized() {}

private:
    double imageW_ = 1935, imageH_ = 2130, imageLeft_ = 0, imageTop_ = 0;
    double left_ = 0, top_ = 0, width_ = 4000, height_ = 4000;
    ZoomBar h_{0, 0, 3800}, v_{0, 0, 3600};
};

}  // namespace velta

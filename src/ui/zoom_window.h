#pragma once
// The zoom window as the handlers see it: an image area that stretches its picture to its own
// size, two scroll bars and the window's own position and outer size, all in twips. An
// implementation mirrors each change onto a real window and reports its events. A resize of the
// window, by the program or by the user, runs the resize handler through onResize.

#include <functional>

#include "ui/window.h"

namespace velta {

struct ZoomBar {
    int maximum = 0;     // as the handlers set it (beyond 16 bits on the colour road); a real bar shows at least 0
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
    double imageWidth() const { return m_.imageW; }
    double imageHeight() const { return m_.imageH; }
    double imageLeft() const { return m_.imageLeft; }
    double imageTop() const { return m_.imageTop; }
    void setImageSize(double w, double h) { m_.imageW = w, m_.imageH = h; changed(); }
    void setImagePosition(double left, double top) { m_.imageLeft = left, m_.imageTop = top; changed(); }

    // The window: position and outer size (the height includes the caption bar)
    double left() const { return m_.left; }
    double top() const { return m_.top; }
    double width() const { return m_.width; }
    double height() const { return m_.height; }
    void setPosition(double left, double top) { m_.left = left, m_.top = top; changed(); }
    /// Resizing the window runs its resize handler while it is loaded, whether the program or
    /// the user resizes it (an implementation reports a user's resize through this too).
    void setSize(double w, double h) {
        m_.width = w, m_.height = h;
        changed();
        if (loaded() && onResize) onResize();
    }

    // The scroll bars HScroll1 and VScroll1 of the zoom window
    const ZoomBar& hBar() const { return m_.h; }
    const ZoomBar& vBar() const { return m_.v; }
    void setHBar(const ZoomBar& b) { m_.h = b; changed(); }
    void setVBar(const ZoomBar& b) { m_.v = b; changed(); }

    /// Every value back to its design value, as a window loaded anew has them (no resize
    /// handler runs).
    void restoreDesign() { m_ = Layout{}; changed(); }

    /// Whether the next picture given to setPictureFrom is a colour photograph (the colour
    /// road), which may be shown many times larger than any screen: an implementation paints
    /// it smoothly, and only the part in view. A plain picture is stretched whole, as before.
    bool colourPicture() const { return colour_; }
    void setColourPicture(bool colour) { colour_ = colour; }

    /// The resize handler; whoever connects the window to the program sets it.
    std::function<void()> onResize;

protected:
    /// Called after any change of the values above.
    virtual void changed() {}

private:
    struct Layout {
        double imageW = 1935, imageH = 2130, imageLeft = 0, imageTop = 0;
        double left = 0, top = 0, width = 4000, height = 4000;
        ZoomBar h{0, 0, 3800}, v{0, 0, 3600};
    };
    Layout m_;
    bool colour_ = false;
};

}  // namespace velta

#pragma once
// Design positions and sizes are in twips (1/1440 inch); the window is laid out in pixels.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace velta::qt {

/// Converts design twips to screen pixels with a factor read once at start.
class TwipScale {
public:
    /// A scale of the given twips per pixel (15 at 96 dpi); a value that is not positive gives 15.
    explicit TwipScale(double twipsPerPixel);
    /// The scale of the primary screen: 1440 / its logical dots per inch.
    static TwipScale fromScreen();

    /// Twips per screen pixel.
    double twipsPerPixel() const { return twipsPerPixel_; }
    /// A length in twips as whole pixels, rounded to the nearest.
    int px(int twips) const;
    /// A length in twips that need not be whole, as whole pixels rounded to the nearest; a length
    /// that is not finite gives 0 and a far one is bounded to a few million pixels.
    int pixels(double twips) const;
    /// A length in whole pixels as twips.
    double twips(int pixels) const { return static_cast<double>(pixels) * twipsPerPixel_; }
    /// A design point in twips as a pixel point.
    QPoint point(int x, int y) const { return {px(x), px(y)}; }
    /// A design size in twips as a pixel size.
    QSize size(int w, int h) const { return {px(w), px(h)}; }
    /// A design rectangle (left, top, width, height in twips) in pixels.
    QRect rect(int x, int y, int w, int h) const { return {point(x, y), size(w, h)}; }

private:
    double twipsPerPixel_;
};

}  // namespace velta::qt

#pragma once
// Snapping a marked line to the straight edge it was drawn along.
//
// Every click is a whole pixel; the edges a user marks (a cornice, a window row, the corner of a
// building) are long and straight, and fitted along their whole length they are known to a small
// fraction of a pixel. At every pixel step along the segment between the two clicks (leaving out
// 5 % at each end) the grey profile across the segment is sampled within +-3 px by bilinear
// interpolation; the place of its steepest change, refined to a fraction of a pixel by the
// centroid of the change around it, is that step's edge position, unless an edge of the other
// sign about as strong lies beside it (a thin stripe: which side was meant cannot be told) or the
// change is weaker than half the line's typical one. A straight line is
// fitted to the positions by least squares, positions further than 3 robust standard deviations
// are dropped and the line fitted again. The fit is taken when at least 60 % of the steps (and
// at least 10) keep a position and the residual rms is at most 0.7 px; the line's ends are then
// the two clicks projected onto the fitted line, so that the clicks still bound it.
//
// Coordinates are the program's: pixel (c, r) covers [c, c + 1) x [r, r + 1), so its grey level
// stands at its centre (c + 0.5, r + 0.5), and a click on it reads (c, r).

#include <array>
#include <cstdint>
#include <span>

#include "state/picture.h"
#include "state/state.h"

namespace velta::edges {

/// Grey levels of a picture, one per pixel.
class GreyImage {
public:
    GreyImage(int width, int height) : width_(width), height_(height) {}
    virtual ~GreyImage() = default;
    GreyImage(const GreyImage&) = delete;
    GreyImage& operator=(const GreyImage&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    /// The grey level of pixel (x, y), 0 <= x < width, 0 <= y < height.
    virtual float at(int x, int y) const = 0;

private:
    int width_, height_;
};

/// The grey levels of a 256-colour picture held as row records (row 0 at the top): each index's
/// palette colour (blue, green, red, reserved) taken to its luminance.
class PaletteGrey final : public GreyImage {
public:
    PaletteGrey(std::span<const RowRecord> rows, int width, int height, const std::array<std::uint8_t, 1024>& palette);
    float at(int x, int y) const override { return levels_[rows_[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]]; }

private:
    std::span<const RowRecord> rows_;
    std::array<float, 256> levels_{};
};

/// The grey levels of a colour picture: each pixel's luminance.
class PictureGrey final : public GreyImage {
public:
    explicit PictureGrey(const Picture& picture);
    float at(int x, int y) const override;

private:
    Picture picture_;
};

/// The luminance of a colour (ITU-R BT.601 weights), 0..255.
float luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

/// What snapping made of one line.
struct Snap {
    bool snapped = false;        // the edge was found and the ends moved onto it
    double x1 = 0, y1 = 0;       // the ends: the clicks projected onto the fitted line, or the
    double x2 = 0, y2 = 0;       // clicks themselves when the line is not snapped
    double rms = 0;              // residual rms of the edge positions about the line, pixels
    double centreX = 0, centreY = 0;   // the fitted line's point over the positions' mean place
    double sigmaOffset = 0;      // standard error of the line across itself at that point, pixels
    double sigmaAngle = 0;       // standard error of its direction, radians
    int steps = 0;               // steps along the segment
    int kept = 0;                // positions the final fit stands on
};

/// Looks for the straight edge along the segment from (x1, y1) to (x2, y2) on `grey`.
Snap snapLine(const GreyImage& grey, double x1, double y1, double x2, double y2);

}  // namespace velta::edges

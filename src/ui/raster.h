#pragma once
// The marks drawn on a picture surface, as pixels. Coordinates are real numbers in image pixels;
// each is rounded to the nearest pixel the same way every time, so that a figure drawn twice
// covers exactly the same pixels. Figures are clipped to the image first: vanishing points and
// circles may lie far outside it, and only what falls inside is ever rasterised. Drawing works
// on 32-bit pixels in rows, so that the Qt surface and the recording one draw the same pixels.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/window.h"

namespace velta::raster {

/// A pixel position, x to the right and y down from the top-left pixel.
struct Point {
    int x = 0, y = 0;
    friend bool operator==(Point, Point) = default;
};

/// The pixels of the segment between two points, inside a width x height image, each once.
std::vector<Point> segmentPixels(double x1, double y1, double x2, double y2, int width, int height);
/// The pixels of the outline of the rectangle with corners (x1, y1) and (x2, y2), each once.
std::vector<Point> rectPixels(double x1, double y1, double x2, double y2, int width, int height);
/// The pixels of the outline of the circle of centre (cx, cy) and radius r, each once.
std::vector<Point> circlePixels(double cx, double cy, double r, int width, int height);

/// Rows of 32-bit pixels 0xFFRRGGBB (the layout of an RGB32 image), held elsewhere.
struct PixelBuffer {
    std::uint32_t* bits = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t stride = 0;   // pixels from the start of one row to the start of the next
};

/// The 32-bit pixel of a colour.
std::uint32_t pixelOf(Color c);

/// Draws pixels of the buffer in a draw mode: copy pen paints them in the colour, invert inverts
/// each once, blackness paints them black. Pixels outside the buffer are left alone.
void paint(const PixelBuffer& buffer, const std::vector<Point>& pixels, Color c, DrawMode mode);

/// A picture of 32-bit pixels that holds its own rows.
class Picture {
public:
    Picture() = default;
    /// A width x height picture, every pixel `fill`.
    Picture(int width, int height, std::uint32_t fill);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }
    std::uint32_t pixel(int x, int y) const { return pixels_[index(x, y)]; }
    void setPixel(int x, int y, std::uint32_t p) { pixels_[index(x, y)] = p; }
    PixelBuffer buffer() { return {pixels_.data(), width_, height_, width_}; }
    friend bool operator==(const Picture&, const Picture&) = default;

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace velta::raster

#include "ui/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velta::raster {

namespace {

using Pixels = std::vector<Point>;

// The size of the image drawn on.
struct Size {
    int width, height;
};

// The nearest pixel of a coordinate; halves go up, negative values alike.
double nearest(double v) { return std::floor(v + 0.5); }

bool inside(int x, int y, Size image) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

// Liang-Barsky clipping of a segment to [lo, hiX] x [lo, hiY]; false when nothing is left.
bool clip(double& x1, double& y1, double& x2, double& y2, double lo, double hiX, double hiY) {
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - lo, hiX - x1, y1 - lo, hiY - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ox = x1, oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

void addSegment(Pixels& out, double x1, double y1, double x2, double y2, Size image) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
    // A margin of two pixels keeps the rounded ends off the visible edge.
    if (!clip(x1, y1, x2, y2, -2.0, image.width + 1.0, image.height + 1.0)) return;
    int x = static_cast<int>(nearest(x1)), y = static_cast<int>(nearest(y1));
    const int xe = static_cast<int>(nearest(x2)), ye = static_cast<int>(nearest(y2));
    // Bresenham, both ends included.
    const int dx = std::abs(xe - x), dy = -std::abs(ye - y);
    const int sx = x < xe ? 1 : -1, sy = y < ye ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        if (inside(x, y, image)) out.push_back({x, y});
        if (x == xe && y == ye) break;
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
}

// One point of the circle on a given pixel column (or row): the two crossings of the outline.
void addCrossings(Pixels& out, int fixed, double centreFixed, double centreFree, double r,
                  bool fixedIsX, Size image) {
    const double d = fixed - centreFixed;
    const double rest = r * r - d * d;
    if (rest < 0.0) return;
    const double half = std::sqrt(rest);
    const int limit = fixedIsX ? image.height : image.width;
    for (double v : {centreFree - half, centreFree + half}) {
        const double n = nearest(v);
        if (n < 0.0 || n >= limit) continue;
        const int free = static_cast<int>(n);
        if (fixedIsX) out.push_back({fixed, free});
        else out.push_back({free, fixed});
    }
}

// The whole-pixel range [first, last] of [centre - r, centre + r] within 0 .. limit - 1.
bool span(double centre, double r, int limit, int& first, int& last) {
    const double a = std::max(0.0, std::ceil(centre - r));
    const double b = std::min(limit - 1.0, std::floor(centre + r));
    if (a > b) return false;
    first = static_cast<int>(a);
    last = static_cast<int>(b);
    return true;
}

Pixels unique(Pixels p) {
    auto before = [](Point a, Point b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
    std::sort(p.begin(), p.end(), before);
    p.erase(std::unique(p.begin(), p.end()), p.end());
    return p;
}

}  // namespace

std::vector<Point> segmentPixels(double x1, double y1, double x2, double y2, int width, int height) {
    const Size image{width, height};
    Pixels out;
    addSegment(out, x1, y1, x2, y2, image);
    return unique(std::move(out));
}

std::vector<Point> rectPixels(double x1, double y1, double x2, double y2, int width, int height) {
    const Size image{width, height};
    Pixels out;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return out;
    addSegment(out, x1, y1, x2, y1, image);
    addSegment(out, x2, y1, x2, y2, image);
    addSegment(out, x2, y2, x1, y2, image);
    addSegment(out, x1, y2, x1, y1, image);
    return unique(std::move(out));
}

std::vector<Point> circlePixels(double cx, double cy, double r, int width, int height) {
    const Size image{width, height};
    Pixels out;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r) || r < 0.0) return out;
    // Sampling the outline on every column and on every row leaves no gaps at any slope and
    // costs no more than the image is wide and high, however large the circle.
    int first = 0, last = -1;
    if (span(cx, r, image.width, first, last))
        for (int x = first; x <= last; ++x) addCrossings(out, x, cx, cy, r, true, image);
    if (span(cy, r, image.height, first, last))
        for (int y = first; y <= last; ++y) addCrossings(out, y, cy, cx, r, false, image);
    if (out.empty() && r < 0.5) {
        const double x = nearest(cx), y = nearest(cy);
        if (x >= 0.0 && y >= 0.0 && x < image.width && y < image.height)
            out.push_back({static_cast<int>(x), static_cast<int>(y)});
    }
    return unique(std::move(out));
}

std::uint32_t pixelOf(Color c) {
    const std::uint32_t red = c.value & 0xFFu, green = (c.value >> 8) & 0xFFu, blue = (c.value >> 16) & 0xFFu;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

void paint(const PixelBuffer& buffer, const std::vector<Point>& pixels, Color c, DrawMode mode) {
    if (!buffer.bits) return;
    const std::uint32_t colour = pixelOf(c);
    for (const Point p : pixels) {
        if (p.x < 0 || p.y < 0 || p.x >= buffer.width || p.y >= buffer.height) continue;
        std::uint32_t& px = buffer.bits[p.y * buffer.stride + p.x];
        switch (mode) {
        case DrawMode::CopyPen: px = colour; break;
        // The alpha byte of an RGB32 pixel stays opaque.
        case DrawMode::Invert: px = ~px | 0xFF000000u; break;
        case DrawMode::Blackness: px = 0xFF000000u; break;
        }
    }
}

Picture::Picture(int width, int height, std::uint32_t fill)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

}  // namespace velta::raster

#include "edges/snap.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace velta::edges {

namespace {

constexpr double reach = 3.0;          // the edge is looked for this far to either side of the segment
constexpr double spacing = 0.5;        // between the profile's samples
constexpr int window = 3;              // samples either side of the peak that refine its place
constexpr double sampleReach = reach + window * spacing;   // the profile runs this far
constexpr int samples = 2 * static_cast<int>(sampleReach / spacing) + 1;
constexpr double endShare = 0.05;      // left out at either end of the segment
constexpr double minShare = 0.6;       // of the steps that must keep a position
constexpr int minPositions = 10;
constexpr double maxRms = 0.7;         // pixels
constexpr double weakShare = 0.5;      // a step weaker than this share of the median is no edge
constexpr double rivalShare = 0.5;     // an opposite edge this strong makes a step ambiguous
constexpr double outlierSds = 3.0;
constexpr double minRobustSd = 0.1;    // pixels: below this the spread is the edge's own wobble

// The grey level at point (x, y), interpolated between the pixel centres (c + 0.5, r + 0.5);
// beyond the outer centres it is the rim pixel's.
float bilinear(const GreyImage& g, double x, double y) {
    const double maxX = g.width() - 1, maxY = g.height() - 1;
    x = std::clamp(x - 0.5, 0.0, maxX);
    y = std::clamp(y - 0.5, 0.0, maxY);
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, g.width() - 1), y1 = std::min(y0 + 1, g.height() - 1);
    const float fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
    const float a = g.at(x0, y0), b = g.at(x1, y0), c = g.at(x0, y1), d = g.at(x1, y1);
    const float top = a + (b - a) * fx;
    const float bottom = c + (d - c) * fx;
    return top + (bottom - top) * fy;
}

// The slopes of one step's profile across the segment: the change of grey over one pixel at
// each sample.
using Slopes = std::array<float, samples>;

// One step's edge: its place along the segment and across it, and the strength of its change.
struct Position {
    double along = 0, across = 0;
    double strength = 0;
};

// The place of a step's steepest change within +-reach of the segment, in pixels across it, and
// its strength; nothing when that change lies at the rim of the searched part (the edge may lie
// beyond it), or when a change of the other sign about as strong lies beside it (the two sides of
// a thin stripe, a frame beside its glass: which of the two the user meant cannot be told).
//
// The sign is each step's own: an edge against a background lighter than the wall at one end and
// darker at the other (a sky shading upwards) turns sign along its length and is still one
// straight edge. The steepest sample only finds the edge: its place is the centroid of the change
// of that sign over +-1.5 px around it. For an edge averaged over its pixels and interpolated
// linearly between their centres that centroid is the edge itself, whatever the edge's phase
// against the pixels; a parabola through the three values around the peak was off by up to a
// fifth of a pixel on edges running along the pixel rows.
std::optional<Position> peakOf(const Slopes& slope) {
    constexpr int firstSearched = window, lastSearched = samples - 1 - window;
    float strongest = 0;
    for (int j = firstSearched; j <= lastSearched; ++j)
        if (std::fabs(slope[static_cast<std::size_t>(j)]) > std::fabs(strongest))
            strongest = slope[static_cast<std::size_t>(j)];
    const float sign = strongest < 0 ? -1.0f : 1.0f;
    const auto at = [&](int j) { return static_cast<double>(sign * slope[static_cast<std::size_t>(j)]); };
    int best = firstSearched;
    for (int j = firstSearched + 1; j <= lastSearched; ++j)
        if (at(j) > at(best)) best = j;
    if (!(at(best) > 0) || best == firstSearched || best == lastSearched) return std::nullopt;
    for (int j = firstSearched; j <= lastSearched; ++j)
        if (-at(j) >= rivalShare * at(best)) return std::nullopt;
    double weight = 0, moment = 0;
    for (int j = best - window; j <= best + window; ++j) {
        const double v = std::max(0.0, at(j));
        weight += v;
        moment += v * j;
    }
    return Position{0, -sampleReach + moment / weight * spacing, at(best)};
}

// The edge across the segment at point (cx, cy), the segment running across (nx, ny).
std::optional<Position> edgeAt(const GreyImage& grey, double cx, double cy, double nx, double ny) {
    // g[j + 1] is the grey level at sample j; the slope at j is taken over one pixel.
    std::array<float, samples + 2> g{};
    for (int j = 0; j < samples + 2; ++j) {
        const double across = -sampleReach + (j - 1) * spacing;
        g[static_cast<std::size_t>(j)] = bilinear(grey, cx + across * nx, cy + across * ny);
    }
    Slopes slope{};
    for (std::size_t j = 0; j < samples; ++j) slope[j] = g[j + 2] - g[j];
    return peakOf(slope);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    if (v.size() % 2 == 1) return *mid;
    return 0.5 * (*mid + *std::max_element(v.begin(), mid));
}

struct Fit {
    double offset = 0, slope = 0;    // across = offset + slope * (along - tMean)
    double tMean = 0, stt = 0;
    double sumSquares = 0;
    int count = 0;

    double residual(const Position& p) const { return p.across - (offset + slope * (p.along - tMean)); }
};

Fit fitLine(const std::vector<Position>& positions) {
    Fit f;
    f.count = static_cast<int>(positions.size());
    if (f.count < 2) return f;
    double st = 0, ss = 0;
    for (const Position& p : positions) {
        st += p.along;
        ss += p.across;
    }
    f.tMean = st / f.count;
    const double sMean = ss / f.count;
    double sts = 0;
    for (const Position& p : positions) {
        const double dt = p.along - f.tMean;
        f.stt += dt * dt;
        sts += dt * (p.across - sMean);
    }
    f.slope = f.stt > 0 ? sts / f.stt : 0;
    f.offset = sMean;
    for (const Position& p : positions) f.sumSquares += f.residual(p) * f.residual(p);
    return f;
}

// The line through the positions, fitted again without those further than 3 robust standard
// deviations from the first fit; the positions left are the ones the fit stands on.
Fit robustFit(std::vector<Position>& positions) {
    const Fit first = fitLine(positions);
    std::vector<double> residuals;
    residuals.reserve(positions.size());
    for (const Position& p : positions) residuals.push_back(first.residual(p));
    const double centre = median(residuals);
    std::vector<double> spread;
    spread.reserve(residuals.size());
    for (const double r : residuals) spread.push_back(std::fabs(r - centre));
    const double limit = outlierSds * std::max(1.4826 * median(spread), minRobustSd);
    std::erase_if(positions, [&](const Position& p) { return !(std::fabs(first.residual(p)) <= limit); });
    return fitLine(positions);
}

}  // namespace

PaletteGrey::PaletteGrey(std::span<const RowRecord> rows, int width, int height,
                         const std::array<std::uint8_t, 1024>& palette)
    : GreyImage(width, height), rows_(rows) {
    for (std::size_t i = 0; i < 256; ++i)
        levels_[i] = luminance(palette[4 * i + 2], palette[4 * i + 1], palette[4 * i]);
}

PictureGrey::PictureGrey(const Picture& picture) : GreyImage(picture.width, picture.height), picture_(picture) {}

float PictureGrey::at(int x, int y) const {
    const std::uint32_t p = picture_.row(y)[x];
    return luminance(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                     static_cast<std::uint8_t>(p));
}

float luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return 0.299f * red + 0.587f * green + 0.114f * blue;
}

Snap snapLine(const GreyImage& grey, double x1, double y1, double x2, double y2) {
    Snap out;
    out.x1 = x1, out.y1 = y1, out.x2 = x2, out.y2 = y2;
    const double length = std::hypot(x2 - x1, y2 - y1);
    if (!std::isfinite(length) || grey.width() < 2 || grey.height() < 2) return out;
    const double dx = (x2 - x1) / length, dy = (y2 - y1) / length;   // along the segment
    const double nx = -dy, ny = dx;                                   // across it

    // The edge at every pixel step of the segment's middle 90 %, where it is about as strong as
    // along most of the line.
    const double first = endShare * length;
    const int steps = static_cast<int>(std::floor((1 - 2 * endShare) * length)) + 1;
    out.steps = steps;
    if (steps < minPositions) return out;
    std::vector<Position> positions;
    positions.reserve(static_cast<std::size_t>(steps));
    for (int k = 0; k < steps; ++k) {
        const double along = first + k;
        if (auto p = edgeAt(grey, x1 + along * dx, y1 + along * dy, nx, ny)) {
            p->along = along;
            positions.push_back(*p);
        }
    }
    std::vector<double> strengths;
    strengths.reserve(positions.size());
    for (const Position& p : positions) strengths.push_back(p.strength);
    const double typical = median(std::move(strengths));
    std::erase_if(positions, [&](const Position& p) { return !(p.strength >= weakShare * typical); });
    const auto needed = static_cast<std::size_t>(std::max<double>(minPositions, std::ceil(minShare * steps)));
    if (positions.size() < needed) return out;

    const Fit fit = robustFit(positions);
    if (positions.size() < needed || !(fit.stt > 0)) return out;
    out.kept = fit.count;
    out.rms = std::sqrt(fit.sumSquares / fit.count);
    if (!(out.rms <= maxRms)) return out;

    // The fitted line in the picture, and the clicks projected onto it.
    const double px = x1 + fit.tMean * dx + fit.offset * nx, py = y1 + fit.tMean * dy + fit.offset * ny;
    const double norm = std::hypot(1.0, fit.slope);
    const double ux = (dx + fit.slope * nx) / norm, uy = (dy + fit.slope * ny) / norm;
    const auto project = [&](double x, double y, double& ox, double& oy) {
        const double along = (x - px) * ux + (y - py) * uy;
        ox = px + along * ux;
        oy = py + along * uy;
    };
    project(x1, y1, out.x1, out.y1);
    project(x2, y2, out.x2, out.y2);
    out.centreX = px;
    out.centreY = py;
    const double sigma = fit.count > 2 ? std::sqrt(fit.sumSquares / (fit.count - 2)) : 0.0;
    out.sigmaOffset = sigma / std::sqrt(static_cast<double>(fit.count)) / norm;
    out.sigmaAngle = sigma / std::sqrt(fit.stt) / (norm * norm);
    out.snapped = true;
    return out;
}

}  // namespace velta::edges

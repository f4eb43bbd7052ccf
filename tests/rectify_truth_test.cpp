// The whole construction against the truth: a checkerboard façade photographed by a pinhole
// camera, its lines marked exactly, the vanishing points and the orientation computed, then
// rectified pixel by pixel. The result must be the façade up to a similarity: its edges
// straight and square to the picture, its squares square.
#include "geometry/orientation.h"
#include "geometry/vanishing.h"
#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "testutils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

using namespace velta;
using velta::testing::inputOf;
using velta::testing::cornersOnLine;
using velta::testing::MarkedLines;
using velta::testing::Camera;
using velta::testing::cameraAt;
using velta::testing::depth;
using velta::testing::facadePoint;

namespace {

constexpr double square = 110;   // side of a checkerboard square on the façade
constexpr std::uint8_t dark = 10, light = 200;

struct Shot {
    const char* name;
    double yaw, pitch, roll;   // degrees, as sample/camera.h turns its camera
};

// The picture of the façade: byte k of a record shows picture point x = k + 1.5 (the rectifier
// reads byte Int(x) - 1 for x), record r shows y = r + 0.5.
void photograph(State& s, const Camera& cam, int width, int height) {
    s.image.fileWidth = width;
    s.image.fileHeight = static_cast<std::int16_t>(height);
    s.image.sourceRows.assign(static_cast<std::size_t>(height) + 1, RowRecord{});
    for (int r = 0; r < height; ++r)
        for (int k = 0; k < width; ++k) {
            const auto p = facadePoint(cam, {k + 1.5, r + 0.5});
            const bool odd = p && (static_cast<long long>(std::floor(p->x / square)) +
                                   static_cast<long long>(std::floor(p->y / square))) % 2 != 0;
            s.image.sourceRows[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)] = odd ? light : dark;
        }
}

// The rectified picture, row k of the computation at index k.
std::vector<RowRecord> rectifyAll(const State& s) {
    const rectify::Rectifier r(inputOf(s));
    const rectify::RowOrder order = rectify::rowOrder(s.frame, vanishingPoints(s));
    std::vector<RowRecord> rows(static_cast<std::size_t>(order.count));
    for (int k = 0; k < order.count; ++k) r.computeRow(order.at(k), rows[static_cast<std::size_t>(k)]);
    return rows;
}

// Positions of the colour changes along a line of pixels, inside the stretch [lo, hi] where
// every pixel is sampled. Nearest-neighbour sampling makes an edge ragged by a pixel, so changes
// closer than three pixels count as one edge, at their mean position.
std::vector<double> edges(const std::vector<std::uint8_t>& line, std::size_t lo, std::size_t hi) {
    std::vector<double> at;
    std::size_t inGroup = 0;
    double sum = 0, last = -1e9;
    for (std::size_t p = lo; p < hi; ++p) {
        if (line[p] == line[p + 1]) continue;
        const double x = static_cast<double>(p) + 0.5;
        if (x - last > 3 && inGroup > 0) {
            at.push_back(sum / static_cast<double>(inGroup));
            inGroup = 0;
            sum = 0;
        }
        sum += x;
        ++inGroup;
        last = x;
    }
    if (inGroup > 0) at.push_back(sum / static_cast<double>(inGroup));
    return at;
}

// Longest stretch of sampled pixels common to all the lines.
std::pair<std::size_t, std::size_t> commonSampled(const std::vector<std::vector<std::uint8_t>>& lines) {
    std::size_t lo = 0, hi = lines.front().size() - 1;
    for (const auto& l : lines) {
        std::size_t a = 0;
        while (a < l.size() && l[a] == 0) ++a;
        std::size_t b = l.size() - 1;
        while (b > a && l[b] == 0) --b;
        lo = std::max(lo, a);
        hi = std::min(hi, b);
    }
    return {lo, hi};
}

double nearest(const std::vector<double>& v, double x) {
    double best = v.front();
    for (double e : v)
        if (std::fabs(e - x) < std::fabs(best - x)) best = e;
    return best;
}

// The edges crossing three parallel lines of pixels at positions at[0] < at[1] < at[2]: their
// largest tilt (shift per pixel along the edge), their largest bend off the straight through the
// outer two, and their spacing along the middle line.
struct EdgeFit {
    double tilt = 1, bend = 1e9, spacing = 0;
    std::size_t count = 0;
};

EdgeFit fitEdges(const std::vector<std::vector<std::uint8_t>>& lines, const double at[3]) {
    const auto [lo, hi] = commonSampled(lines);
    EdgeFit fit;
    if (hi <= lo + 10) return fit;
    const std::vector<double> e0 = edges(lines[0], lo + 2, hi - 2), e1 = edges(lines[1], lo + 2, hi - 2),
                              e2 = edges(lines[2], lo + 2, hi - 2);
    if (e0.empty() || e1.size() < 4 || e2.empty()) return fit;
    fit.count = e1.size();
    fit.spacing = (e1.back() - e1.front()) / static_cast<double>(e1.size() - 1);
    fit.tilt = 0;
    fit.bend = 0;
    for (std::size_t k = 1; k + 1 < e1.size(); ++k) {
        const double x0 = nearest(e0, e1[k]), x2 = nearest(e2, e1[k]);
        const double tilt = (x2 - x0) / (at[2] - at[0]);
        fit.tilt = std::max(fit.tilt, std::fabs(tilt));
        fit.bend = std::max(fit.bend, std::fabs(e1[k] - (x0 + tilt * (at[1] - at[0]))));
    }
    return fit;
}

}  // namespace

TEST(RectifyTruth, aPhotographedCheckerboardComesOutSquare) {
    const int width = 1200, height = 900;
    for (const Shot& shot : {Shot{"up, right", 24, 16, -3}, Shot{"up, left", -20, 18, 4},
                             Shot{"down, right", 22, -14, -2}, Shot{"down, left", -27, -19, 3}}) {
        SCOPED_TRACE(shot.name);
        const Camera cam = cameraAt(1300, width / 2.0, height / 2.0, 0, 0, 6000, shot.yaw, shot.pitch, shot.roll);

        // Mark the edges of a façade rectangle seen around the middle of the picture.
        double u0 = 1e300, v0 = 1e300, u1 = -1e300, v1 = -1e300;
        for (double fx : {0.25, 0.75})
            for (double fy : {0.25, 0.75}) {
                const auto p = facadePoint(cam, {fx * width, fy * height});
                ASSERT_TRUE(p);
                u0 = std::min(u0, p->x); u1 = std::max(u1, p->x);
                v0 = std::min(v0, p->y); v1 = std::max(v1, p->y);
            }
        const geom::VanishingResult vp = geom::vanishingPoints(MarkedLines(cam, u0, v0, u1, v1).lineEnds);
        ASSERT_TRUE(vp.bothMeet());

        const std::optional<geom::Orientation> o = geom::orient(
            {.centreX = width / 2.0, .centreY = height / 2.0, .fuox = vp.fuox, .fuoy = vp.fuoy, .fuvx = vp.fuvx,
             .fuvy = vp.fuvy, .areaStarts = 1, .areaXmin = 250, .areaYmin = 180, .areaXmax = 950, .areaYmax = 720,
             .imageWidth = width, .imageHeight = height});
        ASSERT_TRUE(o);
        State s;
        s.fuox = vp.fuox; s.fuoy = vp.fuoy; s.fuvx = vp.fuvx; s.fuvy = vp.fuvy;
        velta::testing::setWindow(s, 250, 180, 950, 720);
        s.frame = *o;
        ASSERT_LE(s.frame.rectWidth, 3000);
        ASSERT_GE(s.frame.rectWidth, 200);
        ASSERT_GE(s.frame.rectHeight, 200);
        photograph(s, cam, width, height);

        const std::vector<RowRecord> rows = rectifyAll(s);
        const auto w = static_cast<std::size_t>(rectify::columnCount(s.frame));
        const std::size_t h = rows.size();

        // Vertical edges, seen along three rows; horizontal edges along three columns. Each line
        // is taken through the middle of a row (column) of squares, where it crosses every edge
        // once: of the lines near the wanted place, the one with the fewest colour changes.
        const auto rowLine = [&](std::size_t r) {
            return std::vector<std::uint8_t>(rows[r].begin(), rows[r].begin() + static_cast<std::ptrdiff_t>(w));
        };
        const auto colLine = [&](std::size_t c) {
            std::vector<std::uint8_t> col(h);
            for (std::size_t k = 0; k < h; ++k) col[k] = rows[k][c];
            return col;
        };
        const auto changes = [](const std::vector<std::uint8_t>& l) {
            std::size_t n = 0;
            for (std::size_t p = 1; p < l.size(); ++p) n += l[p] != l[p - 1];
            return n;
        };
        const auto cleanest = [&](auto lineAt, std::size_t near) {
            std::size_t best = near;
            for (std::size_t p = near - 12; p <= near + 12; ++p)
                if (changes(lineAt(p)) < changes(lineAt(best))) best = p;
            return best;
        };
        double across[3], down[3];
        std::vector<std::vector<std::uint8_t>> rowLines, colLines;
        for (int k = 0; k < 3; ++k) {
            const std::size_t r = cleanest(rowLine, h * static_cast<std::size_t>(3 + 2 * k) / 10);
            const std::size_t c = cleanest(colLine, w * static_cast<std::size_t>(3 + 2 * k) / 10);
            across[k] = static_cast<double>(r);
            down[k] = static_cast<double>(c);
            rowLines.push_back(rowLine(r));
            colLines.push_back(colLine(c));
        }
        const EdgeFit vertical = fitEdges(rowLines, across);
        const EdgeFit horizontal = fitEdges(colLines, down);
        ASSERT_GE(vertical.count, 5u);
        ASSERT_GE(horizontal.count, 5u);
        // Square corners: the façade's verticals stay columns, its horizontals rows.
        EXPECT_LT(vertical.tilt, 0.01);
        EXPECT_LT(horizontal.tilt, 0.01);
        // Straight edges: off the straight by no more than the pixels of truncation at each end.
        EXPECT_LE(vertical.bend, 2.5);
        EXPECT_LE(horizontal.bend, 2.5);
        // True aspect: the squares are as wide as they are tall.
        EXPECT_NEAR(vertical.spacing / horizontal.spacing, 1.0, 0.01)
            << "square " << vertical.spacing << " x " << horizontal.spacing << " pixels";
    }
}

TEST(RectifyTruth, anAreaCornerOnThePrincipalVerticalOrTheHorizonRectifiesTrue) {
    // The reference edge towards V (towards H) then runs along the ray from the measuring point
    // through every row (column) mark.
    const auto frames = cornersOnLine(0);
    EXPECT_GE(frames.size(), 8u);
    for (const auto& f : frames) {
        SCOPED_TRACE(f.name);
        const Camera& cam = f.cam;
        ASSERT_TRUE(f.o);
        State s;
        s.fuox = f.in.fuox; s.fuoy = f.in.fuoy; s.fuvx = f.in.fuvx; s.fuvy = f.in.fuvy;
        velta::testing::setWindow(s, f.in.areaXmin, f.in.areaYmin, f.in.areaXmax, f.in.areaYmax);
        s.frame = *f.o;
        const int h = rectify::rowCount(s.frame), w = rectify::columnCount(s.frame);
        ASSERT_GT(h, 100);
        ASSERT_GT(w, 100);

        // Pixel (i, j) shows the façade point i output pixels up or down and j across from
        // the origin's, at the picture's scale at the origin; the area lies on one side.
        const auto origin = facadePoint(cam, {s.frame.originX, s.frame.originY});
        const auto inside =
            facadePoint(cam, {(f.in.areaXmin + f.in.areaXmax) / 2, (f.in.areaYmin + f.in.areaYmax) / 2});
        ASSERT_TRUE(origin && inside);
        const double scale = cam.focalPx / depth(cam, origin->x, origin->y);
        const double across = inside->x > origin->x ? 1 : -1, up = inside->y > origin->y ? 1 : -1;
        double worst = 0;
        for (const int i : {1, h / 3, h})
            for (const int j : {1, w / 2, w}) {
                const rectify::SourcePoint src = rectify::sourcePoint(s.frame, vanishingPoints(s), i, j);
                const auto p = facadePoint(cam, {src.x, src.y});
                ASSERT_TRUE(src.finite && p) << i << ", " << j;
                worst = std::max(worst, std::hypot(p->x - origin->x - across * j / scale,
                                                   p->y - origin->y - up * i / scale) * scale);
            }
        EXPECT_LT(worst, 1e-3) << "output pixels off";

        // The fast rectifier takes its rows and columns from the same construction.
        velta::testing::fillSource(s, 1000, 800);
        const rectify::Rectifier fast(inputOf(s));
        for (const int i : {1, h / 2, h}) {
            RowRecord want{}, got{};
            rectify::referenceRow(inputOf(s), i, want);
            fast.computeRow(i, got);
            EXPECT_EQ(want, got) << "row " << i;
            EXPECT_NE(want, RowRecord{});
        }
    }
}

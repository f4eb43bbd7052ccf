#pragma once
// Helpers of the logic tests, in one place:
//   1. files and directories: a scratch directory, whole files written and read, a file-size limit
//   2. bitmaps: files built in memory field by field, and plain 8-bit bitmaps written from a pattern
//   3. the camera: the shared pinhole camera (sample/camera.h) in the tests' point types, the marked
//      lines of a photographed façade rectangle, exact orientation inputs
//   4. rectification frames built by hand from a camera, for the rectifier's tests and benchmark
//   5. marks on a recording surface written as text
//   6. the handler fixture: the program on a recording window over a scratch data directory

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "bitmap/writer.h"
#include "geometry/lines.h"
#include "geometry/orientation.h"
#include "input/app.h"
#include "input/handlers.h"
#include "rectify/reference.h"
#include "sample/camera.h"
#include "sample/facade.h"
#include "state/state.h"
#include "ui/recording_window.h"
#include "util/little_endian.h"

namespace velta::testing {

// ---- 1. files and directories -------------------------------------------------------------------

/// A fresh directory under the system's temporary directory, removed with its contents (even
/// when a test took its permissions away).
class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("velta-test-") + (info ? info->name() : "x") + "-" +
                           std::to_string(::getpid()) + "-" + std::to_string(counter++);
        std::replace(name.begin(), name.end(), '/', '_');   // a parameterised test's name has a slash
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The directory.
    const std::filesystem::path& path() const { return path_; }

    /// The path of `name` inside the directory.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

/// Writes `bytes` to `path`; true when all were written.
inline bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

/// The whole content of the file at `path` (empty when it cannot be read).
inline std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

/// Failing writes on demand, for tests of what a full disk leaves behind: while alive, no file
/// of this process grows past `bytes`; the write that would fails (EFBIG) after writing what
/// still fits, as it would on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);   // the write fails instead of ending the process
        rlimit tight = old_;
        tight.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldSignal_)(int) = SIG_DFL;
};

// ---- 2. bitmaps -----------------------------------------------------------------------------------

/// The fields of a bitmap to build; the defaults give a plain 256-colour file.
struct BmpSpec {
    std::int32_t width = 6;
    std::int32_t height = 5;            // negative: top-down rows
    std::uint32_t infoSize = 40;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;          // 0 means 256 entries
    std::uint32_t gap = 0;              // bytes between palette and pixels
    std::size_t trailing = 0;           // bytes after the last row
    char sig0 = 'B', sig1 = 'M';
};

/// An asymmetric picture: no two rows or columns alike, so flips and shifts show.
inline std::uint8_t pixelAt(int x, int yTop) {
    return static_cast<std::uint8_t>((x * 7 + yTop * 31 + 1) % 251);
}

/// Palette entry k: blue k, green 255 - k, red k / 2, reserved 0.
inline std::vector<std::uint8_t> paletteOf(std::uint32_t entries) {
    std::vector<std::uint8_t> p(4 * std::size_t{entries});
    for (std::size_t k = 0; k < entries; ++k) {
        p[4 * k] = static_cast<std::uint8_t>(k);
        p[4 * k + 1] = static_cast<std::uint8_t>(255 - k);
        p[4 * k + 2] = static_cast<std::uint8_t>(k / 2);
    }
    return p;
}

/// The bytes of a bitmap file built from `shape`, pixels from pixelAt, padding bytes 0xEE.
inline std::vector<std::uint8_t> makeBmp(const BmpSpec& shape) {
    const std::uint32_t entries = shape.clrUsed == 0 ? 256 : shape.clrUsed;
    const std::size_t w = static_cast<std::size_t>(shape.width < 0 ? -shape.width : shape.width);
    const std::size_t h = static_cast<std::size_t>(shape.height < 0 ? -shape.height : shape.height);
    const std::size_t stride = (w + 3) / 4 * 4;
    const std::size_t offset = 14 + shape.infoSize + 4 * std::size_t{entries} + shape.gap;
    std::vector<std::uint8_t> b(offset + h * stride + shape.trailing, 0);
    b.at(0) = static_cast<std::uint8_t>(shape.sig0);
    b.at(1) = static_cast<std::uint8_t>(shape.sig1);
    le::put32(b, 2, static_cast<std::uint32_t>(b.size()));
    le::put32(b, 10, static_cast<std::uint32_t>(offset));
    le::put32(b, 14, shape.infoSize);
    le::putI32(b, 18, shape.width);
    le::putI32(b, 22, shape.height);
    b[26] = 1;
    le::put16(b, 28, shape.bitCount);
    le::put32(b, 30, shape.compression);
    le::put32(b, 34, static_cast<std::uint32_t>(h * stride));
    le::put32(b, 38, 2835);
    le::put32(b, 42, 2835);
    le::put32(b, 46, shape.clrUsed);
    const auto pal = paletteOf(entries);
    std::copy(pal.begin(), pal.end(), b.begin() + static_cast<std::ptrdiff_t>(14 + shape.infoSize));
    for (std::size_t i = 0; i < h; ++i) {
        const std::size_t yTop = shape.height < 0 ? i : h - 1 - i;
        for (std::size_t x = 0; x < stride; ++x)
            b[offset + i * stride + x] =
                x < w ? pixelAt(static_cast<int>(x), static_cast<int>(yTop)) : 0xEE;
    }
    for (std::size_t k = offset + h * stride; k < b.size(); ++k) b[k] = 0x5A;
    return b;
}

/// Palette index of pixel (x, y), y counted from the top.
using Pattern = std::function<std::uint8_t(int x, int y)>;

/// No two rows or columns alike, never index 0 (so an unsampled pixel shows).
inline std::uint8_t rampPattern(int x, int y) {
    return static_cast<std::uint8_t>((x * 7 + y * 31) % 251 + 1);
}

/// A plain 8-bit header: signature, pixel offset 1078, 40-byte info header, one plane, 8 bits.
/// The writer fills in width, height and the two sizes.
inline std::array<std::uint8_t, 54> plainHeader() {
    std::array<std::uint8_t, 54> h{};
    h[0] = 'B';
    h[1] = 'M';
    h[10] = 0x36;   // 1078
    h[11] = 0x04;
    h[14] = 40;
    h[26] = 1;
    h[28] = 8;
    h[38] = 0x13;   // 2835 pixels per metre
    h[39] = 0x0B;
    h[42] = 0x13;
    h[43] = 0x0B;
    return h;
}

/// The 256 entries of paletteOf as the writer takes them.
inline std::array<std::uint8_t, 1024> plainPalette() {
    const std::vector<std::uint8_t> entries = paletteOf(256);
    std::array<std::uint8_t, 1024> p{};
    std::copy(entries.begin(), entries.end(), p.begin());
    return p;
}

/// Writes a `width` x `height` bitmap with the plain header and palette to `path`; true when
/// it was written (a failure is reported to the running test).
inline bool writePlainBitmap(const std::filesystem::path& path, int width, int height,
                             const Pattern& pattern = rampPattern) {
    std::vector<RowRecord> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = pattern(x, y);
    std::string error;
    const bool written = bitmap::writeBitmap(path.string(), plainHeader(), plainPalette(), width, rows, error);
    EXPECT_TRUE(written) << error;
    return written;
}

// ---- 3. the camera --------------------------------------------------------------------------------
// The one pinhole camera of sample/camera.h: the façade is the plane of (u, v), u to the right, v
// upwards; the picture's y runs downwards; yaw turns right, pitch looks up, roll lifts the right
// end of a level line. Here its points are given as geom::Point, a façade point as (u, v) = (x, y).

using sample::Camera;

/// A camera of focal length f pixels with its principal point at (cx, cy), standing `distance`
/// in front of the façade point (u, v), turned by yaw, pitch and roll (degrees).
inline Camera cameraAt(double f, double cx, double cy, double u, double v, double distance, double yaw,
                       double pitch, double roll) {
    sample::Placement p;
    p.focalPx = f;
    p.principalX = cx;
    p.principalY = cy;
    p.positionU = u;
    p.positionV = v;
    p.distance = distance;
    p.yawDeg = yaw;
    p.pitchDeg = pitch;
    p.rollDeg = roll;
    return sample::makeCamera(p);
}

/// Picture point of the façade point (u, v), which must lie in front of the camera.
inline geom::Point imageOf(const Camera& cam, double u, double v) {
    const sample::ImagePoint p = sample::projectToImage(cam, {u, v}).value();
    return {p.x, p.y};
}

/// The façade point (u, v) that the picture point shows, when its ray meets the façade.
inline std::optional<geom::Point> facadePoint(const Camera& cam, geom::Point img) {
    const auto p = sample::imageToPlane(cam, {img.x, img.y});
    if (!p) return std::nullopt;
    return geom::Point{p->u, p->v};
}

/// Distance of the façade point (u, v) in front of the camera along its optical axis: a
/// segment parallel to the picture there shows focalPx / depth pixels per unit of length.
inline double depth(const Camera& cam, double u, double v) { return sample::depthOf(cam, {u, v}); }

/// Vanishing point of the façade's horizontal lines.
inline geom::Point horizontalVanishing(const Camera& cam) {
    const sample::ImagePoint p = sample::vanishingPoint(cam, 1, 0).value();
    return {p.x, p.y};
}

/// Vanishing point of the façade's vertical lines.
inline geom::Point verticalVanishing(const Camera& cam) {
    const sample::ImagePoint p = sample::vanishingPoint(cam, 0, 1).value();
    return {p.x, p.y};
}

/// Degrees to radians.
inline double radians(double degrees) { return degrees * 3.141592653589793 / 180; }

/// The roll (degrees) that puts the façade's horizontal vanishing point dy pixels below the
/// principal point of a camera with focal length f, yaw and pitch (degrees; yaw and pitch not
/// zero): the roll of the smallest size that does so.
inline double rollPuttingHBelowCentre(double f, double yaw, double pitch, double dy) {
    // H's offset below the centre is f * (cos(roll) * a - sin(roll) * b) / (cos(pitch) * sin(yaw)).
    const double a = std::sin(radians(pitch)) * std::sin(radians(yaw)), b = std::cos(radians(yaw));
    const double k = dy * std::cos(radians(pitch)) * std::sin(radians(yaw)) / f;
    const double roll = std::acos(k / std::hypot(a, b)) - std::atan2(b, a);
    return roll * 180 / 3.141592653589793;
}

/// The four marked lines of a façade rectangle [u0, u1] x [v0, v1], in the layout of the
/// working state: lineEnds[n][1..4] = x1, y1, x2, y2; lines 1, 2 the top and bottom edges,
/// lines 3, 4 the left and right edges. With roundClicks the ends are floored to whole pixels,
/// as the window passes mouse clicks on.
struct MarkedLines {
    double lineEnds[6][6] = {};

    MarkedLines(const Camera& cam, double u0, double v0, double u1, double v1, bool roundClicks = false) {
        set(1, imageOf(cam, u0, v1), imageOf(cam, u1, v1), roundClicks);
        set(2, imageOf(cam, u0, v0), imageOf(cam, u1, v0), roundClicks);
        set(3, imageOf(cam, u0, v0), imageOf(cam, u0, v1), roundClicks);
        set(4, imageOf(cam, u1, v0), imageOf(cam, u1, v1), roundClicks);
    }

private:
    void set(int n, geom::Point a, geom::Point b, bool roundClicks) {
        const auto r = [roundClicks](double c) { return roundClicks ? std::floor(c) : c; };
        lineEnds[n][1] = r(a.x);
        lineEnds[n][2] = r(a.y);
        lineEnds[n][3] = r(b.x);
        lineEnds[n][4] = r(b.y);
    }
};

/// A 1000 x 800 picture taken by `cam`, its centre at the camera's principal point and its
/// vanishing points exact.
inline geom::OrientationInput exactInput(const Camera& cam) {
    geom::OrientationInput in;
    in.centreX = cam.principalX; in.centreY = cam.principalY;
    const geom::Point h = horizontalVanishing(cam), v = verticalVanishing(cam);
    in.fuox = h.x; in.fuoy = h.y; in.fuvx = v.x; in.fuvy = v.y;
    in.imageWidth = 1000; in.imageHeight = 800;
    return in;
}

/// A calculation area of exactInput(cam), about 300 x 250, with a corner on the principal
/// vertical (the centre itself) or on the horizon (its point in the centre's column), moved
/// `offset` pixels across that line, and its frame.
struct CornerOnLine {
    std::string name;            // the camera's turn, the line and the area's side, for traces
    Camera cam;
    geom::OrientationInput in;
    std::optional<geom::Orientation> o;
};

/// For four cameras turned to put V and H in each quadrant about the centre, and for either
/// line, the areas in which that corner fixes the edge towards V (towards H for the horizon),
/// so that with offset 0 the edge runs along the line. The same areas, in the same order,
/// whatever the offset.
inline std::vector<CornerOnLine> cornersOnLine(double offset) {
    struct Turn {
        double yaw, pitch, roll;   // degrees
    };
    std::vector<CornerOnLine> out;
    for (const Turn& turn : {Turn{25, -15, -3}, Turn{-20, 12, 4}, Turn{30, 18, -2}, Turn{-28, -10, 3}}) {
        const Camera cam = cameraAt(1000, 500, 400, 0, 0, 6000, turn.yaw, turn.pitch, turn.roll);
        const geom::OrientationInput whole = exactInput(cam);
        const auto plain = geom::orient(whole);
        if (!plain) continue;
        for (const bool onHorizon : {false, true}) {
            const geom::Point corner{cam.principalX, onHorizon ? whole.fuoy + plain->horizonSlope *
                                                                                  (cam.principalX - whole.fuox)
                                                               : cam.principalY};
            const auto withArea = [&](double dx, double dy, double off) {
                geom::OrientationInput in = whole;
                const double x = corner.x + (onHorizon ? 0 : off), y = corner.y + (onHorizon ? off : 0);
                // The far side on a whole pixel, as the frame rounds the opposite corner's y.
                const double farY = std::round(corner.y + dy);
                in.areaStarts = 1;
                in.areaXmin = std::min(x, x + dx); in.areaXmax = std::max(x, x + dx);
                in.areaYmin = std::min(y, farY); in.areaYmax = std::max(y, farY);
                return in;
            };
            for (const double dx : {300.0, -300.0})
                for (const double dy : {250.0, -250.0}) {
                    const auto on = geom::orient(withArea(dx, dy, 0));
                    if (!on) continue;
                    const double slant = onHorizon ? on->horizEdgeSlope - on->horizonSlope
                                                   : on->vertEdgeSlope - on->axisSlope;
                    if (std::fabs(slant) > 1e-12) continue;   // another corner fixes that edge
                    const geom::OrientationInput in = withArea(dx, dy, offset);
                    std::ostringstream name;
                    name << "turn " << turn.yaw << " " << turn.pitch << " " << turn.roll << ", corner on the "
                         << (onHorizon ? "horizon" : "principal vertical") << ", area towards " << dx << ", " << dy
                         << ", " << offset << " px across";
                    out.push_back({name.str(), cam, in, geom::orient(in)});
                }
        }
    }
    return out;
}

// ---- 4. rectification frames ----------------------------------------------------------------------
// A camera gives the two vanishing points, the measuring points are placed at the eye distances,
// and the row and column marks are spaced so that the last row and column reach the far corner
// of the area.

/// A camera looking at a façade and the part of the photograph to rectify.
struct FrameSetup {
    double imageWidth = 3000, imageHeight = 2000;   // source picture in pixels
    double focal = 2600;                            // principal distance in pixels
    double yaw = 0.35, pitch = 0.25, roll = 0.03;   // camera turn, tilt (up > 0) and roll, radians
    double xmin = 300, ymin = 200, xmax = 2700, ymax = 1800;   // calculation area
    int outWidth = 600, outHeight = 400;            // W and H
    bool mirrorColumns = false;                     // colSign -1 (marks laid out the other way)
};

/// The camera of `f`, its principal point in the middle of the picture.
inline Camera cameraOf(const FrameSetup& f) {
    sample::Placement p;
    p.focalPx = f.focal;
    p.principalX = f.imageWidth / 2;
    p.principalY = f.imageHeight / 2;
    p.yawDeg = f.yaw * 180 / 3.141592653589793;
    p.pitchDeg = f.pitch * 180 / 3.141592653589793;
    p.rollDeg = f.roll * 180 / 3.141592653589793;
    return sample::makeCamera(p, sample::turnsOfRadians(f.yaw, f.pitch, f.roll));
}

inline geom::Point minus(geom::Point a, geom::Point b) { return {a.x - b.x, a.y - b.y}; }
inline double cross(geom::Point a, geom::Point b) { return a.x * b.y - a.y * b.x; }

/// The meeting point of the line through p with direction d and the line through q with direction e.
inline geom::Point meet(geom::Point p, geom::Point d, geom::Point q, geom::Point e) {
    const double a = cross(minus(q, p), e) / cross(d, e);
    return {p.x + a * d.x, p.y + a * d.y};
}

/// A source picture whose bytes differ from row to row and column to column.
inline void fillSource(State& s, int width, int height) {
    s.image.fileWidth = width;
    s.image.fileHeight = static_cast<std::int16_t>(height);
    s.image.sourceRows.assign(static_cast<std::size_t>(height) + 1, RowRecord{});
    for (std::size_t r = 0; r < static_cast<std::size_t>(height); ++r)
        for (std::size_t c = 0; c < static_cast<std::size_t>(width); ++c)
            s.image.sourceRows[r][c] = static_cast<std::uint8_t>((c * 7 + r * 31 + 1) % 251 + 1);
}

/// Moves the whole construction by (dx, dy): every source point of the frame moves with it.
inline void translate(State& s, double dx, double dy) {
    s.fuvx += dx; s.fuvy += dy; s.fuox += dx; s.fuoy += dy;
    s.frame.pvx += dx; s.frame.pvy += dy; s.frame.pox += dx; s.frame.poy += dy;
    s.frame.originX += dx; s.frame.originY += dy;
    for (auto* table : {&s.frame.rowPoints, &s.frame.colPoints})
        for (std::size_t k = 1; k < table->size(); ++k) {
            (*table)[k][2] += dx;
            (*table)[k][3] += dy;
        }
}

/// Sets the calculation area (the sampling window) to [xmin, xmax] x [ymin, ymax].
inline void setWindow(State& s, double xmin, double ymin, double xmax, double ymax) {
    s.areaCorners[1][1] = xmin; s.areaCorners[1][2] = ymin;
    s.areaCorners[2][1] = xmin; s.areaCorners[2][2] = ymax;
    s.areaCorners[3][1] = xmax; s.areaCorners[3][2] = ymax;
    s.areaCorners[4][1] = xmax; s.areaCorners[4][2] = ymin;
}

/// The rectification of the state as the rectify command hands it over.
inline rectify::Input inputOf(const State& s) {
    return {s.frame, vanishingPoints(s), calculationArea(s), s.image};
}

/// Marks 1..count laid `step` apart from o along dir; row 0 stays 0.
inline std::vector<MarkRow> marksAlong(geom::Point o, geom::Point dir, double step, int count) {
    std::vector<MarkRow> table(static_cast<std::size_t>(count) + 1, MarkRow{});
    for (int k = 1; k <= count; ++k) {
        table[static_cast<std::size_t>(k)][2] = o.x + k * step * dir.x;
        table[static_cast<std::size_t>(k)][3] = o.y + k * step * dir.y;
    }
    return table;
}

/// A complete, consistent rectification state for `f`, with a source picture to sample.
inline State makeFrame(const FrameSetup& f) {
    using geom::Point;
    State s;
    const Point c{f.imageWidth / 2, f.imageHeight / 2};
    // Vertical lines of the façade converge at V, horizontal ones at H.
    const Camera cam = cameraOf(f);
    const Point v = verticalVanishing(cam);
    const Point h = horizontalVanishing(cam);
    s.fuvx = v.x; s.fuvy = v.y; s.fuox = h.x; s.fuoy = h.y;
    s.centreX = c.x; s.centreY = c.y;
    s.frame.axisSlope = (c.y - v.y) / (c.x - v.x);
    s.frame.horizonSlope = -1 / s.frame.axisSlope;

    // Measuring points at the eye distance of each vanishing point, towards the picture.
    const auto toward = [](Point from, Point to, double dist) {
        const double len = std::hypot(to.x - from.x, to.y - from.y);
        return Point{from.x + (to.x - from.x) / len * dist, from.y + (to.y - from.y) / len * dist};
    };
    const double eyeToV = std::sqrt(std::pow(std::hypot(v.x - c.x, v.y - c.y), 2) + f.focal * f.focal);
    const Point pv = toward(v, c, eyeToV);
    const Point horizonDir{1, s.frame.horizonSlope};
    const Point foot = meet(h, horizonDir, v, minus(c, v));
    const double eyeToH = std::sqrt(std::pow(std::hypot(h.x - c.x, h.y - c.y), 2) + f.focal * f.focal);
    const Point po = toward(h, foot, eyeToH);
    s.frame.pvx = pv.x; s.frame.pvy = pv.y; s.frame.pox = po.x; s.frame.poy = po.y;

    s.imageWidth = static_cast<float>(f.imageWidth);
    s.imageHeight = static_cast<float>(f.imageHeight);
    setWindow(s, f.xmin, f.ymin, f.xmax, f.ymax);

    // Origin at the reference corner: on the top side when V lies below H, on the left side when
    // H lies to the right of V; the far corner is opposite it.
    const Point o{h.x > v.x ? f.xmin : f.xmax, v.y > h.y ? f.ymin : f.ymax};
    const Point far{h.x > v.x ? f.xmax : f.xmin, v.y > h.y ? f.ymax : f.ymin};
    s.frame.originX = o.x; s.frame.originY = o.y;
    s.frame.vertEdgeSlope = (o.y - v.y) / (o.x - v.x);
    s.frame.horizEdgeSlope = (o.y - h.y) / (o.x - h.x);

    // Mark lines through the origin, laid out as the program lays them (the slope taken as an angle).
    const Point rowDir{std::sin(-s.frame.horizonSlope), std::cos(-s.frame.horizonSlope)};
    const Point colDir{std::cos(s.frame.horizonSlope), std::sin(s.frame.horizonSlope)};
    const Point rowFar = meet(h, minus(far, h), o, minus(v, o));
    const Point maxa = meet(pv, minus(rowFar, pv), o, rowDir);
    const Point colFar = meet(v, minus(far, v), o, minus(h, o));
    const Point maxb = meet(po, minus(colFar, po), o, colDir);
    const double rowStep = ((maxa.x - o.x) * rowDir.x + (maxa.y - o.y) * rowDir.y) / f.outHeight;
    double colStep = ((maxb.x - o.x) * colDir.x + (maxb.y - o.y) * colDir.y) / f.outWidth;
    s.frame.rowSign = static_cast<std::int16_t>(rowStep < 0 ? -1 : 1);
    s.frame.colSign = static_cast<std::int16_t>(colStep < 0 ? -1 : 1);
    if (f.mirrorColumns) s.frame.colSign = static_cast<std::int16_t>(-s.frame.colSign);

    s.frame.rectWidth = f.outWidth;
    s.frame.rectHeight = f.outHeight;
    s.frame.rowPoints = marksAlong(o, rowDir, rowStep, f.outHeight);
    s.frame.colPoints = marksAlong(o, colDir, colStep, f.outWidth);
    fillSource(s, static_cast<int>(f.imageWidth), static_cast<int>(f.imageHeight));
    return s;
}

// ---- 5. marks on a recording surface, as text -----------------------------------------------------
// A sequence of drawing calls compares in one expectation and a difference reads at a glance.

/// A segment, a rectangle from two corners, or a circle (centre and radius), as drawn.
inline DrawOp segment(double x1, double y1, double x2, double y2, Color c = pureRed,
                      DrawMode m = DrawMode::CopyPen) {
    return {DrawOp::Line, x1, y1, x2, y2, c, m};
}
inline DrawOp rectangle(double x1, double y1, double x2, double y2, Color c = pureRed,
                        DrawMode m = DrawMode::CopyPen) {
    return {DrawOp::Rect, x1, y1, x2, y2, c, m};
}
inline DrawOp circle(double cx, double cy, double r, Color c = pureRed, DrawMode m = DrawMode::CopyPen) {
    return {DrawOp::Circle, cx, cy, r, 0, c, m};
}

/// One drawing call as text: kind, two points, colour and mode.
inline std::string describe(const DrawOp& op) {
    static const char* kinds[] = {"line", "rect", "circle", "?"};
    static const char* modes[] = {"copy", "invert", "black", "?"};
    char text[160];
    std::snprintf(text, sizeof text, "%s %.17g,%.17g %.17g,%.17g #%06x %s", kinds[op.kind],
                  op.x1, op.y1, op.x2, op.y2, static_cast<unsigned>(op.color.value),
                  modes[static_cast<int>(op.mode)]);
    return text;
}

/// Drawing calls as text, one line each.
inline std::vector<std::string> describe(const std::vector<DrawOp>& ops) {
    std::vector<std::string> out;
    for (const DrawOp& op : ops) out.push_back(describe(op));
    return out;
}

/// The marks drawn from index `from` on (the marks since the last refresh by default).
inline std::vector<DrawOp> marksSince(const RecordingSurface& p, std::size_t from = 0) {
    return {p.ops.begin() + static_cast<std::ptrdiff_t>(from), p.ops.end()};
}

#define EXPECT_MARKS(got, ...) \
    EXPECT_EQ(::velta::testing::describe(got), ::velta::testing::describe(std::vector<DrawOp>{__VA_ARGS__}))

// ---- 6. the handler fixture -----------------------------------------------------------------------

/// Adds noise of `sd` levels to every channel of every pixel, from `seed`, kept within 0..255.
inline void addNoise(Picture& p, double sd, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, sd);
    auto channel = [&](std::uint32_t v) {
        const double n = std::round(static_cast<double>(v) + noise(rng));
        return static_cast<std::uint32_t>(std::clamp(n, 0.0, 255.0));
    };
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.row(y)[x];
            p.row(y)[x] = 0xFF000000u | channel(c >> 16 & 255) << 16 | channel(c >> 8 & 255) << 8 | channel(c & 255);
        }
}

/// Stands in for the image decoder and writer: hands out `picture` for every file the plain reader
/// refuses, and records what it is asked to write.
class FakeIO : public ImageIO {
public:
    struct Written {
        std::string path;
        ImageFormat format;
        RectifiedImage image;
        int pixelsPerMetre;
    };
    Picture picture;
    std::string refusal;   // set: every decode is refused with it
    std::string writeRefusal;   // set: every write fails with it
    int decodes = 0;
    std::vector<Written> writes;

    DecodeResult decode(const std::string&) override {
        ++decodes;
        if (!refusal.empty()) return {false, refusal, {}};
        return {true, {}, picture};
    }
    bool write(const RectifiedImage& image, const std::string& path, ImageFormat format, std::string& error,
               int pixelsPerMetre) override {
        if (!writeRefusal.empty()) {
            error = writeRefusal;
            return false;
        }
        std::ofstream out(path);
        out << "esportato";
        if (!out.flush()) {
            error = "cartella non scrivibile";
            return false;
        }
        writes.push_back({path, format, image, pixelsPerMetre});
        return true;
    }
};

/// The program on a recording window over a fresh scratch data directory, with bitmap files
/// made on the spot and mouse helpers.
class HandlerTest : public ::testing::Test {
protected:
    HandlerTest() : dir(scratch.path()), app(w, dir.string()) {
        app.helpFile = (dir / "velta300.html").string();
        formLoad(app);
    }

    /// Writes a `width` x `height` bitmap into the data directory; returns its path.
    std::string makeBitmap(int width, int height, const Pattern& pattern = rampPattern,
                           const std::string& name = "source.bmp") {
        const std::string path = (dir / name).string();
        writePlainBitmap(path, width, height, pattern);
        return path;
    }

    /// Opens `path` through the open dialog.
    void openImage(const std::string& path) {
        w.openAnswers.push_back(path);
        openClick(app);
    }

    /// A click on the source picture: press and release at one spot.
    void click(float x, float y) {
        PICTURE1_MouseDown(app, 1, 0, x, y);
        Picture1_MouseUp(app, 1, 0, x, y);
    }

    /// One line from two clicks, with a pointer movement between them.
    void markLine(float x1, float y1, float x2, float y2) {
        click(x1, y1);
        Picture1_MouseMove(app, 1, 0, (x1 + x2) / 2, (y1 + y2) / 2);
        click(x2, y2);
    }

    /// A click on the rectified picture.
    void click2(float x, float y) { Picture2_MouseDown(app, 1, 0, x, y); }

    /// Opens the sample façade photograph and marks its four edges (top and bottom as the
    /// horizontal pair, left and right as the vertical pair), so that the construction stands.
    void openFacadeWithLines() {
        const std::string path = (dir / "facciata.bmp").string();
        writeFile(path, sample::facadeBitmap());
        openImage(path);
        markFacadeEdges(sample::facadeGeometry().facade);
    }

    /// Marks the four edges of the façade seen as `q` (top and bottom as the horizontal pair, left
    /// and right as the vertical pair) from the pixels its corners fall on, as a user clicks them.
    void markFacadeEdges(const sample::Quad& q) {
        auto px = [](double v) { return static_cast<float>(std::floor(v)); };
        markLine(px(q.topLeft.x), px(q.topLeft.y), px(q.topRight.x), px(q.topRight.y));
        markLine(px(q.bottomLeft.x), px(q.bottomLeft.y), px(q.bottomRight.x), px(q.bottomRight.y));
        markLine(px(q.bottomLeft.x), px(q.bottomLeft.y), px(q.topLeft.x), px(q.topLeft.y));
        markLine(px(q.bottomRight.x), px(q.bottomRight.y), px(q.topRight.x), px(q.topRight.y));
    }

    /// Marks a calculation area by two corners (area command, then two clicks).
    void markArea(float x1, float y1, float x2, float y2) {
        RETTANG3(app);
        click(x1, y1);
        click(x2, y2);
    }

    /// The sample façade with its edges marked, a small calculation area inside the façade and
    /// the rectify command pressed once.
    void rectifyFacade() {
        openFacadeWithLines();
        markArea(300, 200, 420, 300);
        RADDR1(app);
    }

    TempDir scratch;
    std::filesystem::path dir;
    RecordingWindow w;
    App app;
};

}  // namespace velta::testing

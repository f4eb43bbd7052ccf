#pragma once
// A synthetic pinhole camera photographing a plane façade, for tests that need the true
// geometry: where points of the façade land in the picture, where its horizontal and vertical
// lines vanish, and which façade point a picture point shows.
//
// World frame: the façade is the plane z = 0, u along x to the right, v along y upwards, z out
// of the façade towards the camera. Picture frame: pixels, x to the right, y downwards, the
// principal point at (cx, cy), focal length f in pixels.
//
// The camera starts facing the façade squarely (looking along -z). Then it turns: yaw about
// the world's vertical (positive turns right), pitch about its own right axis (positive looks
// up), roll about its viewing axis.

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/lines.h"
#include "geometry/orientation.h"

namespace velta::testing {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double k, Vec3 a) { return {k * a.x, k * a.y, k * a.z}; }

/// Degrees to radians.
inline double radians(double degrees) { return degrees * 3.141592653589793 / 180; }

struct PinholeCamera {
    double f = 1000;                    // focal length in pixels
    double cx = 0, cy = 0;              // principal point in pixels
    Vec3 position{0, 0, 10000};         // centre of projection, in front of the façade
    Vec3 right, down, forward;          // camera axes in world coordinates

    /// A camera with the given intrinsics and turns (angles in degrees).
    PinholeCamera(double focal, double principalX, double principalY, Vec3 where, double yaw,
                  double pitch, double roll)
        : f(focal), cx(principalX), cy(principalY), position(where) {
        const double ps = std::sin(radians(yaw)), pc = std::cos(radians(yaw));
        const double ts = std::sin(radians(pitch)), tc = std::cos(radians(pitch));
        const double rs = std::sin(radians(roll)), rc = std::cos(radians(roll));
        const Vec3 turnedForward{ps, 0, -pc};
        const Vec3 turnedRight{pc, 0, ps};
        const Vec3 up{0, 1, 0};
        forward = tc * turnedForward + ts * up;
        const Vec3 tiltedDown = ts * turnedForward - tc * up;
        right = rc * turnedRight - rs * tiltedDown;
        down = rc * tiltedDown + rs * turnedRight;
    }

    /// Picture point of the world point p (p must be in front of the camera).
    geom::Point project(Vec3 p) const {
        const Vec3 d = p - position;
        const double z = dot(d, forward);
        return {cx + f * dot(d, right) / z, cy + f * dot(d, down) / z};
    }

    /// Picture point of the façade point (u, v).
    geom::Point projectFacade(double u, double v) const { return project({u, v, 0}); }

    /// True when the façade point (u, v) lies in front of the camera.
    bool sees(double u, double v) const { return dot(Vec3{u, v, 0} - position, forward) > 0; }

    /// Distance of the world point p in front of the camera, along its viewing axis. A segment
    /// parallel to the picture at that distance shows f / depth pixels per unit of length.
    double depth(Vec3 p) const { return dot(p - position, forward); }

    /// Vanishing point of the world direction d (not parallel to the picture).
    geom::Point vanishing(Vec3 d) const {
        const double z = dot(d, forward);
        return {cx + f * dot(d, right) / z, cy + f * dot(d, down) / z};
    }

    /// Vanishing point of the façade's horizontal lines.
    geom::Point horizontalVanishing() const { return vanishing({1, 0, 0}); }

    /// Vanishing point of the façade's vertical lines.
    geom::Point verticalVanishing() const { return vanishing({0, 1, 0}); }

    /// The façade point (u, v) that the picture point shows, when its ray meets the façade.
    std::optional<geom::Point> facadePoint(geom::Point img) const {
        const Vec3 ray = forward + ((img.x - cx) / f) * right + ((img.y - cy) / f) * down;
        if (ray.z == 0) return std::nullopt;
        const double t = -position.z / ray.z;
        if (!(t > 0)) return std::nullopt;
        const Vec3 hit = position + t * ray;
        return geom::Point{hit.x, hit.y};
    }
};

/// The roll (degrees) that puts the façade's horizontal vanishing point dy pixels below the
/// principal point of a camera with focal length f, yaw and pitch (degrees; yaw and pitch not
/// zero): the roll of the smallest size that does so.
inline double rollPuttingHBelowCentre(double f, double yaw, double pitch, double dy) {
    // H's offset below the centre is f * (cos(roll) * a + sin(roll) * b) / (cos(pitch) * sin(yaw)).
    const double a = std::sin(radians(pitch)) * std::sin(radians(yaw)), b = std::cos(radians(yaw));
    const double k = dy * std::cos(radians(pitch)) * std::sin(radians(yaw)) / f;
    const double roll = std::atan2(b, a) - std::acos(k / std::hypot(a, b));
    return roll * 180 / 3.141592653589793;
}

/// The four marked lines of a façade rectangle [u0, u1] x [v0, v1], in the layout of the
/// working state: lineEnds[n][1..4] = x1, y1, x2, y2; lines 1, 2 the top and bottom edges,
/// lines 3, 4 the left and right edges. With roundClicks the ends are floored to whole pixels,
/// as the window passes mouse clicks on.
struct MarkedLines {
    double lineEnds[6][6] = {};

    MarkedLines(const PinholeCamera& cam, double u0, double v0, double u1, double v1,
                bool roundClicks = false) {
        set(1, cam.projectFacade(u0, v1), cam.projectFacade(u1, v1), roundClicks);
        set(2, cam.projectFacade(u0, v0), cam.projectFacade(u1, v0), roundClicks);
        set(3, cam.projectFacade(u0, v0), cam.projectFacade(u0, v1), roundClicks);
        set(4, cam.projectFacade(u1, v0), cam.projectFacade(u1, v1), roundClicks);
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
inline geom::OrientationInput exactInput(const PinholeCamera& cam) {
    geom::OrientationInput in;
    in.centreX = cam.cx; in.centreY = cam.cy;
    const geom::Point h = cam.horizontalVanishing(), v = cam.verticalVanishing();
    in.fuox = h.x; in.fuoy = h.y; in.fuvx = v.x; in.fuvy = v.y;
    in.imageWidth = 1000; in.imageHeight = 800;
    return in;
}

/// A calculation area of exactInput(cam), about 300 x 250, with a corner on the principal
/// vertical (the centre itself) or on the horizon (its point in the centre's column), moved
/// `offset` pixels across that line, and its frame.
struct CornerOnLine {
    std::string name;            // the camera's turn, the line and the area's side, for traces
    PinholeCamera cam;
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
    for (const Turn& turn : {Turn{25, -15, 3}, Turn{-20, 12, -4}, Turn{30, 18, 2}, Turn{-28, -10, -3}}) {
        const PinholeCamera cam(1000, 500, 400, Vec3{0, 0, 6000}, turn.yaw, turn.pitch, turn.roll);
        const geom::OrientationInput whole = exactInput(cam);
        const auto plain = geom::orient(whole);
        if (!plain) continue;
        for (const bool onHorizon : {false, true}) {
            const geom::Point corner{cam.cx, onHorizon ? whole.fuoy + plain->horizonSlope * (cam.cx - whole.fuox)
                                                       : cam.cy};
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

}  // namespace velta::testing

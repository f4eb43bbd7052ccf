#pragma once
// What the sample camera sees along the ray through one image point: the façade, the ground in
// front of it, or the sky. Shared by the 256-colour and the colour renderers, which dress the same
// scene each in its own way; the per-sample work is a handful of operations on plain numbers.

#include <cmath>

#include "sample/camera.h"
#include "sample/layout.h"

namespace velta::sample {

/// The camera reduced to plain numbers.
struct Viewer {
    double r00, r01, r02, r10, r11, r12, r20, r21, r22;  // worldFromCamera
    double principalX, principalY, focalPx;
    double positionU, positionV, distanceM;
};

inline Viewer viewerOf(const Camera& c) {
    const auto& r = c.worldFromCamera;
    return {r[0][0], r[0][1], r[0][2], r[1][0], r[1][1], r[1][2], r[2][0], r[2][1], r[2][2],
            c.principalX, c.principalY, c.focalPx, c.positionU, c.positionV, c.distanceM};
}

/// What a ray meets, with its direction (dx, dy, dz) in the world frame (y grows downwards).
struct Sight {
    enum class What { facade, ground, sky } what = What::sky;
    PlanePoint facade;       // where it meets the façade
    double groundT = 0;      // the ray's parameter where it meets the ground
    double along = 0;        // the ground point's distance from the camera's foot
    double elevation = 0;    // the sine of the ray's elevation, for the sky
    double dx = 0, dy = 0, dz = 0;
};

/// What the camera sees at image point (x, y).
inline Sight sightOf(const Viewer& c, double x, double y) {
    Sight s;
    const double cx = (x - c.principalX) / c.focalPx;
    const double cy = (y - c.principalY) / c.focalPx;
    s.dx = c.r00 * cx + c.r01 * cy + c.r02;
    s.dy = c.r10 * cx + c.r11 * cy + c.r12;
    s.dz = c.r20 * cx + c.r21 * cy + c.r22;
    const double dx = s.dx, dy = s.dy, dz = s.dz;
    if (dz > 0) {
        const double t = c.distanceM / dz;
        const PlanePoint p{c.positionU + t * dx, c.positionV - t * dy};
        if (p.u >= 0 && p.u <= layout::widthM && p.v >= 0 && p.v <= layout::heightM) {
            s.what = Sight::What::facade;
            s.facade = p;
            return s;
        }
    }
    if (dy > 0 && c.positionV > 0) {  // downwards: the ground
        s.what = Sight::What::ground;
        s.groundT = c.positionV / dy;
        s.along = s.groundT * std::sqrt(dx * dx + dz * dz);
        return s;
    }
    s.elevation = -dy / std::sqrt(dx * dx + dy * dy + dz * dz);
    return s;
}

}  // namespace velta::sample

// The pinhole camera: its rotation from the three turns, and projection to and from the façade
// plane (the frames are described in camera.h).

#include "sample/camera.h"

#include <cmath>
#include <cstddef>

namespace velta::sample {

namespace {

using Mat3 = std::array<std::array<double, 3>, 3>;

Mat3 multiply(const Mat3& a, const Mat3& b) {
    Mat3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const auto ui = static_cast<std::size_t>(i);
            const auto uj = static_cast<std::size_t>(j);
            m[ui][uj] = a[ui][0] * b[0][uj] + a[ui][1] * b[1][uj] + a[ui][2] * b[2][uj];
        }
    return m;
}

struct Vec3 {
    double x, y, z;
};

// Camera-frame coordinates of the world vector d (a direction or an offset from the camera).
Vec3 toCamera(const Camera& c, Vec3 d) {
    const Mat3& r = c.worldFromCamera;
    return {r[0][0] * d.x + r[1][0] * d.y + r[2][0] * d.z,
            r[0][1] * d.x + r[1][1] * d.y + r[2][1] * d.z,
            r[0][2] * d.x + r[1][2] * d.y + r[2][2] * d.z};
}

// World offset of the plane point p from the camera centre.
Vec3 offsetOf(const Camera& c, PlanePoint p) { return {p.u - c.positionU, c.positionV - p.v, c.distanceM}; }

// Smallest camera depth that is still taken as in front of the camera.
constexpr double minDepth = 1e-9;

constexpr double degree = 3.141592653589793 / 180;

}  // namespace

Turns turnsOfRadians(double yaw, double pitch, double roll) {
    return {std::sin(yaw), std::cos(yaw), std::sin(pitch), std::cos(pitch), std::sin(roll), std::cos(roll)};
}

Turns turnsOfDegrees(double yaw, double pitch, double roll) {
    return turnsOfRadians(yaw * degree, pitch * degree, roll * degree);
}

Camera makeCamera(const Placement& p, const Turns& t) {
    const Mat3 ry{{{t.cosYaw, 0, t.sinYaw}, {0, 1, 0}, {-t.sinYaw, 0, t.cosYaw}}};
    const Mat3 rx{{{1, 0, 0}, {0, t.cosPitch, -t.sinPitch}, {0, t.sinPitch, t.cosPitch}}};
    const Mat3 rz{{{t.cosRoll, -t.sinRoll, 0}, {t.sinRoll, t.cosRoll, 0}, {0, 0, 1}}};

    Camera c;
    c.focalPx = p.focalPx;
    c.yawDeg = p.yawDeg;
    c.pitchDeg = p.pitchDeg;
    c.rollDeg = p.rollDeg;
    c.width = p.width;
    c.height = p.height;
    c.principalX = p.principalX;
    c.principalY = p.principalY;
    c.positionU = p.positionU;
    c.positionV = p.positionV;
    c.distanceM = p.distance;
    c.worldFromCamera = multiply(multiply(ry, rx), rz);
    return c;
}

Camera makeCamera(const Placement& p) { return makeCamera(p, turnsOfDegrees(p.yawDeg, p.pitchDeg, p.rollDeg)); }

std::optional<ImagePoint> projectToImage(const Camera& camera, PlanePoint p) {
    const Vec3 pc = toCamera(camera, offsetOf(camera, p));
    if (!(pc.z > minDepth)) return std::nullopt;
    return ImagePoint{camera.principalX + camera.focalPx * (pc.x / pc.z),
                      camera.principalY + camera.focalPx * (pc.y / pc.z)};
}

std::optional<PlanePoint> imageToPlane(const Camera& camera, ImagePoint p) {
    if (!(camera.focalPx > 0)) return std::nullopt;
    const Mat3& r = camera.worldFromCamera;
    const double cx = (p.x - camera.principalX) / camera.focalPx;
    const double cy = (p.y - camera.principalY) / camera.focalPx;
    const double dx = r[0][0] * cx + r[0][1] * cy + r[0][2];
    const double dy = r[1][0] * cx + r[1][1] * cy + r[1][2];
    const double dz = r[2][0] * cx + r[2][1] * cy + r[2][2];
    if (!(dz > minDepth)) return std::nullopt;  // the ray runs parallel to the plane or away from it
    const double t = camera.distanceM / dz;
    const PlanePoint q{camera.positionU + t * dx, camera.positionV - t * dy};
    if (!(q.u == q.u) || !(q.v == q.v)) return std::nullopt;  // NaN from a NaN input
    return q;
}

std::optional<ImagePoint> vanishingPoint(const Camera& camera, double du, double dv) {
    const Vec3 d = toCamera(camera, {du, -dv, 0});
    if (!(d.z > minDepth || d.z < -minDepth)) return std::nullopt;
    // The product first, then the quotient: hand-built rectification frames in the tests pin
    // exact source points to the last bit of these two points.
    return ImagePoint{camera.principalX + camera.focalPx * d.x / d.z, camera.principalY + camera.focalPx * d.y / d.z};
}

double depthOf(const Camera& camera, PlanePoint p) { return toCamera(camera, offsetOf(camera, p)).z; }

}  // namespace velta::sample

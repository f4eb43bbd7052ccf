#pragma once
// A pinhole camera photographing a plane façade: the camera of the sample photograph and of the
// tests that need the true geometry of a picture (where façade points land, where the façade's
// lines vanish, which façade point a picture point shows).
//
// Image coordinates are those of the program: x to the right, y downwards, in pixels.
//
// Plane coordinates on the façade: u along the façade to the right, v upwards (metres for the
// sample; any unit of length elsewhere).
//
// World frame: X = u, Y = -v (downwards, like image y), Z into the façade; the façade is the
// plane Z = 0 and the camera centre stands at (positionU, -positionV, -distanceM), in front of it.
// Camera frame: x along image x, y along image y, z along the optical axis. A world point P is
// seen at
//     (x, y) = principal point + focalPx * (Pc.x / Pc.z, Pc.y / Pc.z),  Pc = R^T (P - C),
// where R = worldFromCamera = Ry(yaw) * Rx(pitch) * Rz(roll). Facing the façade squarely the
// camera looks along +Z; then it turns: yaw about the vertical (positive turns right, towards
// +u, so the horizontal edges converge to the right), pitch about its own horizontal axis
// (positive looks up, so the vertical edges converge upwards), roll about its optical axis
// (positive lifts the right end of a level line).

#include <array>
#include <optional>

namespace velta::sample {

/// A point of the picture in program coordinates (pixels).
struct ImagePoint {
    double x = 0;
    double y = 0;
};

/// A point of the façade plane.
struct PlanePoint {
    double u = 0;
    double v = 0;
};

/// A pinhole camera in front of the façade.
struct Camera {
    double focalPx = 0;                 // principal distance in pixels
    double yawDeg = 0;                  // turn to the right, towards +u (horizontal edges converge to the right)
    double pitchDeg = 0;                // tilt upwards (vertical edges converge upwards)
    double rollDeg = 0;                 // turn about the optical axis; positive lifts the right end of a level line
    double principalX = 0;              // principal point, x
    double principalY = 0;              // principal point, y
    double positionU = 0;               // camera centre along the façade, from its left edge
    double positionV = 0;               // camera centre height above the ground line
    double distanceM = 0;               // camera centre distance in front of the façade plane
    std::array<std::array<double, 3>, 3> worldFromCamera{};  // rotation, camera axes as columns
    int width = 0;                      // picture width in pixels (0 when no picture is rendered)
    int height = 0;                     // picture height in pixels
};

/// The sines and cosines of the camera's three turns.
struct Turns {
    double sinYaw = 0, cosYaw = 1;
    double sinPitch = 0, cosPitch = 1;
    double sinRoll = 0, cosRoll = 1;
};

/// The turns of yaw, pitch and roll given in radians.
Turns turnsOfRadians(double yaw, double pitch, double roll);

/// The turns of yaw, pitch and roll given in degrees.
Turns turnsOfDegrees(double yaw, double pitch, double roll);

/// Where a camera stands and what its picture is; the angles are recorded in `camera` as given.
struct Placement {
    double focalPx = 1000;              // principal distance in pixels
    double principalX = 0, principalY = 0;
    double positionU = 0, positionV = 0;  // the camera centre's foot on the façade plane
    double distance = 10000;            // in front of the façade
    double yawDeg = 0, pitchDeg = 0, rollDeg = 0;
    int width = 0, height = 0;          // the picture, when there is one
};

/// The camera placed as `p` says, turned by `turns` (whose angles `p` names in degrees).
Camera makeCamera(const Placement& p, const Turns& turns);

/// The camera placed and turned as `p` says, its sines and cosines computed from p's degrees.
Camera makeCamera(const Placement& p);

/// Image point of the plane point (u, v), or nothing when the point is not in front of the camera.
std::optional<ImagePoint> projectToImage(const Camera& camera, PlanePoint p);

/// Plane point seen at the image point (x, y), or nothing when that ray does not meet the plane in front of the camera.
std::optional<PlanePoint> imageToPlane(const Camera& camera, ImagePoint p);

/// Image of the vanishing point of plane direction (du, dv), or nothing when the direction is parallel to the picture.
std::optional<ImagePoint> vanishingPoint(const Camera& camera, double du, double dv);

/// Distance of the plane point p in front of the camera, along its optical axis: a segment
/// parallel to the picture at that distance shows focalPx / depth pixels per unit of length.
double depthOf(const Camera& camera, PlanePoint p);

}  // namespace velta::sample

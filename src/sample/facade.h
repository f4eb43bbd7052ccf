#pragma once
// The sample photograph: a building front seen obliquely by a pinhole camera, rendered by this
// program's own code and written into the data directory on first start, so that a new user can
// open something at once.
//
// Image coordinates are those of the program: x to the right, y downwards, origin at the top-left
// corner of the picture. Pixel (c, r) covers the square [c, c+1) x [r, r+1), so the image point
// (x, y) lies in pixel (floor x, floor y) and the centre of pixel (c, r) is (c + 0.5, r + 0.5). The
// principal point is exactly (W/2, H/2), the program's default image centre.
//
// Plane coordinates on the façade are in metres: u along the façade from its left edge, v upwards
// from its bottom edge (the ground line). The façade is the rectangle 0 <= u <= widthM,
// 0 <= v <= heightM.
//
// The camera stands in front of the façade, to the left of it and at eye height, turned right
// (yaw), tilted up (pitch) and slightly rolled, so that both pairs of façade edges converge.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velta::sample {

/// A point of the picture in program coordinates (pixels).
struct ImagePoint {
    double x = 0;
    double y = 0;
};

/// A point of the façade plane in metres.
struct PlanePoint {
    double u = 0;
    double v = 0;
};

/// The pinhole camera that took the sample photograph.
struct Camera {
    double focalPx = 0;                 // principal distance in pixels
    double yawDeg = 0;                  // turn to the right, towards +u (horizontal edges converge to the right)
    double pitchDeg = 0;                // tilt upwards (vertical edges converge upwards)
    double rollDeg = 0;                 // turn about the optical axis; positive lifts the right end of a level line
    double principalX = 0;              // principal point, x: W/2
    double principalY = 0;              // principal point, y: H/2
    double positionU = 0;               // camera centre along the façade, metres from its left edge
    double positionV = 0;               // camera centre height above the ground line, metres
    double distanceM = 0;               // camera centre distance in front of the façade plane, metres
    std::array<std::array<double, 3>, 3> worldFromCamera{};  // rotation, camera axes as columns
    int width = 0;                      // W, pixels
    int height = 0;                     // H, pixels
};

/// Four corners of a rectangle of the façade as they appear in the picture.
struct Quad {
    ImagePoint topLeft, topRight, bottomRight, bottomLeft;
};

/// A window of the façade: its square in the plane and the image of that square.
struct Window {
    int row = 0;                        // 0 = top row of windows
    int column = 0;                     // 0 = leftmost column
    PlanePoint lowerLeft;               // lower-left corner of the square in the plane
    Quad image;                         // the outer corners of the window frame in the picture
};

/// What the sample shows and where: plane sizes and the image positions of the façade's edges and windows.
struct FacadeGeometry {
    double widthM = 0;                  // façade width, metres
    double heightM = 0;                 // façade height, metres
    double windowSizeM = 0;             // side of each square window (outer frame), metres
    int windowColumns = 0;
    int windowRows = 0;
    Quad facade;                        // the façade's four corners in the picture
    std::vector<Window> windows;        // row by row from the top, left to right
};

/// The kinds of surface the sample shows.
enum class Material : std::uint8_t { Sky, Ground, Wall, Stone, Frame, Glass, Other };

/// The camera of the sample photograph.
const Camera& facadeCamera();

/// The façade layout and its image positions for the sample camera.
const FacadeGeometry& facadeGeometry();

/// Image point of the plane point (u, v), or nothing when the point is not in front of the camera.
std::optional<ImagePoint> projectToImage(const Camera& camera, PlanePoint p);

/// Plane point seen at the image point (x, y), or nothing when that ray does not meet the plane in front of the camera.
std::optional<PlanePoint> imageToPlane(const Camera& camera, ImagePoint p);

/// Image of the vanishing point of plane direction (du, dv), or nothing when the direction is parallel to the picture.
std::optional<ImagePoint> vanishingPoint(const Camera& camera, double du, double dv);

/// The surface of the façade at plane point p (Other outside the façade rectangle).
Material facadeMaterialAt(PlanePoint p);

/// The surface that the sample camera sees at image point p: the façade, the ground or the sky.
Material sceneMaterialAt(const Camera& camera, ImagePoint p);

/// The surface that palette index `index` of the sample stands for (the larger share of a blended edge colour).
Material materialOfIndex(std::uint8_t index);

/// The sample's 256-entry palette: blue, green, red, 0 for each entry.
const std::array<std::uint8_t, 1024>& facadePalette();

/// Palette indices of the sample picture, row 0 at the top, width x height bytes.
std::vector<std::uint8_t> facadePixels();

/// The whole sample bitmap file, identical on every build and machine.
std::vector<std::uint8_t> facadeBitmap();

/// Name of the sample file in the data directory: "facciata.bmp".
const char* sampleFileName();

/// Writes the sample into `dir` when it is not there yet; false with an Italian reason in `error` when it cannot.
bool ensureSampleFacade(const std::string& dir, std::string& error);

}  // namespace velta::sample

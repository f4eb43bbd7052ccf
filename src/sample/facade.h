#pragma once
// The sample photograph: a building front seen obliquely by a pinhole camera, rendered by this
// program's own code and written into the data directory on first start, so that a new user can
// open something at once.
//
// The camera and its frames are those of sample/camera.h. Image coordinates are those of the
// program: x to the right, y downwards, origin at the top-left corner of the picture. Pixel (c, r) covers the square [c, c+1) x [r, r+1), so the image point
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
#include <functional>
#include <string>
#include <vector>

#include "sample/camera.h"

namespace velta::sample {

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

/// The façade layout and its image positions for any camera (the colour sample's, for one).
FacadeGeometry facadeGeometryFor(const Camera& camera);

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

/// Writes a file's whole content at the path given; false when it cannot.
using SampleWriter = std::function<bool(const std::string& path)>;

/// Puts the sample file `name` into `dir` when it is not there yet: `write` fills a temporary file
/// in `dir`, which then takes the name unless a file of that name appeared meanwhile (it is never
/// replaced, and never seen half-written). False with an Italian reason in `error` when it cannot.
bool ensureSampleFile(const std::string& dir, const std::string& name, const SampleWriter& write, std::string& error);

}  // namespace velta::sample

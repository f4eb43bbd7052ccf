#pragma once
// The colour sample photograph: the same façade as the 256-colour sample (sample/facade.h, the
// same layout and the same true sizes), photographed from the same place with the same turns by
// a camera of 6000 x 4000 pixels, rendered in full colour with smooth edges.
//
// Its camera is the bitmap sample's camera with the focal length scaled so that the bitmap's
// whole view fits: the bitmap (958 x 678) and the colour picture (3:2) differ in shape, so the
// scale is the one of the heights and the colour picture shows a little more on either side.
// An image point (x, y) of the bitmap sample is therefore the point
//     (W/2 + s * (x - 479), H/2 + s * (y - 339)),  s = H / 678,
// of a colour rendering W x H; the principal point is the centre (W/2, H/2).
//
// Plane coordinates and the frames are those of sample/camera.h and sample/facade.h.

#include <cstdint>

#include "sample/camera.h"
#include "sample/facade.h"
#include "state/picture.h"

namespace velta::sample {

/// Size of the colour sample photograph, in pixels.
inline constexpr int colourSampleWidth = 6000;
inline constexpr int colourSampleHeight = 4000;

/// JPEG quality of the colour sample file.
inline constexpr int colourSampleQuality = 92;

/// Name of the colour sample file in the data directory: "facciata.jpg".
const char* colourSampleFileName();

/// The bitmap sample's camera for a picture of width x height pixels: the same place and turns,
/// the focal length scaled so that the bitmap's whole view fits, the principal point at the centre.
/// The full-size colour sample is colourCamera(colourSampleWidth, colourSampleHeight).
Camera colourCamera(int width, int height);

/// The façade as `camera` sees it, in colour: camera.width x camera.height pixels 0xFFRRGGBB,
/// each the mean of the scene over its square. Empty when a side is below 1 or the memory cannot
/// be had.
Picture renderColourFacade(const Camera& camera);

/// The full-size colour sample photograph.
Picture colourFacade();

}  // namespace velta::sample

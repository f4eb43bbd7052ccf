#pragma once
// Measurement arithmetic on the rectified image: lengths, extents and angles of a picked pair.

#include <optional>
#include <string>
#include <string_view>

namespace velta::measure {

/// Pixel length of the segment between two picked points.
double pixelLength(float x1, float y1, float x2, float y2);

/// The scale in centimetres per pixel from a typed real length and the pixel length of the
/// first pair; nothing when the text is not a positive number or the pair has no length.
std::optional<double> scaleFrom(std::string_view typedLength, double pixels);

/// Inclination in degrees, between -90 and 90; 90 for a vertical segment. With y growing
/// downwards, a segment rising to the right has a negative angle.
double angleDegrees(float x1, float y1, float x2, float y2);

/// A figure as the measurement boxes show it: the short-number form cut to six characters, but
/// never inside its integer part and never in the exponent form.
std::string figure(double v);
std::string figure(float v);

}  // namespace velta::measure

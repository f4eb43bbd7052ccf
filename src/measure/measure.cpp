#include "measure/measure.h"

#include <cmath>

#include "text/numtext.h"

namespace velta::measure {

double pixelLength(float x1, float y1, float x2, float y2) {
    const double dx = static_cast<double>(x1) - static_cast<double>(x2);
    const double dy = static_cast<double>(y1) - static_cast<double>(y2);
    return std::sqrt(dx * dx + dy * dy);
}

std::optional<double> scaleFrom(std::string_view typedLength, double pixels) {
    const std::optional<double> cm = text::parseDecimal(typedLength);
    if (!cm || !(*cm > 0) || !(pixels > 0)) return std::nullopt;
    const double scale = *cm / pixels;
    if (!std::isfinite(scale) || !(scale > 0)) return std::nullopt;
    return scale;
}

double angleDegrees(float x1, float y1, float x2, float y2) {
    if (x2 == x1) return 90;
    const double slope = (static_cast<double>(y2) - static_cast<double>(y1)) / (static_cast<double>(x2) - static_cast<double>(x1));
    return std::atan(slope) * 180 / 3.14159265358979;
}

std::string figure(double v) { return text::shortNumber(v).substr(0, 6); }
std::string figure(float v) { return text::shortNumber(v).substr(0, 6); }

}  // namespace velta::measure

#include "measure/measure.h"

#include <algorithm>
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

namespace {

// The boxes have room for six characters, so only decimals are cut: a figure whose integer part
// is longer keeps all of it (cutting digits there would show a figure ten or more times too small),
// and the exponent form is never cut, since its tail holds the magnitude.
std::string cutToSix(std::string text) {
    if (text.find('E') != std::string::npos) return text;
    const std::size_t integerEnd = std::min(text.find('.'), text.size());
    text.resize(std::max<std::size_t>(integerEnd, std::min<std::size_t>(text.size(), 6)));
    return text;
}

}  // namespace

std::string figure(double v) { return cutToSix(text::shortNumber(v)); }
std::string figure(float v) { return cutToSix(text::shortNumber(v)); }

}  // namespace velta::measure

#include "measure/error_bars.h"

namespace velta::measure {

std::optional<ErrorBars> errorBars(const double (&)[6][6], const geom::OrientationInput&, const std::vector<Pair>&,
                                   std::size_t) {
    return std::nullopt;
}

std::optional<geom::Point> rectifiedPointOf(const geom::Orientation&, const geom::VanishingPoints&, double, double) {
    return std::nullopt;
}

std::optional<geom::Point> sourcePointOf(const geom::Orientation&, const geom::VanishingPoints&, double, double) {
    return std::nullopt;
}

}  // namespace velta::measure

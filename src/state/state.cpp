#include "state/state.h"

namespace velta {

void setDefaultArea(State& s) {
    const double w = s.imageWidth;
    const double h = s.imageHeight;
    s.areaCorners[1][1] = 1;     s.areaCorners[1][2] = 1;
    s.areaCorners[2][1] = 1;     s.areaCorners[2][2] = h - 1;
    s.areaCorners[3][1] = w - 1; s.areaCorners[3][2] = h - 1;
    s.areaCorners[4][1] = w - 1; s.areaCorners[4][2] = 1;
}

geom::VanishingPoints vanishingPoints(const State& s) {
    return {s.fuox, s.fuoy, s.fuvx, s.fuvy};
}

geom::AreaCorners calculationArea(const State& s) {
    geom::AreaCorners c;
    for (std::size_t i = 1; i <= 4; ++i) c[i] = {s.areaCorners[i][1], s.areaCorners[i][2]};
    return c;
}

}  // namespace velta

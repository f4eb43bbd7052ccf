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

}  // namespace velta

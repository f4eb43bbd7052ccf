// griglia1: the perspective grid over the source image, clipped to the calculation area.
#include "geometry/grid.h"
#include "input/handlers.h"

namespace velta {

void griglia1(App& app) {
    State& s = app.s;
    Surface& p = app.w.picture(Pic::Picture1);
    p.setDrawMode(DrawMode::CopyPen);
    p.setForeColor(Color{0x808080});
    p.rect(s.areaCorners[1][1], s.areaCorners[1][2], s.areaCorners[3][1], s.areaCorners[3][2], paletteColor(12));
    // Without a construction that matches the points and centre there is no grid to draw, and
    // the prompt keeps saying why.
    if (s.constructionValid) {
        for (const geom::GridSegment& g : geom::gridSegments(s.frame, vanishingPoints(s), calculationArea(s)))
            p.line(g.from.x, g.from.y, g.to.x, g.to.y);
        app.w.setText(Ctl::domanda1, "Vuoi raddrizzare ?");
    }
    p.setForeColor(pureRed);
}

}  // namespace velta

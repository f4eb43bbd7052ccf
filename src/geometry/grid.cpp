#include "geometry/grid.h"

#include "geometry/orientation.h"

namespace velta::geom {
namespace {

// Hit places 1..4 (index 0 unused) and the next place k.
struct SideHits {
    Point place[6];
    std::size_t k = 1;

    void store(double x, double y) {
        if (k < 6) place[k] = {x, y};
        ++k;
    }
};

bool outsideArea(Point p, const AreaCorners& c) {
    return p.x < c[1].x || p.x > c[4].x || p.y < c[1].y || p.y > c[2].y;
}

// The lines of one family: columns (po, horizontal edge, V) or rows (pv, vertical edge, H).
void family(const Orientation& f, const VanishingPoints& v, const AreaCorners& c, bool column, SideHits& hits,
            std::vector<GridSegment>& out) {
    const std::vector<MarkRow>& marks = column ? f.colPoints : f.rowPoints;
    const double size = column ? f.rectWidth : f.rectHeight;
    const Point m = column ? f.po() : f.pv();
    const double edge = column ? f.horizEdgeSlope : f.vertEdgeSlope;
    const Point vp = column ? Point{v.fuvx, v.fuvy} : Point{v.fuox, v.fuoy};
    const Point edgeVp = column ? Point{v.fuox, v.fuoy} : Point{v.fuvx, v.fuvy};
    const Point origin = f.origin();
    const double s1y = f.oppCornerY, s2y = f.refCornerY;
    const double s3x = f.oppCornerX, s4x = f.refCornerX;

    for (std::size_t i = 1; static_cast<double>(i) <= size && i < marks.size(); i += gridStep) {
        const double mx = marks[i][2], my = marks[i][3];
        const double ray = (m.y - my) / (m.x - mx);
        // F, where the ray cuts the edge. An edge along the ray (on the principal vertical, or
        // on the horizon) leaves their meeting point to rounding; F then comes from the mark's
        // place on the measuring line.
        double fx, fy;
        if (const auto along = footAlongEdge(edgeVp, m, origin, {mx, my}, ray, edge)) {
            fx = along->x;
            fy = along->y;
        } else {
            fx = (ray * m.x - m.y - edge * f.originX + f.originY) / (ray - edge);
            fy = ray * (fx - m.x) + m.y;
        }
        const double s1x = ((s1y - fy) / (vp.y - fy)) * (vp.x - fx) + fx;
        const double s2x = ((s2y - fy) / (vp.y - fy)) * (vp.x - fx) + fx;
        const double s3y = ((s3x - fx) / (vp.x - fx)) * (vp.y - fy) + fy;
        const double s4y = ((s4x - fx) / (vp.x - fx)) * (vp.y - fy) + fy;
        if (!allFinite({ray, fx, fy, s1x, s2x, s3y, s4y})) continue;

        // Column lines take S2 strictly right of corner 2 and S4 strictly above it; row
        // lines take every side with its ends included.
        if (c[1].x <= s1x && s1x <= c[4].x) hits.store(s1x, s1y);
        if ((column ? c[2].x < s2x : c[2].x <= s2x) && s2x <= c[3].x) hits.store(s2x, s2y);
        if (c[4].y <= s3y && s3y <= c[3].y) hits.store(s3x, s3y);
        if (c[1].y <= s4y && (column ? s4y < c[2].y : s4y <= c[2].y)) hits.store(s4x, s4y);

        const Point a = hits.place[1], b = hits.place[2];
        if (!outsideArea(a, c) && !outsideArea(b, c)) out.push_back({a, b, column, i});
        hits.k = 1;
    }
}

}  // namespace

std::vector<GridSegment> gridSegments(const Orientation& frame, const VanishingPoints& vp, const AreaCorners& area) {
    SideHits hits;   // places 1 and 2 at (0, 0) for the whole grid
    std::vector<GridSegment> out;
    family(frame, vp, area, true, hits, out);
    hits.k = 1;
    family(frame, vp, area, false, hits, out);
    return out;
}

}  // namespace velta::geom

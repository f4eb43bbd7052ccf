// Randomised robustness of the perspective grid: random and damaged frames give finite segments
// inside the area and within the mark tables, and huge frames end at the tables.
// VELTA_ROBUSTNESS_ITERATION=<n> replays iteration n alone (see robustness.h).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/grid.h"
#include "geometry/orientation.h"
#include "robustness.h"
#include "state/state.h"

namespace velta {
namespace {

using namespace robustness;

/// Checks the segments of one grid against the tables and the area; returns how many there were.
std::size_t expectGridWithinBounds(const geom::Orientation& in, const geom::AreaCorners& c,
                                   const std::vector<geom::GridSegment>& segs) {
    auto linesOf = [](double size, std::size_t rows) -> std::size_t {
        // Lines 1, 51, 101, ... up to the size and below the table's row count.
        std::size_t n = 0;
        for (std::size_t i = 1; static_cast<double>(i) <= size && i < rows; i += geom::gridStep) ++n;
        return n;
    };
    const std::size_t columnLines = linesOf(in.rectWidth, in.colPoints.size());
    const std::size_t rowLines = linesOf(in.rectHeight, in.rowPoints.size());
    EXPECT_LE(segs.size(), columnLines + rowLines);
    bool rows = false;
    for (const geom::GridSegment& g : segs) {
        const std::span<const MarkRow> table = g.column ? in.colPoints : in.rowPoints;
        const double size = g.column ? in.rectWidth : in.rectHeight;
        if (!g.column) rows = true;
        const bool ok = !(g.column && rows) && g.index % geom::gridStep == 1 && g.index < table.size() &&
                        static_cast<double>(g.index) <= size &&
                        geom::allFinite({g.from.x, g.from.y, g.to.x, g.to.y});
        // Both ends lie within the area, ends included.
        auto inside = [&](geom::Point p) { return c[1].x <= p.x && p.x <= c[4].x && c[1].y <= p.y && p.y <= c[2].y; };
        if (!ok || !inside(g.from) || !inside(g.to)) {
            ADD_FAILURE() << (g.column ? "column " : "row ") << g.index << ": (" << g.from.x << ", " << g.from.y
                          << ") to (" << g.to.x << ", " << g.to.y << ")";
            break;
        }
    }
    return segs.size();
}


TEST(RobustnessGrid, randomFramesGiveFiniteSegmentsInsideTheAreaWithinTheTables) {
    constexpr std::uint64_t salt = 3;
    std::size_t drawn = 0;
    const Iterations run = iterations(3000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        auto c = someConstruction(d, d.whole(2, 1001), d.whole(2, 1001));
        if (!c) continue;
        State s = stateOf(c->first, c->second);
        // Sizes beyond the tables, not a number or negative; marks and fields not finite.
        switch (d.integer(0, 9)) {
        case 0: s.frame.rectWidth = 1e9, s.frame.rectHeight = 1e9; break;
        case 1: s.frame.rectWidth = kInf, s.frame.rectHeight = d.logUniform(1e15, 1e300); break;
        case 2: s.frame.rectWidth = kNaN, s.frame.rectHeight = -d.logUniform(1, 1e6); break;
        case 3: s.frame.rowPoints.resize(static_cast<std::size_t>(d.integer(0, 3))); break;
        case 4: s.frame.colPoints.clear(); break;
        default: break;
        }
        if (d.chance(0.2) && !s.frame.colPoints.empty())
            for (int k = d.integer(1, 20); k > 0; --k)
                s.frame.colPoints[anyRow(d, s.frame.colPoints)][2] = d.extreme();
        if (d.chance(0.2)) {
            double* fields[] = {&s.frame.originX, &s.frame.originY, &s.frame.vertEdgeSlope, &s.frame.horizEdgeSlope, &s.frame.pox, &s.frame.poy,
                                &s.frame.pvx,     &s.frame.pvy,     &s.frame.refCornerX,    &s.frame.oppCornerX,     &s.fuox, &s.fuoy,
                                &s.fuvx,    &s.fuvy};
            for (int k = d.integer(1, 3); k > 0; --k) *fields[d.integer(0, 13)] = d.extreme();
        }
        const geom::AreaCorners area = calculationArea(s);
        drawn += expectGridWithinBounds(s.frame, area, geom::gridSegments(s.frame, vanishingPoints(s), area));
    }
    std::printf("[ robustness ] %zu grid segments\n", drawn);
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(static_cast<long>(drawn), run.atLeast(10));
    }
}

TEST(RobustnessGrid, hugeFramesEndAtTheMarkTables) {
    // A frame a thousand million outputs wide and high, with full tables: the lines stop at
    // the tables' last rows, not at the size.
    geom::OrientationInput in;
    in.imageWidth = 3000, in.imageHeight = 2000;
    in.centreX = 1500, in.centreY = 1000;
    in.fuox = 9000, in.fuoy = 1100;
    in.fuvx = 1400, in.fuvy = -9000;
    in.areaStarts = 1;
    in.areaXmin = -1e5, in.areaYmin = -30000, in.areaXmax = 1e5, in.areaYmax = 30000;
    in.pixelStep = 1e-3;
    std::string why;
    const std::optional<geom::Orientation> o = geom::orient(in, &why);
    ASSERT_TRUE(o.has_value()) << why;
    ASSERT_GT(o->rectWidth, 1e6);
    ASSERT_GT(o->rectHeight, 1e6);
    State s = stateOf(in, *o);
    for (double size : {1e9, 1e15, 1e300, kInf}) {
        s.frame.rectWidth = s.frame.rectHeight = size;
        const geom::AreaCorners area = calculationArea(s);
        const std::vector<geom::GridSegment> segs = geom::gridSegments(s.frame, vanishingPoints(s), area);
        expectGridWithinBounds(s.frame, area, segs);
        EXPECT_GT(segs.size(), 600u);   // most lines of both tables cross the vast area
        EXPECT_LE(segs.size(), geom::maxColumnMarks / geom::gridStep + 1 + geom::maxRowMarks / geom::gridStep + 1);
    }
}

}  // namespace
}  // namespace velta

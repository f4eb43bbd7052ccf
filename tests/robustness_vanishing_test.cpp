// Randomised robustness of the vanishing points: random and extreme line sets, in the shapes the
// marking can produce, give a meeting point on both lines of each pair or a parallel pair.
// VELTA_ROBUSTNESS_ITERATION=<n> replays iteration n alone (see robustness.h).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "geometry/vanishing.h"
#include "robustness.h"

namespace velta {
namespace {

using namespace robustness;

TEST(RobustnessVanishing, randomAndExtremeLineSetsGiveAMeetingPointOrAParallelPair) {
    constexpr std::uint64_t salt = 1;
    int meeting = 0, parallel = 0;
    const Iterations run = iterations(100000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        double ends[6][6] = {};
        const bool ordinary = d.chance(0.5);
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 4; ++k) ends[n][k] = ordinary ? d.whole(-2000, 2000) : d.mostly(-2000, 2000, 0.3);
        // Shapes the marking can produce: a pair translated (parallel), a vertical or zero-length
        // line, a pair one unit in the last place apart.
        const int pair = d.chance(0.5) ? 1 : 3;
        const int shape = d.integer(0, 6);
        switch (shape) {
        case 0: {
            const double tx = d.whole(-500, 500), ty = d.whole(-500, 500);
            ends[pair + 1][1] = ends[pair][1] + tx, ends[pair + 1][2] = ends[pair][2] + ty;
            ends[pair + 1][3] = ends[pair][3] + tx, ends[pair + 1][4] = ends[pair][4] + ty;
            break;
        }
        case 1: ends[pair][3] = ends[pair][1]; ends[pair + 1][3] = ends[pair + 1][1]; break;
        case 2: ends[d.integer(1, 4)][3] = ends[d.integer(1, 4)][1]; break;
        case 3: {
            const int n = d.integer(1, 4);
            ends[n][3] = ends[n][1], ends[n][4] = ends[n][2];
            break;
        }
        case 4:
            for (int k = 1; k <= 4; ++k) ends[pair + 1][k] = ends[pair][k];
            ends[pair + 1][4] = std::nextafter(ends[pair + 1][4], kInf);
            break;
        default: break;
        }
        const bool ordinaryShape = ordinary && shape != 4;

        const geom::VanishingResult v = geom::vanishingPoints(ends);
        for (int n = 1; n <= 4; ++n)
            if (ends[n][3] - ends[n][1] == 0) {
                EXPECT_EQ(v.slopes[n], geom::verticalSlope) << "line " << n;
            }
        if (ordinary && (shape == 0 || shape == 1)) {   // translated, or both vertical: parallel
            EXPECT_FALSE(pair == 1 ? v.horizontalPairMeets : v.verticalPairMeets);
        }
        if (!v.bothMeet()) {
            ++parallel;
            EXPECT_TRUE(v.fuox == 0 && v.fuoy == 0 && v.fuvx == 0 && v.fuvy == 0);
            continue;
        }
        ++meeting;
        // On whole pixels with clearly different slopes each point lies on both lines of its pair.
        auto onLine = [&](double x, double y, int n) {
            const double s = v.slopes[n], x0 = ends[n][1], y0 = ends[n][2];
            const double scale = 1 + std::fabs(y) + std::fabs(y0) + std::fabs(s) * (std::fabs(x) + std::fabs(x0));
            return std::fabs(y - y0 - s * (x - x0)) <= 1e-9 * scale;
        };
        auto distinct = [&](int a, int b) {
            return std::fabs(v.slopes[a] - v.slopes[b]) > 1e-3 && std::fabs(v.slopes[a]) < 1e3 &&
                   std::fabs(v.slopes[b]) < 1e3;
        };
        if (ordinaryShape && distinct(1, 2)) {
            EXPECT_TRUE(onLine(v.fuox, v.fuoy, 1) && onLine(v.fuox, v.fuoy, 2)) << v.fuox << ", " << v.fuoy;
        }
        if (ordinaryShape && distinct(3, 4)) {
            EXPECT_TRUE(onLine(v.fuvx, v.fuvy, 3) && onLine(v.fuvx, v.fuvy, 4)) << v.fuvx << ", " << v.fuvy;
        }
    }
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(meeting, run.atLeast(0.2));
        EXPECT_GT(parallel, run.atLeast(0.1));
    }
}

}  // namespace
}  // namespace velta

// Randomised robustness of the orientation: random and extreme inputs give a finite frame, the
// same bit for bit each time, or a reason. VELTA_ROBUSTNESS_ITERATION=<n> replays iteration n
// alone (see robustness.h).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "geometry/orientation.h"
#include "robustness.h"

namespace velta {
namespace {

using namespace robustness;

TEST(RobustnessOrientation, randomAndExtremeInputsGiveAFiniteFrameOrAReason) {
    constexpr std::uint64_t salt = 2;
    int built = 0, refused = 0, capped = 0;
    const Iterations run = iterations(20000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        const Inputs kind = d.chance(0.4) ? Inputs::plain : Inputs::wild;
        const geom::OrientationInput in = randomOrientationInput(d, d.whole(2, 3001), d.whole(2, 2001), kind);
        std::string why;
        const std::optional<geom::Orientation> o = geom::orient(in, &why);

        const bool centreOnVsVertical =
            std::fabs(in.centreX - in.fuvx) <= geom::nearlyVertical * std::fabs(in.centreY - in.fuvy);
        const bool mustRefuse = !allFinite(in) || !(in.pixelStep > 0) || centreOnVsVertical;
        if (mustRefuse) {
            EXPECT_FALSE(o.has_value()) << "accepted a degenerate input";
        }
        if (!o) {
            ++refused;
            EXPECT_FALSE(why.empty());
        } else {
            ++built;
            if (o->rectWidth > geom::maxColumnMarks || o->rectHeight > geom::maxRowMarks) ++capped;
            expectFiniteOrientation(*o);
            // The same input gives the same frame, bit for bit.
            if (it % 4 != 0) continue;
            const std::optional<geom::Orientation> again = geom::orient(in);
            ASSERT_TRUE(again.has_value());
            EXPECT_TRUE(again->originX == o->originX && again->originY == o->originY &&
                        again->rectWidth == o->rectWidth && again->rectHeight == o->rectHeight &&
                        again->rowPoints == o->rowPoints && again->colPoints == o->colPoints);
        }
    }
    std::printf("[ robustness ] %d frames, %d refused, %d beyond the mark tables\n", built, refused, capped);
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(built, run.atLeast(0.2));
        EXPECT_GT(refused, run.atLeast(0.2));
        EXPECT_GT(capped, run.atLeast(0.03));
    }
}

}  // namespace
}  // namespace velta

// Randomised robustness of the rectifier: on random and damaged frames, pictures and areas, every
// kernel equals the reference and reads only the picture. VELTA_ROBUSTNESS_ITERATION=<n> replays
// iteration n alone (see robustness.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "robustness.h"
#include "state/state.h"
#include "testutils.h"

namespace velta {
namespace {

using namespace robustness;

constexpr std::uint8_t poison = 255;   // bytes outside the picture: never a sample

/// A source picture of width x height with pixels 1..251 and poison everywhere else in its
/// records: past the width, and in `extraRows` records after the last row (or fewer records
/// than rows when negative).
void fillPicture(State& s, int width, int height, int extraRows) {
    s.image.fileWidth = width;
    s.image.fileHeight = static_cast<std::int16_t>(height);
    const int records = std::max(0, height + extraRows);
    s.image.sourceRows.assign(static_cast<std::size_t>(records), RowRecord{});
    for (int r = 0; r < records; ++r) {
        RowRecord& rec = s.image.sourceRows[static_cast<std::size_t>(r)];
        rec.fill(poison);
        if (r < height)
            for (int x = 0; x < width; ++x) rec[static_cast<std::size_t>(x)] = testing::rampPattern(x, r);
    }
}

const char* kernelName(rectify::Kernel k) {
    switch (k) {
    case rectify::Kernel::portable: return "portable";
    case rectify::Kernel::sse2: return "SSE2";
    case rectify::Kernel::avx2: return "AVX2";
    case rectify::Kernel::avx512: return "AVX512";
    case rectify::Kernel::automatic: break;
    }
    return "automatic";
}

/// One run per kernel the rectifier has; a kernel this build or this processor lacks is skipped
/// with a note, never quietly replaced by a narrower one.
class RobustnessRectifierKernel : public ::testing::TestWithParam<rectify::Kernel> {};

TEST_P(RobustnessRectifierKernel, equalsTheReferenceAndReadsOnlyThePicture) {
    const rectify::Kernel kernel = GetParam();
    if (!rectify::kernelAvailable(kernel))
        GTEST_SKIP() << "the " << kernelName(kernel)
                     << " rectifier kernel is not in this build or this processor lacks it";
    constexpr std::uint64_t salt = 4;
    long sampled = 0;
    const Iterations run = iterations(1500);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        // A picture, now and then as wide as a record, and a construction on it.
        const int width = d.chance(0.05) ? rowRecordSize : d.integer(1, 80);
        const int height = d.integer(1, 60);
        auto c = someConstruction(d, width, height);
        if (!c) continue;
        State s = stateOf(c->first, c->second);
        const int extraRows = d.integer(-2, 2);
        fillPicture(s, width, height, extraRows);
        bool picturePoisonFree = true;   // every byte within the picture's width and rows is a pixel
        switch (d.integer(0, 11)) {
        case 0: s.image.fileWidth = width + 0.5; break;
        case 1: s.image.fileWidth = kNaN; break;
        case 2: s.image.fileWidth = 1e9, picturePoisonFree = false; break;
        case 3: s.image.fileHeight = static_cast<std::int16_t>(d.integer(-5, 0)); break;
        case 4: s.image.fileHeight = 32767, picturePoisonFree = extraRows <= 0; break;
        default: break;
        }

        // The area: as constructed, or over the picture, across it, far away, or not a number.
        auto setArea = [&](double x1, double y1, double x2, double y2) {
            s.areaCorners[1][1] = x1, s.areaCorners[1][2] = y1;
            s.areaCorners[2][1] = x1, s.areaCorners[2][2] = y2;
            s.areaCorners[3][1] = x2, s.areaCorners[3][2] = y2;
            s.areaCorners[4][1] = x2, s.areaCorners[4][2] = y1;
        };
        switch (d.integer(0, 7)) {
        case 0: setArea(0, 0, width + 1, height); break;
        case 1: setArea(-kInf, -kInf, kInf, kInf); break;
        case 2: setArea(-1e15, -1e15, 1e15, 1e15); break;
        case 3: setArea(kNaN, 0, width, height); break;
        case 4: setArea(width, height, 0, 0); break;   // inverted: nothing inside
        default: break;
        }

        // A small output, so that every row can be compared; the tables keep their sizes.
        if (d.chance(0.8)) {
            s.frame.rectWidth = std::min(s.frame.rectWidth, d.whole(0, 300));
            s.frame.rectHeight = std::min(s.frame.rectHeight, d.whole(0, 40));
        } else {
            s.frame.rectWidth = d.chance(0.5) ? d.extreme() : s.frame.rectWidth;
            s.frame.rectHeight = d.chance(0.5) ? d.extreme() : std::min(s.frame.rectHeight, 40.0);
        }
        if (d.chance(0.15)) s.frame.colSign = static_cast<std::int16_t>(-s.frame.colSign);
        if (d.chance(0.2)) {
            double* fields[] = {&s.frame.originX, &s.frame.originY, &s.frame.vertEdgeSlope, &s.frame.horizEdgeSlope, &s.frame.pox, &s.frame.poy,
                                &s.frame.pvx,     &s.frame.pvy,     &s.fuox,          &s.fuoy,           &s.fuvx, &s.fuvy};
            for (int k = d.integer(1, 2); k > 0; --k) *fields[d.integer(0, 11)] = d.extreme();
        }
        if (d.chance(0.2) && !s.frame.rowPoints.empty())
            s.frame.rowPoints[anyRow(d, s.frame.rowPoints)][3] = d.extreme();

        const int w = rectify::columnCount(s.frame);
        const int h = rectify::rowCount(s.frame);
        std::vector<int> rowsToCheck = {-1, 0, 1, h, h + 1, h / 2};
        if (h <= 40)
            for (int i = 2; i < h; ++i) rowsToCheck.push_back(i);
        else
            for (int k = 0; k < 4; ++k) rowsToCheck.push_back(d.integer(1, h));

        std::vector<RowRecord> want(rowsToCheck.size());
        const rectify::Input in{s.frame, vanishingPoints(s), calculationArea(s), s.image};
        for (std::size_t k = 0; k < rowsToCheck.size(); ++k) rectify::referenceRow(in, rowsToCheck[k], want[k]);
        const rectify::Rectifier r(in, kernel);
        ASSERT_EQ(r.kernel(), kernel);
        EXPECT_EQ(r.width(), w);
        EXPECT_EQ(r.height(), h);
        for (std::size_t k = 0; k < rowsToCheck.size(); ++k) {
            RowRecord got;
            got.fill(0xAB);
            r.computeRow(rowsToCheck[k], got);
            if (got != want[k]) {
                ADD_FAILURE() << kernelName(kernel) << " kernel, row " << rowsToCheck[k]
                              << " differs from the reference";
                break;
            }
        }
        for (std::size_t k = 0; k < rowsToCheck.size(); ++k) {
            const RowRecord& row = want[k];
            for (std::size_t p = 0; p < row.size(); ++p) {
                if (row[p] != 0 && p < static_cast<std::size_t>(w)) ++sampled;
                if ((p >= static_cast<std::size_t>(w) && row[p] != 0) || (picturePoisonFree && row[p] == poison)) {
                    ADD_FAILURE() << "row " << rowsToCheck[k] << ", byte " << p << " = " << int{row[p]}
                                  << " (width " << w << ")";
                    break;
                }
            }
        }
    }
    std::printf("[ robustness ] %ld pixels sampled\n", sampled);
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(sampled, run.atLeast(100));
    }
}

INSTANTIATE_TEST_SUITE_P(RobustnessRectifier, RobustnessRectifierKernel,
                         ::testing::Values(rectify::Kernel::portable, rectify::Kernel::sse2, rectify::Kernel::avx2,
                                           rectify::Kernel::avx512),
                         [](const ::testing::TestParamInfo<rectify::Kernel>& param) {
                             return std::string(kernelName(param.param));
                         });

}  // namespace
}  // namespace velta

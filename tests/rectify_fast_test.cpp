#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "rectify_frame.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

using namespace velta;
using namespace velta::rectify;
using velta::rectify::testing::FrameSpec;
using velta::rectify::testing::makeFrame;

namespace {

// Every row of the fast rectifier, with the given kernel, against the reference; returns the
// number of sampled (non-zero) pixels, and fails on the first differing row.
std::size_t expectSameAsReference(const State& s, Kernel kernel) {
    const Rectifier fast(s, kernel);
    RowRecord want{};
    RowRecord got{};
    std::size_t sampled = 0;
    for (int i = 0; i <= fast.height() + 1; ++i) {
        referenceRow(s, i, want);
        got.fill(0xAB);
        fast.computeRow(i, got);
        if (want != got) {
            std::size_t p = 0;
            while (want[p] == got[p]) ++p;
            ADD_FAILURE() << "row " << i << " differs first at index " << p << ": reference "
                          << int{want[p]} << ", fast " << int{got[p]};
            return sampled;
        }
        for (std::uint8_t b : got) sampled += b != 0;
    }
    return sampled;
}

void expectBothKernels(const State& s, const std::string& what) {
    SCOPED_TRACE(what);
    const std::size_t base = expectSameAsReference(s, Kernel::sse2);
    const std::size_t wide = expectSameAsReference(s, Kernel::avx2);
    EXPECT_EQ(base, wide);
}

}  // namespace

TEST(RectifyFast, matchesReferenceOnRealisticFrames) {
    FrameSpec f;
    const State s = makeFrame(f);
    const std::size_t sampled = expectSameAsReference(s, Kernel::automatic);
    // The frame covers most of the output; the corners outside the area stay 0.
    EXPECT_GT(sampled, std::size_t{600 * 400 * 7 / 10});
    expectBothKernels(s, "looking up, turned left");
}

// What the handlers draw on the source picture, as the pixels a user sees on the recording
// surface: a rubber band erased by drawing it again, and marks in copy pen after a band.
#include <cstdint>
#include <set>
#include <utility>

#include "testutils.h"
#include "ui/raster.h"

namespace velta {
namespace {

class HandlersDrawing : public testing::HandlerTest {};

constexpr std::uint32_t shownRed = 0xFFFF0000u;

TEST_F(HandlersDrawing, aMovingBandLeavesOnlyItsLastPositionInvertedOnThePicture) {
    openImage(makeBitmap(640, 480));
    click(100, 400);
    const raster::Picture withPoint = w.pic1.canvas();
    Picture1_MouseMove(app, 0, 0, 110, 300);
    Picture1_MouseMove(app, 0, 0, 120, 200);
    Picture1_MouseMove(app, 0, 0, 125, 150);

    raster::Picture expected = withPoint;
    raster::paint(expected.buffer(), raster::segmentPixels(100, 400, 125, 150, 640, 480), pureRed, DrawMode::Invert);
    EXPECT_TRUE(w.pic1.canvas() == expected);
    EXPECT_FALSE(w.pic1.canvas() == withPoint);

    // The second click draws the segment and its point in plain red over the band.
    click(130, 100);
    for (const raster::Point p : raster::segmentPixels(130, 100, 100, 400, 640, 480))
        EXPECT_EQ(w.pic1.pixel(p.x, p.y), shownRed) << p.x << "," << p.y;
    for (const raster::Point p : raster::circlePixels(130, 100, 2, 640, 480))
        EXPECT_EQ(w.pic1.pixel(p.x, p.y), shownRed) << p.x << "," << p.y;
}

TEST_F(HandlersDrawing, theConstructionAfterTheBandsShowsItsColoursAndNothingElseChanges) {
    openFacadeWithLines();
    const RecordingSurface& p = w.pic1;
    ASSERT_FALSE(p.ops.empty());
    const int width = p.canvas().width(), height = p.canvas().height();
    auto pixelsOf = [&](const DrawOp& op) {
        switch (op.kind) {
        case DrawOp::Line: return raster::segmentPixels(op.x1, op.y1, op.x2, op.y2, width, height);
        case DrawOp::Rect: return raster::rectPixels(op.x1, op.y1, op.x2, op.y2, width, height);
        case DrawOp::Circle: break;
        }
        return raster::circlePixels(op.x1, op.y1, op.x2, width, height);
    };

    // Each mark in copy pen shows in its colour wherever no later mark covers it.
    std::set<std::pair<int, int>> later;
    int copyPenPixels = 0, wrong = 0;
    for (auto op = p.ops.rbegin(); op != p.ops.rend(); ++op) {
        for (const raster::Point q : pixelsOf(*op)) {
            if (op->mode == DrawMode::CopyPen && !later.count({q.x, q.y})) {
                ++copyPenPixels;
                if (p.pixel(q.x, q.y) != raster::pixelOf(op->color)) ++wrong;
            }
            later.insert({q.x, q.y});
        }
    }
    EXPECT_GT(copyPenPixels, 0);
    EXPECT_EQ(wrong, 0);

    // Every pixel no mark touched is the picture's own: the bands left nothing behind.
    int changed = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!later.count({x, y}) && p.pixel(x, y) != p.picture().pixel(x, y)) ++changed;
    EXPECT_EQ(changed, 0);
    EXPECT_FALSE(p.canvas() == p.picture());
}

}  // namespace
}  // namespace velta

#include <gtest/gtest.h>

#include "input/dispatch.h"
#include "input/zoom.h"
#include "ui/recording_window.h"

using namespace velta;

namespace {

struct ZoomFixture : ::testing::Test {
    RecordingWindow w;
    App app{w, "/nonexistent"};
    RecordingZoom& z = w.zoomWindow;

    // Connected as the program connects the real window: a resize runs the resize handler.
    ZoomFixture() {
        z.onResize = [this] { dispatch(app, Command::zoomFormResize); };
    }

    void openOn(float imageW, float imageH) {
        app.s.imageWidth = imageW;
        app.s.imageHeight = imageH;
        zooClick(app);
    }
};

TEST_F(ZoomFixture, opensAtTenTwipsPerPixelOfTheImageShown) {
    openOn(640, 480);
    EXPECT_TRUE(z.loaded());
    EXPECT_EQ(z.picture, Pic::Picture1);
    EXPECT_DOUBLE_EQ(z.imageWidth(), 6400);
    EXPECT_DOUBLE_EQ(z.imageHeight(), 4800);
    EXPECT_DOUBLE_EQ(z.left(), 11080);
    EXPECT_DOUBLE_EQ(z.top(), 1100);
    // The grid ratio is taken from the design width of the image area, before the picture.
    EXPECT_FLOAT_EQ(app.s.gridRatio, 1935.0f / 640.0f);
    EXPECT_EQ(app.s.zoomPercent, 1);

    // Once a rectification exists, the rectified picture is shown: 300 x 200 -> 3000 x 2000.
    app.s.raddrCount = 1;
    app.s.rectViewWidth = 300;
    app.s.rectViewHeight = 200;
    zooClick(app);
    EXPECT_EQ(z.picture, Pic::Picture2);
    EXPECT_DOUBLE_EQ(z.imageWidth(), 3000);
    EXPECT_DOUBLE_EQ(z.imageHeight(), 2000);
}

TEST_F(ZoomFixture, aNewWindowTakesThePictureSizeAndItsBarsFollow) {
    openOn(300, 200);   // 3000 x 2000 twips: the window takes them, with the caption bar
    EXPECT_DOUBLE_EQ(z.width(), 3000);
    EXPECT_DOUBLE_EQ(z.height(), 2380);
    EXPECT_DOUBLE_EQ(z.hBar().length, 3000);
    EXPECT_DOUBLE_EQ(z.vBar().length, 2380);
    EXPECT_EQ(app.s.hScrollMax, 0);

    // A resize by the user, once the window is loaded, runs the handler as well.
    z.setSize(1000, 800);
    EXPECT_DOUBLE_EQ(z.hBar().length, 1000);
    EXPECT_DOUBLE_EQ(z.vBar().length, 800);
    EXPECT_EQ(app.s.hScrollMax, 2000);
    EXPECT_EQ(z.hBar().maximum, 2000);
}

TEST_F(ZoomFixture, aPictureTooLargeForTheRangeOpensAtTheLargestSizeThatFits) {
    openOn(1000, 20000);   // 10 twips per pixel would be 200000 twips high
    EXPECT_LE(z.imageHeight(), zoomLimit);
    EXPECT_NEAR(z.imageWidth() / z.imageHeight(), 1000.0 / 20000.0, 1e-3);
    EXPECT_LE(app.s.vScrollMax, 32767.0f);
}

TEST_F(ZoomFixture, stepsCompoundAndRestartAfterAChangeOfDirection) {
    openOn(300, 200);
    const double h0 = z.imageHeight();
    zoomSpinDown(app, z);
    EXPECT_EQ(app.s.zoomPercent, 90);
    EXPECT_DOUBLE_EQ(z.imageHeight(), h0 / 0.9);
    zoomSpinDown(app, z);
    EXPECT_EQ(app.s.zoomPercent, 80);
    EXPECT_DOUBLE_EQ(z.imageHeight(), h0 / 0.9 / 0.8);
    const double h2 = z.imageHeight();
    zoomSpinUp(app, z);
    EXPECT_EQ(app.s.zoomPercent, 110);
    EXPECT_EQ(app.s.zoomDir, 1);
    EXPECT_DOUBLE_EQ(z.imageHeight(), h2 / 1.1);
}

TEST_F(ZoomFixture, refusedStepsChangeOnlyTheDirectionAndPercentage) {
    openOn(60, 50);   // a picture 500 twips high
    ASSERT_DOUBLE_EQ(z.imageHeight(), 500);
    zoomSpinDown(app, z);   // 500 / 0.9 < 600: refused
    EXPECT_DOUBLE_EQ(z.imageHeight(), 500);
    EXPECT_EQ(app.s.zoomDir, -1);
    EXPECT_EQ(app.s.zoomPercent, 90);
    zoomSpinUp(app, z);     // going up is allowed
    EXPECT_DOUBLE_EQ(z.imageHeight(), 500 / 1.1);

    // Repeated steps up towards the 16-bit range are refused rather than overflowing it.
    openOn(3000, 3000);
    for (int i = 0; i < 40; ++i) zoomSpinDown(app, z);
    EXPECT_LE(z.imageWidth(), zoomLimit);
    EXPECT_LE(z.imageHeight(), zoomLimit);
    EXPECT_LE(app.s.hScrollMax, 32767);
}

TEST_F(ZoomFixture, aZoomStepRescalesTheScrollPositions) {
    openOn(300, 200);   // 3000 x 2000 twips
    z.setSize(1000, 1000);
    zoomHScrollChange(app, z, 200);
    ASSERT_EQ(app.s.zoomHPos, 200);
    ASSERT_EQ(app.s.hScrollMax, 2000);
    zoomSpinDown(app, z);   // 3000 / 0.9 - 1000 = 2333
    EXPECT_EQ(app.s.prevHScrollMax, 2000);
    EXPECT_EQ(app.s.zoomHPos, static_cast<std::int16_t>(200 * app.s.hScrollMax / 2000 + 0.5));
    EXPECT_DOUBLE_EQ(z.imageLeft(), -app.s.zoomHPos);
}

TEST_F(ZoomFixture, aRangeThatShrinksUnderThePositionPullsThePictureBack) {
    openOn(300, 200);   // 3000 x 2000 twips
    z.setSize(1000, 1000);
    zoomHScrollChange(app, z, 1500);
    zoomVScrollChange(app, z, 600);
    z.setSize(2500, 1700);   // ranges 500 and 300
    EXPECT_EQ(z.hBar().value, 500);
    EXPECT_EQ(app.s.zoomHPos, 500);
    EXPECT_DOUBLE_EQ(z.imageLeft(), -500);
    EXPECT_EQ(app.s.zoomVPos, 300);
    EXPECT_DOUBLE_EQ(z.imageTop(), -300);

    z.setSize(3000, 2380);   // the whole picture: nothing to scroll, and none of it hidden
    EXPECT_DOUBLE_EQ(z.imageLeft(), 0);
    EXPECT_DOUBLE_EQ(z.imageTop(), 0);
    EXPECT_EQ(app.s.zoomHPos, 0);
}

TEST_F(ZoomFixture, gridOnlyAfterARectificationAndFitOnRelease) {
    openOn(300, 200);
    zoomImageDblClick(app, z);
    EXPECT_TRUE(z.lines.empty());
    app.s.raddrCount = 1;
    app.s.rectViewWidth = 300;
    app.s.rectViewHeight = 200;
    zooClick(app);
    zoomImageDblClick(app, z);
    ASSERT_FALSE(z.lines.empty());
    for (const auto& l : z.lines) EXPECT_EQ(l.color, Color{0x404000});

    z.setSize(500, 500);   // smaller than the picture: fitted to it exactly
    zoomFormMouseUp(app, z);
    EXPECT_DOUBLE_EQ(z.width(), z.imageWidth());
    EXPECT_DOUBLE_EQ(z.height(), z.imageHeight());
    z.setSize(9000, 9000);   // larger: fitted with room for the caption
    zoomFormMouseUp(app, z);
    EXPECT_DOUBLE_EQ(z.height(), z.imageHeight() + 380);
}

// A colour photograph of 6000 x 4000 pixels: its picture, ranges and positions in twips go far
// past 16 bits, from a tenth of its size on screen to eight times.
struct ColourZoomFixture : ZoomFixture {
    static constexpr double sizeOnScreen = 6000 * 15;  // the picture's width at its own size, in twips

    ColourZoomFixture() { app.s.image.road = Road::colour; }

    void toFarCorner() {
        zoomHScrollChange(app, z, z.hBar().maximum);
        zoomVScrollChange(app, z, z.vBar().maximum);
    }
    // Both bars at their ends and the picture's right and bottom edges at the window's.
    void expectAtFarCorner() {
        EXPECT_GE(app.s.zoomHPos, 0);
        EXPECT_EQ(app.s.zoomHPos, app.s.hScrollMax);
        EXPECT_EQ(z.hBar().value, z.hBar().maximum);
        EXPECT_EQ(static_cast<float>(app.s.zoomVPos), app.s.vScrollMax);
        EXPECT_NEAR(z.imageLeft() + z.imageWidth(), z.width(), 1);
        EXPECT_NEAR(z.imageTop() + z.imageHeight(), z.height(), 1);
    }
};

TEST_F(ColourZoomFixture, opensAtTenTwipsPerPixelAndItsBarsReachTheFarCorner) {
    openOn(6000, 4000);
    EXPECT_TRUE(z.colourPicture());
    EXPECT_DOUBLE_EQ(z.imageWidth(), 60000);   // not shrunk into a 16-bit range
    EXPECT_DOUBLE_EQ(z.imageHeight(), 40000);
    EXPECT_EQ(app.s.hScrollMax, 60000 - 4280);  // the window fills the screen right of it
    toFarCorner();
    expectAtFarCorner();
    EXPECT_EQ(app.s.zoomHPos, 55720);

    // A fit keeps the window on the screen, where a plain picture's window would take its size.
    zoomFormMouseUp(app, z);
    EXPECT_LE(z.left() + z.width(), z.screenW);
    EXPECT_LE(z.top() + z.height(), z.screenH);
}

TEST_F(ColourZoomFixture, stepsFromATenthToEightTimesItsSizeWithoutWrapping) {
    openOn(6000, 4000);
    toFarCorner();
    // Larger by 0.9, 0.8, ... 0.5 (4.4 times its size); larger still would pass eight times.
    for (int i = 0; i < 8; ++i) {
        zoomSpinDown(app, z);
        expectAtFarCorner();
    }
    EXPECT_NEAR(z.imageWidth(), 60000 / (0.9 * 0.8 * 0.7 * 0.6 * 0.5), 1);
    // A step smaller restarts the steps; then 0.9, 0.8, 0.7 reach 7.95 times.
    zoomSpinUp(app, z);
    toFarCorner();
    for (int i = 0; i < 4; ++i) zoomSpinDown(app, z);
    EXPECT_GT(z.imageWidth(), 7.9 * sizeOnScreen);
    EXPECT_LE(z.imageWidth(), 8 * sizeOnScreen);
    EXPECT_GT(app.s.hScrollMax, 700000);
    expectAtFarCorner();

    // Smaller step by step to a tenth of its size, the bars following.
    int steps = 0;
    while (z.imageWidth() > sizeOnScreen / 10 && steps++ < 20) {
        zoomSpinUp(app, z);
        EXPECT_GE(app.s.zoomHPos, 0);
        EXPECT_LE(app.s.zoomHPos, std::max(0, app.s.hScrollMax));
        EXPECT_DOUBLE_EQ(z.imageLeft(), -app.s.zoomHPos);
    }
    EXPECT_GT(z.imageWidth(), sizeOnScreen / 20);
    EXPECT_LE(z.imageWidth(), sizeOnScreen / 10);
    toFarCorner();
    EXPECT_EQ(app.s.zoomHPos, std::max(0, app.s.hScrollMax));
    EXPECT_DOUBLE_EQ(z.imageTop(), 0);  // lower than the window: nothing to scroll
}

}  // namespace

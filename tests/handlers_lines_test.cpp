// Mouse input on the source picture: the four lines with their prompts and angles, the rubber
// band, and the calculation area.
#include <string>
#include <vector>

#include "testutils.h"
#include "text/numtext.h"

namespace velta {
namespace {

class HandlersLines : public testing::HandlerTest {
protected:
    void SetUp() override { openImage(makeBitmap(640, 480)); }

    void press(float x, float y, int button = 1, int shift = 0) { PICTURE1_MouseDown(app, button, shift, x, y); }
    void move(float x, float y) { Picture1_MouseMove(app, 0, 0, x, y); }
    void release(float x, float y) { Picture1_MouseUp(app, 1, 0, x, y); }
};

using testing::circle;
using testing::marksSince;
using testing::rectangle;
using testing::segment;
constexpr DrawMode invert = DrawMode::Invert;
constexpr Color red = pureRed;

TEST_F(HandlersLines, eachClickShowsItsPointAndEachLineItsPromptAndAngle) {
    app.decimalSep = ',';
    std::size_t from = w.pic1.ops.size();
    click(100.5f, 400);
    EXPECT_EQ(w.text(Ctl::Text1), "100,5");
    EXPECT_EQ(w.text(Ctl::Text2), "400");
    EXPECT_EQ(w.text(Ctl::tfuox), "100,5");
    EXPECT_EQ(w.text(Ctl::tfuoy), "400");
    EXPECT_EQ(w.text(Ctl::tfuvx), "");
    EXPECT_EQ(w.text(Ctl::tfuvy), "");
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette orizz.");
    EXPECT_FALSE(w.enabled(Ctl::cancella));
    EXPECT_MARKS(marksSince(w.pic1, from), circle(100.5, 400, 2));

    from = w.pic1.ops.size();
    click(400.5f, 300);   // rises to the right: a negative angle
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2°retta orizz.");
    EXPECT_TRUE(w.enabled(Ctl::cancella));
    EXPECT_EQ(w.text(Ctl::tfuvx), "400,5");
    EXPECT_EQ(w.text(Ctl::tfuvy), "300");
    EXPECT_EQ(w.text(text6(1)), "-18,434948822922");
    EXPECT_EQ(app.s.lineCount, 1);
    EXPECT_EQ(app.s.lineEnds[1][1], 100.5);
    EXPECT_EQ(app.s.lineEnds[1][2], 400);
    EXPECT_EQ(app.s.lineEnds[1][3], 400.5);
    EXPECT_EQ(app.s.lineEnds[1][4], 300);
    EXPECT_EQ(app.s.lineEnds[0][1], 0);   // rows follow the count after it is raised
    EXPECT_MARKS(marksSince(w.pic1, from), circle(400.5, 300, 2), segment(400.5, 300, 100.5, 400));

    markLine(100, 200, 500, 200);   // horizontal
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 1° retta vertic.");
    EXPECT_EQ(w.text(text6(2)), "0");
    markLine(300, 400, 300, 100);   // vertical
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2° retta vertic.");
    EXPECT_EQ(w.text(text6(3)), "90");
    EXPECT_EQ(app.s.lineEnds[3][4], 100);

    // The fourth line names the next step before the release computes the vanishing points.
    click(500, 400);
    press(520, 100);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definisco le fughe");
    EXPECT_EQ(app.s.lineCount, 4);
    EXPECT_TRUE(w.enabled(Ctl::CENTRO));
    EXPECT_FALSE(w.enabled(Ctl::RETTANG));
    EXPECT_FALSE(w.enabled(Ctl::GRIGLIA));
    EXPECT_EQ(w.text(text6(4)), "-86,1859251657097");
    release(520, 100);
    EXPECT_NE(w.text(Ctl::domanda1), "Definisco le fughe");
}

TEST_F(HandlersLines, anyButtonAndShiftMarkAlikeAndAZeroLengthLineIsVertical) {
    press(200, 150, 2, 1);
    press(200, 150, 4, 3);
    EXPECT_EQ(app.s.lineCount, 1);
    EXPECT_EQ(w.text(text6(1)), "90");
    EXPECT_EQ(app.s.lineEnds[1][1], 200);
    EXPECT_EQ(app.s.lineEnds[1][3], 200);
}

TEST_F(HandlersLines, aPressAfterTheFourthLineDrawsAndStoresNothing) {
    markLine(100, 100, 500, 140);
    markLine(100, 400, 500, 360);
    markLine(100, 400, 130, 100);
    markLine(540, 400, 500, 100);
    ASSERT_EQ(app.s.lineCount, 4);
    const std::size_t ops = w.pic1.ops.size();
    const std::string prompt = w.text(Ctl::domanda1), first = w.text(Ctl::tfuox);
    const double fuox = app.s.fuox;

    press(50, 60);
    EXPECT_EQ(w.pic1.ops.size(), ops);
    EXPECT_EQ(w.text(Ctl::domanda1), prompt);
    EXPECT_EQ(w.text(Ctl::tfuox), first);
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_EQ(app.s.firstX, 540);
    EXPECT_EQ(app.s.lineEnds[4][1], 540);

    // The release recomputes the vanishing points and redraws the construction over the old one.
    release(50, 60);
    EXPECT_EQ(w.text(Ctl::Text1), "50");
    EXPECT_EQ(app.s.fuox, fuox);
    EXPECT_GT(w.pic1.ops.size(), ops);

    // A count above 4 is brought back to 4 by the next press.
    app.s.lineCount = 5;
    press(50, 60);
    EXPECT_EQ(app.s.lineCount, 4);
}

TEST_F(HandlersLines, aCountOfMinusOneAfterACancelIsCorrectedByTheNextPress) {
    CANC2(app);
    ASSERT_EQ(app.s.lineCount, -1);
    markLine(100, 100, 500, 140);
    EXPECT_EQ(app.s.lineCount, 1);
    EXPECT_EQ(app.s.lineEnds[1][1], 100);
    EXPECT_EQ(app.s.lineEnds[1][4], 140);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2°retta orizz.");
}

TEST_F(HandlersLines, movingWithoutAPendingClickOnlyShowsThePointer) {
    const std::size_t ops = w.pic1.ops.size();
    app.decimalSep = ',';
    move(12.25f, 30);
    EXPECT_EQ(w.text(Ctl::Text1), "12,25");
    EXPECT_EQ(w.text(Ctl::Text2), "30");
    EXPECT_EQ(w.pic1.ops.size(), ops);
    markLine(100, 100, 500, 140);
    const std::string first = w.text(Ctl::tfuox);
    const std::size_t afterLine = w.pic1.ops.size();
    move(300, 300);
    EXPECT_EQ(w.pic1.ops.size(), afterLine);
    EXPECT_EQ(w.text(Ctl::tfuox), first);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2°retta orizz.");
}

TEST_F(HandlersLines, theRubberBandFollowsThePointerAndAFreshBandErasesNothing) {
    // What the band leaves on the picture is held pixel by pixel in handlers_drawing_test.cpp.
    click(100, 400);
    move(110, 300);
    move(120, 200);
    move(125, 150);
    click(130, 100);
    EXPECT_EQ(app.s.bandX, 125);
    EXPECT_EQ(app.s.bandY, 150);

    // A first click starts a fresh band: nothing is erased at the next movement.
    click(200, 200);
    const std::size_t next = w.pic1.ops.size();
    move(250, 250);
    EXPECT_MARKS(marksSince(w.pic1, next), segment(200, 200, 250, 250, red, invert));
}

TEST_F(HandlersLines, anAreaDraggedInAnyDirectionIsStoredTopLeftFirst) {
    struct Drag {
        float x1, y1, x2, y2;
    };
    const Drag drags[] = {{100, 50, 300, 250}, {300, 250, 100, 50}, {300, 50, 100, 250}, {100, 250, 300, 50}};
    for (const Drag& d : drags) {
        SCOPED_TRACE(::testing::Message() << d.x1 << "," << d.y1 << " -> " << d.x2 << "," << d.y2);
        markArea(d.x1, d.y1, d.x2, d.y2);
        const auto& c = app.s.areaCorners;
        EXPECT_EQ(c[1][1], 100);
        EXPECT_EQ(c[1][2], 50);
        EXPECT_EQ(c[2][1], 100);
        EXPECT_EQ(c[2][2], 250);
        EXPECT_EQ(c[3][1], 300);
        EXPECT_EQ(c[3][2], 250);
        EXPECT_EQ(c[4][1], 300);
        EXPECT_EQ(c[4][2], 50);
        // The boxes show the clicks as they came; the outline is drawn in plain red.
        EXPECT_EQ(w.text(Ctl::tfuox), text::localeNumber(d.x1, '.'));
        EXPECT_EQ(w.text(Ctl::tfuoy), text::localeNumber(d.y1, '.'));
        EXPECT_EQ(w.text(Ctl::tfuvx), text::localeNumber(d.x2, '.'));
        EXPECT_EQ(w.text(Ctl::tfuvy), text::localeNumber(d.y2, '.'));
        EXPECT_MARKS(w.pic1.ops, rectangle(100, 50, 300, 250));
        EXPECT_EQ(app.s.inputMode, 1);
    }

    // A purely horizontal drag keeps equal y pairs.
    markArea(400, 120, 200, 120);
    const auto& c = app.s.areaCorners;
    EXPECT_EQ(c[1][1], 200);
    EXPECT_EQ(c[4][1], 400);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(c[i][2], 120) << "corner " << i;
}

TEST_F(HandlersLines, theAreaCommandSetsTheModeAndTheFirstCornerClearsTheMarks) {
    markLine(100, 100, 500, 140);
    RETTANG3(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definisci un'area di calcolo");
    EXPECT_EQ(app.s.inputMode, 1);
    EXPECT_EQ(app.s.areaStarts, 1);
    const int refreshes = w.pic1.refreshCount;

    press(150, 160);
    EXPECT_EQ(w.pic1.refreshCount, refreshes + 1);   // lines and centre mark gone from the picture...
    EXPECT_TRUE(w.pic1.ops.empty());                  // ...and no point circle for a corner
    EXPECT_EQ(app.s.lineEnds[1][3], 500);             // but kept
    EXPECT_EQ(app.s.centreX, 320);
    EXPECT_EQ(w.text(Ctl::tfuvx), "");
    EXPECT_EQ(w.text(Ctl::tfuvy), "");
    EXPECT_EQ(app.s.areaCorners[1][1], 150);
    EXPECT_EQ(app.s.areaCorners[3][1], 639);   // the others keep the previous area meanwhile

    // The rubber rectangle runs from the first corner in invert mode.
    move(200, 200);
    move(220, 230);
    press(240, 250);
    EXPECT_MARKS(w.pic1.ops, rectangle(150, 160, 200, 200, red, invert), rectangle(150, 160, 200, 200, red, invert),
                 rectangle(150, 160, 220, 230, red, invert),
                 rectangle(150, 160, 240, 250));   // the last band is not erased

    // After the defaults command forgets the areas, a new first corner keeps the picture.
    VALORIDEFAULT(app);
    const int afterDefaults = w.pic1.refreshCount;
    press(10, 10);
    EXPECT_EQ(w.pic1.refreshCount, afterDefaults);
    EXPECT_EQ(app.s.pointPending, 1);
}

TEST_F(HandlersLines, anAreaWithFewerThanFourLinesRunsNothingOnRelease) {
    markLine(100, 100, 500, 140);
    markLine(100, 400, 500, 360);
    const std::string dims = w.text(Ctl::tfuox);
    markArea(150, 160, 240, 250);
    EXPECT_EQ(app.s.areaCorners[3][1], 240);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definisci un'area di calcolo");
    EXPECT_EQ(w.text(Ctl::tfuvx), "240");
    EXPECT_EQ(w.text(text6(4)), "m4");
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.pic1.ops.size(), 1u);   // only the outline
    EXPECT_FALSE(w.enabled(Ctl::RADDRIZZA));   // nothing has been constructed to rectify
}

TEST_F(HandlersLines, anAreaWithFourLinesRebuildsTheFrameForTheArea) {
    markLine(100, 100, 500, 140);
    markLine(100, 400, 500, 360);
    markLine(100, 400, 130, 100);
    markLine(540, 400, 500, 100);
    const double fullWidth = app.s.frame.rectWidth;
    const std::string pox = w.text(text6(1));
    markArea(200, 150, 300, 250);
    EXPECT_LT(app.s.frame.rectWidth, fullWidth);
    EXPECT_EQ(w.text(Ctl::tfuox), text::wholeNumberText(app.s.frame.rectWidth) + " x");
    EXPECT_EQ(w.text(text6(1)), pox);   // with an area the parameter boxes keep their texts...
    EXPECT_EQ(w.text(Ctl::tfuvx), "300");
    EXPECT_EQ(w.text(text6(4)).rfind("DIS ", 0), 0u);   // ...except the distance
    EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
    EXPECT_TRUE(w.enabled(Ctl::GRIGLIA));
    EXPECT_EQ(app.s.inputMode, 1);   // a further press starts another area
}

TEST_F(HandlersLines, theAreaCommandWithAPendingLineClickCompletesFromTheStoredCorner) {
    markLine(100, 100, 500, 140);
    click(200, 300);   // first click of line 2
    ASSERT_EQ(app.s.pointPending, 1);
    RETTANG3(app);
    EXPECT_EQ(app.s.pointPending, 1);
    const std::size_t from = w.pic1.ops.size();
    move(400, 350);
    EXPECT_MARKS(marksSince(w.pic1, from), rectangle(1, 1, 400, 350, red, invert));   // from the default corner 1
    click(400, 350);
    const auto& c = app.s.areaCorners;
    EXPECT_EQ(c[1][1], 1);
    EXPECT_EQ(c[1][2], 1);
    EXPECT_EQ(c[3][1], 400);
    EXPECT_EQ(c[3][2], 350);
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_EQ(app.s.lineCount, 1);   // the pending click made no line
}

}  // namespace
}  // namespace velta

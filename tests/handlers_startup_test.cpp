// Start-up, the command panel toggle, the defaults command and the window-background refresh.
#include <string>
#include <vector>

#include "testutils.h"

namespace velta {
namespace {

class HandlersStartup : public testing::HandlerTest {};

using testing::circle;
using testing::rectangle;
using testing::segment;

struct Expected {
    Ctl ctl;
    const char* text;
    bool enabled;
    bool visible;
};

// What the window shows once the program has started and waits for an image.
const Expected startState[] = {
    {Ctl::file, "&File", true, true},
    {Ctl::open, "&Open File", true, true},
    {Ctl::save, "&Save File", false, true},
    {Ctl::exit, "&Exit", true, true},
    {Ctl::edit, "&Edit", true, true},
    {Ctl::canc, "&Canc", false, true},
    {Ctl::centro1, "&Centro Oo", false, true},
    {Ctl::area, "&Area", false, true},
    {Ctl::griglia2, "&Griglia", false, true},
    {Ctl::parametri, "&Parametri", false, true},
    {Ctl::frame_m, "&Frame", true, true},
    {Ctl::raddrizza1, "&Raddrizza", false, true},
    {Ctl::misura, "&Misura", true, false},
    {Ctl::print1, "&Print", false, true},
    {Ctl::print, "&Print window", true, true},
    {Ctl::help, "&?", true, true},
    {Ctl::help1, "&help", true, true},
    {Ctl::Frame1, "COMANDI", true, true},
    {Ctl::domanda1, "Caricare un'immagine ", true, true},
    {Ctl::zoo, "Zoom", true, false},
    {Ctl::RADDRIZZA, "Raddrizza", false, true},
    {Ctl::CENTRO, "Centro", false, true},
    {Ctl::cancella, "Canc.", false, true},
    {Ctl::GRIGLIA, "Griglia", false, true},
    {Ctl::RETTANG, "Area", false, true},
    {Ctl::Text1, "x.", true, true},
    {Ctl::Text2, "y.", true, true},
    {Ctl::Text3, "1", true, false},
    {Ctl::Text4, " ", true, false},
    {Ctl::tfuox, "fuox", true, true},
    {Ctl::tfuoy, "fuoy", true, true},
    {Ctl::tfuvx, "fuvx", true, true},
    {Ctl::tfuvy, "fuvy", true, true},
    {Ctl::Text6_1, "m1", true, true},
    {Ctl::Text6_4, "m4", true, true},
    {Ctl::GRANDEZZA, "", true, false},
};

TEST_F(HandlersStartup, showsTheDesignWithOnlyTheOpenCommandUsable) {
    for (const Expected& e : startState) {
        SCOPED_TRACE(controlName(e.ctl));
        EXPECT_EQ(w.text(e.ctl), e.text);
        EXPECT_EQ(w.enabled(e.ctl), e.enabled);
        EXPECT_EQ(w.visible(e.ctl), e.visible);
    }
    EXPECT_EQ(w.title(), "VELTA 3.04");
    EXPECT_TRUE(w.checked(Ctl::frame_m));
    EXPECT_EQ(w.control(Ctl::domanda1).toolTip, "seguire le istruzioni");
    EXPECT_EQ(w.control(Ctl::Text3).toolTip, "è possibile variare la grandeza dell'immagine raddrizzata");
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2})
        EXPECT_FALSE(w.scroll(id).visible);

    // The screen is measured once; the input state starts clean.
    EXPECT_EQ(app.s.screenWidthPx, w.viewportW);
    EXPECT_EQ(app.s.screenHeightPx, w.viewportH);
    EXPECT_EQ(app.s.bandFresh, 1);
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_EQ(app.s.pixelStep, 1.0);
    EXPECT_EQ(app.s.frameHidden, 0);
    EXPECT_TRUE(w.messages.empty());
}

TEST_F(HandlersStartup, panelToggleHidesThenShowsTheCommandPanel) {
    frameToggle(app);
    EXPECT_FALSE(w.visible(Ctl::Frame1));
    EXPECT_FALSE(w.checked(Ctl::frame_m));
    EXPECT_EQ(app.s.frameHidden, 1);

    frameToggle(app);
    EXPECT_TRUE(w.visible(Ctl::Frame1));
    EXPECT_TRUE(w.checked(Ctl::frame_m));
    EXPECT_EQ(app.s.frameHidden, 0);
}

TEST_F(HandlersStartup, parametriStaysDisabledInEveryPhase) {
    auto check = [&](const char* phase) { EXPECT_FALSE(w.enabled(Ctl::parametri)) << phase; };
    check("start-up");
    openFacadeWithLines();
    check("lines and orientation");
    markArea(300, 200, 400, 300);
    check("area");
    CENTRO_Click(app);
    click(470, 330);
    check("new centre");
    VALORIDEFAULT(app);
    check("defaults");
    markArea(300, 200, 360, 260);
    RADDR1(app);
    check("rectified");
    ALTRA1(app);
    check("back to the source");
    CANC2(app);
    check("cancel");
    frameToggle(app);
    frameToggle(app);
    check("panel toggle");
}

constexpr const char* unsavedText = "L'immagine raddrizzata non è stata salvata.\nSalvarla prima di continuare?";

TEST_F(HandlersStartup, exitAsksBeforeAnUnsavedRectifiedImageIsLost) {
    openFacadeWithLines();
    markArea(300, 200, 360, 260);
    RADDR1(app);
    ASSERT_TRUE(w.pic2.visible());

    // Annulla, or Salva with the save dialog cancelled: the program stays.
    w.boxAnswers = {Answer::Cancel, Answer::Save};
    exitClick(app);
    exitClick(app);
    EXPECT_FALSE(w.quitCalled);
    ASSERT_EQ(w.messages.size(), 2u);
    EXPECT_EQ(w.messages[0].title, "IMMAGINE NON SALVATA");
    EXPECT_EQ(w.messages[0].text, unsavedText);
    EXPECT_EQ(w.messages[0].buttons, Buttons::SaveDiscardCancel);
    EXPECT_EQ(w.saveDirs.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(app.workingFile()));

    // Salva with a name: saved, then the program ends.
    const std::string kept = (dir / "kept.bmp").string();
    w.boxAnswers = {Answer::Save};
    w.saveAnswers = {kept};
    exitClick(app);
    EXPECT_TRUE(w.quitCalled);
    EXPECT_TRUE(std::filesystem::exists(kept));

    // Once saved, nothing is asked.
    w.quitCalled = false;
    exitClick(app);
    EXPECT_TRUE(w.quitCalled);
    EXPECT_EQ(w.messages.size(), 3u);
}

TEST_F(HandlersStartup, exitWithoutSavingEndsAtOnce) {
    openFacadeWithLines();
    markArea(300, 200, 360, 260);
    RADDR1(app);
    w.boxAnswers = {Answer::Discard};
    exitClick(app);
    EXPECT_TRUE(w.quitCalled);
    EXPECT_TRUE(w.saveDirs.empty());
}

TEST_F(HandlersStartup, exitDuringARectificationStopsItThenAsks) {
    openFacadeWithLines();
    markArea(300, 200, 360, 260);
    w.onProcessEvents = [&] {
        exitClick(app);
        EXPECT_FALSE(w.quitCalled);   // not from under the running loop
    };
    // Annulla: the stopped image is shown as after any stop, and still unsaved.
    w.boxAnswers = {Answer::Cancel};
    RADDR1(app);
    EXPECT_FALSE(w.quitCalled);
    EXPECT_EQ(w.eventsProcessed, 1);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].title, "IMMAGINE NON SALVATA");
    EXPECT_TRUE(w.pic2.visible());
    EXPECT_TRUE(app.s.workingFileFresh);

    // Non salvare: the program ends once the loop has stopped.
    ALTRA1(app);
    w.boxAnswers = {Answer::Discard, Answer::Discard};
    RADDR1(app);   // the first question is the new rectification's, the second the exit's
    EXPECT_TRUE(w.quitCalled);
    EXPECT_EQ(w.messages.size(), 3u);
}

TEST_F(HandlersStartup, linesOnTheEmptySurfaceLeaveNothingToRectify) {
    markLine(100, 100, 500, 140);
    markLine(100, 400, 500, 360);
    markLine(100, 400, 130, 100);
    markLine(540, 400, 500, 100);
    EXPECT_EQ(app.s.lineCount, 4);
    EXPECT_FALSE(app.s.constructionValid);   // no image: the frame cannot be made
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c)) << controlName(c);
    RADDR1(app);
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_EQ(app.s.raddrCount, 0);
}

TEST_F(HandlersStartup, defaultsBeforeAnImageDegenerateToTheOrigin) {
    VALORIDEFAULT(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].text, "VALORI DI DEFAULT");
    EXPECT_EQ(w.messages[0].icon, Icon::None);
    EXPECT_EQ(w.messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(w.text(Ctl::domanda1), "valori di DEFAULT ");

    const State& s = app.s;
    EXPECT_EQ(s.areaCorners[1][1], 1);
    EXPECT_EQ(s.areaCorners[1][2], 1);
    EXPECT_EQ(s.areaCorners[2][1], 1);
    EXPECT_EQ(s.areaCorners[2][2], -1);
    EXPECT_EQ(s.areaCorners[3][1], -1);
    EXPECT_EQ(s.areaCorners[3][2], -1);
    EXPECT_EQ(s.areaCorners[4][1], -1);
    EXPECT_EQ(s.areaCorners[4][2], 1);
    EXPECT_EQ(s.centreX, 0);
    EXPECT_EQ(s.centreY, 0);
    // No vanishing points yet: the bottom-right branch, with W = H = 0.
    EXPECT_EQ(s.frame.refCornerX, -1);
    EXPECT_EQ(s.frame.refCornerY, -1);
    EXPECT_EQ(s.frame.oppCornerX, 1);
    EXPECT_EQ(s.frame.oppCornerY, 1);
    EXPECT_EQ(w.pic1.refreshCount, 1);
    EXPECT_MARKS(w.pic1.ops, circle(0, 0, 2), segment(0, -20, 0, 20), segment(-20, 0, 20, 0));
}

TEST_F(HandlersStartup, defaultsResetAreaAndCentreAndRedrawTheCentreMark) {
    openImage(makeBitmap(640, 480));
    markArea(100, 100, 200, 150);
    app.s.centreX = 50;
    app.s.centreY = 60;
    const int refreshes = w.pic1.refreshCount;

    VALORIDEFAULT(app);
    const State& s = app.s;
    EXPECT_EQ(s.areaStarts, 0);
    const double corners[5][2] = {{0, 0}, {1, 1}, {1, 479}, {639, 479}, {639, 1}};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(s.areaCorners[i][1], corners[i][0]) << "corner " << i;
        EXPECT_EQ(s.areaCorners[i][2], corners[i][1]) << "corner " << i;
    }
    EXPECT_EQ(s.centreX, 320);
    EXPECT_EQ(s.centreY, 240);
    EXPECT_EQ(s.frame.refCornerX, 639);
    EXPECT_EQ(s.frame.refCornerY, 479);
    EXPECT_EQ(s.frame.oppCornerX, 1);
    EXPECT_EQ(s.frame.oppCornerY, 1);

    // The picture is repainted and carries only the red centre cross.
    EXPECT_EQ(w.pic1.refreshCount, refreshes + 1);
    EXPECT_MARKS(w.pic1.ops, circle(320, 240, 2), segment(320, 220, 320, 260), segment(300, 240, 340, 240));
    EXPECT_EQ(w.text(Ctl::domanda1), "valori di DEFAULT ");
}

TEST_F(HandlersStartup, defaultsChooseTheReferenceCornerByTheVanishingPoints) {
    openImage(makeBitmap(640, 480));
    struct Case {
        double fuox, fuoy, fuvx, fuvy;
        double refX, refY, oppX, oppY;
    };
    const Case cases[] = {
        {3000, 100, 300, 5000, 1, 1, 639, 479},       // V below H, H right of V
        {-3000, 100, 300, 5000, 639, 1, 1, 479},      // V below H, H left of V
        {3000, 100, 300, -5000, 1, 479, 639, 1},      // V above H, H right of V
        {-3000, 100, 300, -5000, 639, 479, 1, 1},     // V above H, H left of V
        {3000, 100, 300, 100, 1, 479, 639, 1},        // equal heights take the second branch
        {300, 100, 300, 5000, 639, 1, 1, 479},        // equal x take the second pair
    };
    for (const Case& c : cases) {
        app.s.fuox = c.fuox, app.s.fuoy = c.fuoy, app.s.fuvx = c.fuvx, app.s.fuvy = c.fuvy;
        VALORIDEFAULT(app);
        SCOPED_TRACE(::testing::Message() << "H " << c.fuox << "," << c.fuoy << " V " << c.fuvx << "," << c.fuvy);
        EXPECT_EQ(app.s.frame.refCornerX, c.refX);
        EXPECT_EQ(app.s.frame.refCornerY, c.refY);
        EXPECT_EQ(app.s.frame.oppCornerX, c.oppX);
        EXPECT_EQ(app.s.frame.oppCornerY, c.oppY);
    }
}

TEST_F(HandlersStartup, defaultsRecomputeTheVanishingPointsOnlyWithFourLines) {
    openImage(makeBitmap(640, 480));
    markLine(100, 100, 500, 140);
    markLine(100, 400, 500, 360);
    markLine(100, 400, 130, 100);
    const std::string angle3 = w.text(text6(3));
    VALORIDEFAULT(app);
    EXPECT_EQ(app.s.fuox, 0);
    EXPECT_EQ(w.text(text6(3)), angle3);
    EXPECT_TRUE(w.text(Ctl::tfuox).find(" x") == std::string::npos);

    // The fourth line gives a construction; a moved centre and an area go back to the defaults,
    // and the construction is rebuilt for the whole image.
    markLine(540, 400, 500, 100);
    const double rectWidth = app.s.frame.rectWidth;
    const std::string dis = w.text(text6(4));
    markArea(300, 200, 360, 260);
    CENTRO_Click(app);
    click(330, 250);
    ASSERT_NE(app.s.frame.rectWidth, rectWidth);

    VALORIDEFAULT(app);
    EXPECT_EQ(app.s.centreX, 320);
    EXPECT_EQ(app.s.frame.rectWidth, rectWidth);
    EXPECT_EQ(w.text(text6(4)), dis);
    EXPECT_EQ(w.text(text6(1)).rfind("pox", 0), 0u);   // whole-image parameters shown again
    EXPECT_EQ(w.text(Ctl::domanda1), "valori di DEFAULT ");
    EXPECT_TRUE(app.s.constructionValid);
}

TEST_F(HandlersStartup, windowClickRedrawsAreaAndCentreButNotTheLines) {
    openImage(makeBitmap(640, 480));
    markLine(100, 100, 500, 140);
    markLine(100, 400, 500, 360);
    const int refreshes = w.pic1.refreshCount;

    formClick(app);
    EXPECT_EQ(w.pic1.refreshCount, refreshes + 1);
    EXPECT_MARKS(w.pic1.ops, rectangle(1, 1, 639, 479), circle(320, 240, 2), segment(320, 220, 320, 260),
                 segment(300, 240, 340, 240));
    EXPECT_EQ(app.s.lineEnds[2][3], 500);   // the lines stay stored
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 1° retta vertic.");

    // The prompt follows the count; outside 0..3 it stays " REFRESH ".
    const char* prompts[] = {"Definire la 1°retta orizz.", "Definire la 2°retta orizz.",
                             "Definire la 1° retta vertic.", "Definire la 2° retta vertic."};
    for (std::int16_t n = 0; n <= 3; ++n) {
        app.s.lineCount = n;
        formClick(app);
        EXPECT_EQ(w.text(Ctl::domanda1), prompts[n]);
    }
    for (std::int16_t n : {std::int16_t{4}, std::int16_t{-1}}) {
        app.s.lineCount = n;
        formClick(app);
        EXPECT_EQ(w.text(Ctl::domanda1), " REFRESH ");
    }
}

}  // namespace
}  // namespace velta

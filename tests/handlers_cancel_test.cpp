// Cancel and new rectification through the recording window: what cancel takes back in each
// situation, the stop of a running rectification, and the return to the source image.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "rectify/reference.h"
#include "testutils.h"

using namespace velta;
using velta::testing::inputOf;
using velta::testing::readFile;
using velta::testing::HandlerTest;

namespace {

class HandlersCancel : public HandlerTest {
protected:
    struct Snapshot {
        double lineEnds[6][6];
        double fuox, fuoy, fuvx, fuvy, centreX, centreY;
        double area[5][2];
    };

    Snapshot snapshot() const {
        Snapshot t{};
        for (int n = 0; n < 6; ++n)
            for (int c = 0; c < 6; ++c) t.lineEnds[n][c] = app.s.lineEnds[n][c];
        t.fuox = app.s.fuox, t.fuoy = app.s.fuoy, t.fuvx = app.s.fuvx, t.fuvy = app.s.fuvy;
        t.centreX = app.s.centreX, t.centreY = app.s.centreY;
        for (int i = 1; i <= 4; ++i) t.area[i][0] = app.s.areaCorners[i][1], t.area[i][1] = app.s.areaCorners[i][2];
        return t;
    }

    void expectUnchanged(const Snapshot& t) const {
        for (int n = 1; n <= 4; ++n)
            for (int c = 1; c <= 4; ++c) EXPECT_EQ(app.s.lineEnds[n][c], t.lineEnds[n][c]) << "line " << n;
        EXPECT_EQ(app.s.fuox, t.fuox);
        EXPECT_EQ(app.s.fuoy, t.fuoy);
        EXPECT_EQ(app.s.fuvx, t.fuvx);
        EXPECT_EQ(app.s.fuvy, t.fuvy);
        EXPECT_EQ(app.s.centreX, t.centreX);
        EXPECT_EQ(app.s.centreY, t.centreY);
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(app.s.areaCorners[i][1], t.area[i][0]) << "corner " << i;
            EXPECT_EQ(app.s.areaCorners[i][2], t.area[i][1]) << "corner " << i;
        }
    }

    void expectBoxesEmpty() const {
        for (Ctl c : {Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy}) EXPECT_EQ(w.text(c), "") << controlName(c);
    }
};

TEST_F(HandlersCancel, takesBackTheLinesOneByOneNamingEach) {
    openFacadeWithLines();
    ASSERT_EQ(app.s.lineCount, 4);
    const Snapshot before = snapshot();
    const std::string angle1 = w.text(text6(1)), angle3 = w.text(text6(3));
    const int refreshes = w.pic1.refreshCount;

    CANC2(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2° retta vertic.");
    EXPECT_EQ(app.s.lineCount, 3);
    EXPECT_EQ(w.text(text6(4)), "");
    EXPECT_EQ(w.text(text6(1)), angle1);
    EXPECT_EQ(w.text(text6(3)), angle3);
    EXPECT_EQ(w.pic1.refreshCount, refreshes + 1);
    EXPECT_TRUE(w.pic1.ops.empty());
    expectBoxesEmpty();
    EXPECT_EQ(app.s.inputMode, 0);
    EXPECT_FALSE(w.enabled(Ctl::raddrizza1));
    EXPECT_TRUE(w.enabled(Ctl::edit));
    EXPECT_FALSE(w.enabled(Ctl::save));
    EXPECT_TRUE(w.enabled(Ctl::print1));
    // The row of the line taken back keeps its values until the line is marked again.
    expectUnchanged(before);

    CANC2(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 1° retta vertic.");
    EXPECT_EQ(w.text(text6(3)), "");
    CANC2(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2° retta orizz.");
    EXPECT_EQ(w.text(text6(2)), "");
    CANC2(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 1°retta orizz.");
    EXPECT_EQ(w.text(text6(1)), "");
    EXPECT_EQ(app.s.lineCount, 0);
    // With no line left the prompt stays.
    CANC2(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 1°retta orizz.");
    EXPECT_EQ(app.s.lineCount, -1);
}

TEST_F(HandlersCancel, aLineTakenBackIsMarkedAgainAndTheConstructionFollows) {
    openFacadeWithLines();
    const double fuvx = app.s.fuvx;
    CANC2(app);
    ASSERT_EQ(app.s.lineCount, 3);
    // The fourth line again, a little further right: the vanishing point moves.
    const auto f = [](double v) { return static_cast<float>(v); };
    markLine(f(app.s.lineEnds[4][1] + 5), f(app.s.lineEnds[4][2]), f(app.s.lineEnds[4][3] + 5), f(app.s.lineEnds[4][4]));
    EXPECT_EQ(app.s.lineCount, 4);
    EXPECT_TRUE(app.s.constructionValid);
    EXPECT_NE(app.s.fuvx, fuvx);
    EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
}

TEST_F(HandlersCancel, twiceWithNoLinesCountsBelowZeroAndTheNextClickStillStartsLineOne) {
    openImage(makeBitmap(200, 150));
    const std::string prompt = w.text(Ctl::domanda1);
    CANC2(app);
    CANC2(app);
    EXPECT_EQ(app.s.lineCount, -2);
    EXPECT_EQ(w.text(Ctl::domanda1), prompt);
    EXPECT_TRUE(w.pic1.ops.empty());
    expectBoxesEmpty();

    click(20, 30);
    EXPECT_EQ(app.s.lineCount, 0);
    EXPECT_EQ(app.s.pointPending, 1);
    click(180, 40);
    EXPECT_EQ(app.s.lineCount, 1);
    EXPECT_EQ(app.s.lineEnds[1][1], 20);
    EXPECT_EQ(app.s.lineEnds[1][2], 30);
    EXPECT_EQ(app.s.lineEnds[1][3], 180);
    EXPECT_EQ(app.s.lineEnds[1][4], 40);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2°retta orizz.");
}

TEST_F(HandlersCancel, aPendingFirstClickStaysAndCompletesTheLineTakenBack) {
    openImage(makeBitmap(200, 150));
    markLine(10, 10, 190, 20);
    markLine(10, 140, 190, 130);
    click(30, 140);   // first click of line 3
    CANC2(app);
    EXPECT_EQ(app.s.lineCount, 1);
    EXPECT_EQ(w.text(text6(2)), "");
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2° retta orizz.");
    EXPECT_EQ(app.s.pointPending, 1);
    click(40, 12);
    EXPECT_EQ(app.s.lineCount, 2);
    EXPECT_EQ(app.s.lineEnds[2][1], 30);
    EXPECT_EQ(app.s.lineEnds[2][2], 140);
    EXPECT_EQ(app.s.lineEnds[2][3], 40);
    EXPECT_EQ(app.s.lineEnds[2][4], 12);
}

TEST_F(HandlersCancel, inAreaOrCentreModeBeforeRectifyingTakesBackALineNotTheArea) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    ASSERT_EQ(app.s.inputMode, 1);
    const Snapshot withArea = snapshot();
    CANC2(app);
    EXPECT_EQ(app.s.inputMode, 0);
    EXPECT_EQ(app.s.lineCount, 3);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2° retta vertic.");
    EXPECT_EQ(w.text(text6(4)), "");
    expectUnchanged(withArea);

    app.s.inputMode = 2;   // centre pick asked for
    CANC2(app);
    EXPECT_EQ(app.s.inputMode, 0);
    EXPECT_EQ(app.s.lineCount, 2);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 1° retta vertic.");
    expectUnchanged(withArea);
}

TEST_F(HandlersCancel, afterAParallelPairTakesBackTheFourthLineReadyToBeMarkedAgain) {
    openFacadeWithLines();
    const double x1 = app.s.lineEnds[3][1], y1 = app.s.lineEnds[3][2], x2 = app.s.lineEnds[3][3],
                 y2 = app.s.lineEnds[3][4];
    const double right[4] = {app.s.lineEnds[4][1], app.s.lineEnds[4][2], app.s.lineEnds[4][3], app.s.lineEnds[4][4]};
    CANC2(app);
    // The fourth line parallel to the third: the vertical pair does not meet.
    markLine(static_cast<float>(x1 + 400), static_cast<float>(y1), static_cast<float>(x2 + 400), static_cast<float>(y2));
    ASSERT_EQ(w.messages.size(), 1u);
    ASSERT_EQ(w.messages[0].text, "Fuga verticale o orizzontale all'infinito !!");
    ASSERT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");

    CANC2(app);
    EXPECT_EQ(app.s.lineCount, 3);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire la 2° retta vertic.");
    EXPECT_EQ(w.text(text6(4)), "");
    markLine(static_cast<float>(right[0]), static_cast<float>(right[1]), static_cast<float>(right[2]),
             static_cast<float>(right[3]));
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_TRUE(app.s.constructionValid);
    EXPECT_TRUE(w.enabled(Ctl::CENTRO));
}

TEST_F(HandlersCancel, duringARunningRectificationStopsItAndTheFileIsStillComplete) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    int events = 0;
    w.onProcessEvents = [&] {
        if (++events > 1) return;
        CANC2(app);
        EXPECT_EQ(app.s.stopRequest, 1);
        EXPECT_EQ(app.s.inputMode, 1);
        EXPECT_EQ(app.s.lineCount, 4);
        // The computation ends by itself and shows its result.
        EXPECT_EQ(w.text(Ctl::domanda1), "Ho finito.");
    };
    RADDR1(app);
    // Events before the first row, and none after the stop.
    EXPECT_EQ(events, 1);

    // The row whose events ran is computed; every later one is a zero row.
    const int width = static_cast<int>(app.s.frame.rectWidth), height = static_cast<int>(app.s.frame.rectHeight);
    const std::size_t stride = static_cast<std::size_t>(width + (4 - width % 4) % 4);
    const std::vector<std::uint8_t> file = readFile(app.workingFile());
    ASSERT_EQ(file.size(), 1078 + static_cast<std::size_t>(height) * stride);
    RowRecord first{};
    rectify::referenceRow(inputOf(app.s), 1, first);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(stride), file.begin() + 1078));
    EXPECT_TRUE(std::all_of(file.begin() + static_cast<std::ptrdiff_t>(1078 + stride), file.end(),
                            [](std::uint8_t b) { return b == 0; }));

    // Shown as usual.
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
    EXPECT_EQ(w.text(Ctl::cancella), "Altra ?");
    EXPECT_TRUE(w.pic2.visible());
    EXPECT_EQ(w.beeps, 1);
}

TEST_F(HandlersCancel, afterTheRectificationReturnsToAreaMarkingOnTheSourceImage) {
    // A small screen, so that the source view has scroll bars to restore.
    w.viewportW = 600;
    w.viewportH = 500;
    formLoad(app);
    rectifyFacade();
    RADDR1(app);   // "Misura": measuring has started
    ASSERT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
    const Snapshot before = snapshot();

    CANC2(app);
    EXPECT_EQ(app.s.inputMode, 1);
    EXPECT_EQ(app.s.lineCount, 4);
    EXPECT_EQ(app.s.stopRequest, 1);
    EXPECT_EQ(app.s.rectDone, 0);
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_EQ(w.text(Ctl::domanda1), "Devi definire l'area di calcolo");
    expectUnchanged(before);
    expectBoxesEmpty();

    // The source view is back, unscrolled, with its scroll bars.
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_EQ(w.pic1.left(), 0);
    EXPECT_EQ(w.pic1.top(), 0);
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_TRUE(w.visible(Ctl::Label1));
    EXPECT_EQ(w.text(Ctl::Label1), "Immagine sorgente");
    EXPECT_FALSE(w.scroll(ScrollId::VScroll2).visible);
    EXPECT_FALSE(w.scroll(ScrollId::HScroll2).visible);
    const ScrollBarState& v = w.scroll(ScrollId::VScroll1);
    const ScrollBarState& h = w.scroll(ScrollId::HScroll1);
    EXPECT_TRUE(v.visible);
    EXPECT_EQ(v.maximum, 678 - (500 - 3 * 16));
    EXPECT_EQ(v.value, 0);
    EXPECT_TRUE(h.visible);
    EXPECT_EQ(h.maximum, 958 - (600 - 16));
    EXPECT_EQ(h.value, 0);

    // The commands of the marking phase.
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
    EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
    EXPECT_EQ(w.text(Ctl::cancella), "Canc.");
    for (Ctl c : {Ctl::zoo, Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA, Ctl::Text3, Ctl::RADDRIZZA})
        EXPECT_TRUE(w.visible(c)) << controlName(c);
    EXPECT_TRUE(w.enabled(Ctl::CENTRO));
    EXPECT_TRUE(w.enabled(Ctl::raddrizza1));
    EXPECT_TRUE(w.enabled(Ctl::start));
    EXPECT_FALSE(w.enabled(Ctl::save));

    // A new area and a new rectification need no new lines; the old stop does not carry over.
    click(320, 220);
    click(400, 290);
    EXPECT_EQ(app.s.areaCorners[1][1], 320);
    EXPECT_EQ(app.s.areaCorners[3][2], 290);
    w.boxAnswers = {Answer::Discard};
    RADDR1(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(w.beeps, 2);
    const std::vector<std::uint8_t> file = readFile(app.workingFile());
    const int height = static_cast<int>(app.s.frame.rectHeight), width = static_cast<int>(app.s.frame.rectWidth);
    const std::size_t stride = static_cast<std::size_t>(width + (4 - width % 4) % 4);
    ASSERT_EQ(file.size(), 1078 + static_cast<std::size_t>(height) * stride);
    RowRecord last{};
    rectify::referenceRow(inputOf(app.s), height, last);
    EXPECT_TRUE(std::equal(last.begin(), last.begin() + static_cast<std::ptrdiff_t>(stride),
                           file.end() - static_cast<std::ptrdiff_t>(stride)));
}

TEST_F(HandlersCancel, afterTheRectificationAPendingMeasurementPointDoesNotCloseAnArea) {
    rectifyFacade();
    RADDR1(app);
    click2(10, 10);   // first point of a measurement
    ASSERT_EQ(app.s.pointPending, 1);
    CANC2(app);
    EXPECT_EQ(app.s.inputMode, 1);
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_EQ(app.s.bandFresh, 1);
    // The next click starts a new area; the second one closes it.
    click(450, 330);
    EXPECT_EQ(app.s.pointPending, 1);
    EXPECT_EQ(app.s.areaCorners[1][1], 450);
    EXPECT_EQ(app.s.areaCorners[1][2], 330);
    click(400, 300);
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_EQ(app.s.areaCorners[1][1], 400);
    EXPECT_EQ(app.s.areaCorners[3][1], 450);
    EXPECT_EQ(app.s.areaCorners[3][2], 330);
}

TEST_F(HandlersCancel, newRectificationKeepsLinesAndVanishingPoints) {
    rectifyFacade();
    const Snapshot before = snapshot();
    const std::int16_t lines = app.s.lineCount, mode = app.s.inputMode;
    const std::string prompt = w.text(Ctl::domanda1);

    ALTRA1(app);
    expectUnchanged(before);
    EXPECT_EQ(app.s.lineCount, lines);
    EXPECT_EQ(app.s.inputMode, mode);
    EXPECT_EQ(w.text(Ctl::domanda1), prompt);
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_EQ(w.text(Ctl::Label1), "Immagine sorgente");
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
    EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
    EXPECT_EQ(w.text(Ctl::cancella), "Canc.");
    EXPECT_TRUE(w.enabled(Ctl::raddrizza1));
    EXPECT_TRUE(w.enabled(Ctl::start));
    for (Ctl c : {Ctl::zoo, Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA, Ctl::Text3, Ctl::GRANDEZZA})
        EXPECT_TRUE(w.visible(c)) << controlName(c);
    EXPECT_TRUE(w.enabled(Ctl::CENTRO));
    EXPECT_FALSE(w.scroll(ScrollId::VScroll2).visible);
    EXPECT_FALSE(w.scroll(ScrollId::HScroll2).visible);

    // The same area rectified again straight away, the unsaved image given up.
    w.boxAnswers = {Answer::Discard};
    RADDR1(app);
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(app.s.raddrCount, 1);
    EXPECT_EQ(w.beeps, 2);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
}

TEST_F(HandlersCancel, aNewRectificationAsksBeforeReplacingAnUnsavedImage) {
    rectifyFacade();
    const std::vector<std::uint8_t> first = readFile(app.workingFile());
    CANC2(app);   // "Altra ?"
    ASSERT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");

    // Annulla: nothing is computed, the image stays in the working file, the source view stays.
    w.boxAnswers = {Answer::Cancel};
    markArea(310, 210, 400, 280);
    RADDR1(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].title, "IMMAGINE NON SALVATA");
    EXPECT_EQ(w.messages[0].buttons, Buttons::SaveDiscardCancel);
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_EQ(w.beeps, 1);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_EQ(readFile(app.workingFile()), first);

    // Salva: the first image goes to its file, then the new one is computed.
    const std::string kept = (dir / "first.bmp").string();
    w.boxAnswers = {Answer::Save};
    w.saveAnswers = {kept};
    RADDR1(app);
    EXPECT_EQ(readFile(kept), first);
    EXPECT_EQ(app.s.raddrCount, 1);
    EXPECT_EQ(w.beeps, 2);
    EXPECT_TRUE(app.s.workingFileFresh);

    // Opening another image keeps the unsaved one and asks nothing; Save still saves it.
    const std::vector<std::uint8_t> second = readFile(app.workingFile());
    openImage(makeBitmap(40, 30));
    EXPECT_EQ(w.messages.size(), 2u);
    w.saveAnswers = {(dir / "second.bmp").string()};
    saveClick(app);
    EXPECT_EQ(readFile(dir / "second.bmp"), second);
}

}  // namespace

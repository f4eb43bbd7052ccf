// Measuring on the rectified image through the recording window: the pair of points, the scale
// from a typed length, the reported figures, the refused inputs and the reference grid.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "measure/log.h"
#include "measure/measure.h"
#include "testutils.h"

using namespace velta;
using velta::testing::HandlerTest;

namespace {

class HandlersMeasure : public HandlerTest {
protected:
    // A rectified image on show and the measuring started by the second press.
    void startMeasuring() {
        rectifyFacade();
        RADDR1(app);
        ASSERT_EQ(w.text(Ctl::domanda1), "Definire due punti");
    }

    // One measured pair, with a movement between the two clicks.
    void pair(float x1, float y1, float x2, float y2) {
        click2(x1, y1);
        Picture2_MouseMove(app, 1, 0, x2, y2);
        click2(x2, y2);
    }

    std::vector<std::string> results() const {
        return {w.text(text6(1)), w.text(text6(2)), w.text(text6(3)), w.text(text6(4))};
    }
};

using Texts = std::vector<std::string>;

TEST_F(HandlersMeasure, theFirstPairSetsTheScaleFromTheTypedLength) {
    startMeasuring();
    w.inputAnswers.push_back("50");
    click2(10, 10);
    EXPECT_EQ(app.s.pointPending, 1);
    EXPECT_EQ(w.text(Ctl::tfuox), "x1  10");
    EXPECT_EQ(w.text(Ctl::tfuoy), "y1  10");
    EXPECT_EQ(w.text(Ctl::tfuvx), "");
    EXPECT_EQ(w.text(Ctl::tfuvy), "");
    click2(210, 10);
    EXPECT_EQ(w.inputPrompts, std::vector<std::string>{"Inserire la misura in cm."});
    EXPECT_EQ(app.s.measureEntry, "50");
    EXPECT_EQ(app.s.measureScale, 0.25);
    EXPECT_EQ(app.s.measureState, 1);
    EXPECT_EQ(results(), (Texts{"d 50", "dx 50", "dy 0", "a 0"}));
    EXPECT_EQ(w.text(Ctl::tfuvx), "x2  210");
    EXPECT_EQ(w.text(Ctl::tfuvy), "y2  10");
    EXPECT_EQ(w.text(Ctl::domanda1), "Altra misura ?");

    // Later pairs use the scale without asking.
    pair(0, 100, 100, 0);
    EXPECT_EQ(w.inputPrompts.size(), 1u);
    EXPECT_EQ(results(), (Texts{"d 35.35", "dx 25", "dy 25", "a-45"}));
    pair(40, 20, 40, 60);
    EXPECT_EQ(results(), (Texts{"d 10", "dx 0", "dy 10", "a 90"}));
    // A pair of no length now simply reports 0.
    pair(5, 5, 5, 5);
    EXPECT_EQ(results()[0], "d 0");
}

TEST_F(HandlersMeasure, theSeriesCountsToFiveAndWrapsWithoutAskingAgain) {
    startMeasuring();
    w.inputAnswers.push_back("100");
    const std::int16_t expected[] = {1, 2, 3, 4, 1, 2};
    for (const std::int16_t state : expected) {
        pair(10, 10, 110, 10);
        EXPECT_EQ(app.s.measureState, state);
        EXPECT_EQ(results()[0], "d 100");
    }
    EXPECT_EQ(w.inputPrompts.size(), 1u);

    // A new series (the command pressed again, or "Definire due punti") asks for a new length.
    RADDR1(app);
    w.inputAnswers.push_back("1,5");
    pair(10, 10, 110, 10);
    EXPECT_EQ(w.inputPrompts.size(), 2u);
    EXPECT_EQ(app.s.measureScale, 0.015);
    duepuntiClick(app);
    EXPECT_EQ(app.s.measureState, 0);
    w.inputAnswers.push_back("1.250");   // no group separators: one and a quarter
    pair(10, 10, 110, 10);
    EXPECT_EQ(w.inputPrompts.size(), 3u);
    EXPECT_EQ(app.s.measureScale, 0.0125);
    EXPECT_EQ(results()[0], "d 1.25");
}

TEST_F(HandlersMeasure, figuresAreCutToSixCharacters) {
    startMeasuring();
    w.inputAnswers.push_back("123.456789");
    pair(10, 10, 110, 10);
    EXPECT_EQ(results()[0], "d 123.4");
    EXPECT_EQ(results()[1], "dx 123.4");
    // A slanted pair: every figure of the short form loses its tail.
    pair(0, 0, 30, 40);
    EXPECT_EQ(results()[0], "d 61.72");
    EXPECT_EQ(results()[3], "a 53.13");
    // The first point is shown whole.
    click2(12.5f, 100.25f);
    EXPECT_EQ(w.text(Ctl::tfuox), "x1  12.5");
    EXPECT_EQ(w.text(Ctl::tfuoy), "y1  100.25");
}

TEST_F(HandlersMeasure, anAreaCornerLeftPendingIsNoFirstPointOfAMeasurement) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    RETTANG3(app);
    click(350, 250);   // one corner of a new area, then the rectification
    ASSERT_EQ(app.s.pointPending, 1);
    RADDR1(app);
    RADDR1(app);
    ASSERT_EQ(w.text(Ctl::domanda1), "Definire due punti");
    // No band from the stale point, and the first click is only the first point.
    const std::size_t drawn = w.pic2.ops.size();
    Picture2_MouseMove(app, 0, 0, 40, 40);
    EXPECT_EQ(w.pic2.ops.size(), drawn);
    click2(10, 10);
    EXPECT_EQ(app.s.pointPending, 1);
    EXPECT_TRUE(w.inputPrompts.empty());
    w.inputAnswers.push_back("50");
    click2(110, 10);
    EXPECT_EQ(w.inputPrompts.size(), 1u);
    EXPECT_EQ(app.s.measureScale, 0.5);
}

TEST_F(HandlersMeasure, aFigureNeverLosesIntegerDigits) {
    startMeasuring();
    w.inputAnswers.push_back("1234567,8");
    pair(10, 10, 110, 10);
    // Only decimals are cut: a long figure keeps its whole integer part.
    EXPECT_EQ(results()[0], "d 1234567");
    EXPECT_EQ(results()[1], "dx 1234567");
    pair(10, 10, 10, 11);
    EXPECT_EQ(results()[0], "d 12345");   // six characters: the point goes
    // The exponent form carries the magnitude in its tail and is shown whole.
    EXPECT_EQ(measure::figure(1.5e-7), " 1.5E-07");
    EXPECT_EQ(measure::figure(-2.5e17), "-2.5E+17");
    EXPECT_EQ(measure::figure(-123456.5), "-123456");
}

TEST_F(HandlersMeasure, aLengthThatIsNoPositiveNumberSetsNoScale) {
    startMeasuring();
    const std::optional<std::string> refused[] = {std::nullopt, "", "  ", "cinquanta", "12 cm", "0", "-5", "1.000,5"};
    std::size_t prompts = 0;
    for (const auto& typed : refused) {
        SCOPED_TRACE(typed.value_or("(cancelled)"));
        w.inputAnswers.push_back(typed);
        pair(10, 10, 110, 10);
        EXPECT_EQ(w.inputPrompts.size(), ++prompts);
        EXPECT_EQ(app.s.measureState, 0);
        EXPECT_EQ(results(), (Texts{"", "", "", ""}));
        EXPECT_EQ(w.text(Ctl::domanda1), "Definire due punti");
    }
    // No message for a cancelled or empty box; a reason for text that is not a length.
    for (const ShownMessage& m : w.messages) EXPECT_EQ(m.icon, Icon::Critical);
    EXPECT_EQ(w.messages.size(), 5u);

    // A first pair of no length asks for nothing and sets no scale either.
    pair(30, 30, 30, 30);
    EXPECT_EQ(w.inputPrompts.size(), prompts);
    EXPECT_EQ(app.s.measureState, 0);

    // The next pair asks again, and a good answer is taken.
    w.inputAnswers.push_back(" 20 ");
    pair(10, 10, 110, 10);
    EXPECT_EQ(w.inputPrompts.size(), prompts + 1);
    EXPECT_EQ(app.s.measureState, 1);
    EXPECT_EQ(app.s.measureScale, 0.2);
    EXPECT_EQ(results()[0], "d 20");
}

TEST_F(HandlersMeasure, clicksDrawTheMarksAndTheRubberBand) {
    startMeasuring();
    RecordingSurface& p = w.pic2;
    const int refreshes = p.refreshCount;
    click2(10, 20);
    EXPECT_EQ(p.refreshCount, refreshes + 1);
    ASSERT_EQ(p.ops.size(), 1u);
    EXPECT_EQ(p.ops[0].kind, DrawOp::Circle);
    EXPECT_EQ(p.ops[0].mode, DrawMode::CopyPen);
    EXPECT_EQ(p.ops[0].color, pureRed);
    EXPECT_EQ(p.ops[0].x2, 2);

    // The band follows the pointer in invert mode, each one erasing the last; the pointer shows.
    app.decimalSep = ',';
    Picture2_MouseMove(app, 0, 0, 50, 60);
    Picture2_MouseMove(app, 0, 0, 70.5f, 80);
    EXPECT_EQ(w.text(Ctl::Text1), "70,5");
    EXPECT_EQ(w.text(Ctl::Text2), "80");
    ASSERT_EQ(p.ops.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(p.ops[i].kind, DrawOp::Line);
        EXPECT_EQ(p.ops[i].mode, DrawMode::Invert);
    }
    EXPECT_EQ(p.ops[2].x2, 50);   // the first band drawn again
    EXPECT_EQ(p.ops[3].x2, 70.5);

    w.inputAnswers.push_back("10");
    click2(110, 20);
    // The repaint took the band away; both points and the segment are drawn in copy pen.
    ASSERT_EQ(p.ops.size(), 3u);
    EXPECT_EQ(p.ops[0].kind, DrawOp::Circle);
    EXPECT_EQ(p.ops[0].x1, 110);
    EXPECT_EQ(p.ops[1].kind, DrawOp::Line);
    EXPECT_EQ(p.ops[2].kind, DrawOp::Circle);
    EXPECT_EQ(p.ops[2].x1, 10);
    for (const DrawOp& op : p.ops) EXPECT_EQ(op.mode, DrawMode::CopyPen);
    EXPECT_EQ(p.drawMode(), DrawMode::Invert);

    // No band without a pending point.
    Picture2_MouseMove(app, 0, 0, 90, 90);
    EXPECT_EQ(p.ops.size(), 3u);
}

TEST_F(HandlersMeasure, beforeTheSecondPressAClickOnlyRepaints) {
    rectifyFacade();
    const std::string x = w.text(Ctl::tfuox), prompt = w.text(Ctl::domanda1);
    const int refreshes = w.pic2.refreshCount;
    click2(10, 10);
    click2(60, 10);
    EXPECT_EQ(w.pic2.refreshCount, refreshes + 2);
    EXPECT_TRUE(w.pic2.ops.empty());
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_TRUE(w.inputPrompts.empty());
    EXPECT_EQ(w.text(Ctl::tfuox), x);
    EXPECT_EQ(w.text(Ctl::domanda1), prompt);
    Picture2_MouseMove(app, 0, 0, 30, 30);
    EXPECT_TRUE(w.pic2.ops.empty());
}

TEST_F(HandlersMeasure, doubleClickDrawsTheReferenceGrid) {
    app.s.frame.rectWidth = 200;
    app.s.frame.rectHeight = 100;
    w.pic2.setDrawMode(DrawMode::Invert);
    Picture2_DblClick(app);
    struct Seg {
        double x1, y1, x2, y2;
        std::uint32_t colour;
    };
    const Seg want[] = {{1, 1, 1, 100, 0x4000},     {81, 1, 81, 100, 0x4000}, {161, 1, 161, 100, 0x4000},
                        {1, 1, 200, 1, 0x404000},   {1, 81, 200, 81, 0x404000}};
    ASSERT_EQ(w.pic2.ops.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        const DrawOp& op = w.pic2.ops[i];
        EXPECT_EQ(op.kind, DrawOp::Line) << i;
        EXPECT_EQ(op.x1, want[i].x1) << i;
        EXPECT_EQ(op.y1, want[i].y1) << i;
        EXPECT_EQ(op.x2, want[i].x2) << i;
        EXPECT_EQ(op.y2, want[i].y2) << i;
        EXPECT_EQ(op.color.value, want[i].colour) << i;
        EXPECT_EQ(op.mode, DrawMode::Invert) << i;   // the picture's current mode
    }
    // The next press repaints it away.
    click2(5, 5);
    EXPECT_TRUE(w.pic2.ops.empty());
}

// ---- the measurement log ----------------------------------------------------------------------

TEST_F(HandlersMeasure, theLogKeepsEveryPairFromTheReferenceOnNumberedWithoutWrapping) {
    startMeasuring();
    EXPECT_TRUE(app.log.empty());
    w.inputAnswers.push_back("50");
    pair(10, 10, 210, 10);
    pair(0, 100, 100, 0);
    for (int k = 0; k < 5; ++k) pair(40, 20, 40, 60);
    EXPECT_EQ(app.s.measureState, 3);   // the series' counter wrapped; the log did not
    ASSERT_EQ(app.log.rows.size(), 7u);
    EXPECT_EQ(app.log.scale, 0.25);
    EXPECT_TRUE(app.log.rows[0].reference);
    EXPECT_FALSE(app.log.rows[1].reference);
    EXPECT_EQ(measure::rowCells(app.log, 0, ','),
              (Texts{"1", "10", "10", "210", "10", "50,00", "50,00", "0,00", "0,00", "riferimento", "", "", ""}));
    EXPECT_EQ(measure::rowCells(app.log, 1, ',')[5], "35,36");
    EXPECT_EQ(measure::rowCells(app.log, 1, ',')[8], "-45,00");
    // (The last cell, the pair's error bar, is left to the bars' own tests.)
    const Texts last = measure::rowCells(app.log, 6, ',');
    EXPECT_EQ(Texts(last.begin(), last.end() - 1),
              (Texts{"7", "40", "20", "40", "60", "10,00", "0,00", "10,00", "90,00", "", "", ""}));

    // A check typed for a pair shows its difference and the foot.
    setKnownLength(app, 1, "35");
    setKnownLength(app, 6, "10,5");
    EXPECT_EQ(measure::footText(app.log, ','), "Errore medio: 0,43 cm   Errore massimo: 0,50 cm");
}

TEST_F(HandlersMeasure, onlyANewScaleStartsANewLog) {
    startMeasuring();
    w.inputAnswers.push_back("50");
    pair(10, 10, 210, 10);
    pair(0, 100, 100, 0);
    ASSERT_EQ(app.log.rows.size(), 2u);

    // A new series whose length box is cancelled, left empty or refused keeps the log.
    RADDR1(app);
    for (const std::optional<std::string>& typed : {std::optional<std::string>{}, std::optional<std::string>{""},
                                                  std::optional<std::string>{"dieci"}}) {
        w.inputAnswers.push_back(typed);
        pair(10, 10, 110, 10);
        EXPECT_EQ(app.log.rows.size(), 2u);
        EXPECT_EQ(app.log.scale, 0.25);
    }
    // A length typed for the series' first pair starts a new log from that pair.
    duepuntiClick(app);
    w.inputAnswers.push_back("20");
    pair(10, 10, 110, 10);
    ASSERT_EQ(app.log.rows.size(), 1u);
    EXPECT_TRUE(app.log.rows[0].reference);
    EXPECT_EQ(app.log.scale, 0.2);
    EXPECT_EQ(app.log.rows[0].d, 20);
}

TEST_F(HandlersMeasure, aNewRectificationOrANewImageClearsTheLog) {
    startMeasuring();
    w.inputAnswers.push_back("50");
    pair(10, 10, 210, 10);
    ASSERT_FALSE(app.log.empty());

    // Back to the source and rectify again, but the unsaved image is kept: nothing is computed.
    ALTRA1(app);
    RADDR1(app);
    ASSERT_EQ(app.s.raddrCount, 0);
    EXPECT_EQ(app.log.rows.size(), 1u);
    EXPECT_EQ(app.log.scale, 0.25);

    w.boxAnswers = {Answer::Discard};
    RADDR1(app);
    ASSERT_EQ(app.s.raddrCount, 1);
    EXPECT_TRUE(app.log.empty());
    EXPECT_EQ(app.log.scale, 0);

    RADDR1(app);
    w.inputAnswers.push_back("50");
    pair(10, 10, 210, 10);
    ASSERT_FALSE(app.log.empty());
    w.boxAnswers = {Answer::Discard};
    openImage(makeBitmap(64, 48));
    ASSERT_EQ(app.s.image.fileWidth, 64);
    EXPECT_TRUE(app.log.empty());
    EXPECT_EQ(app.log.scale, 0);
}

// The log window's commands over a window that records its services.
class LogWindow : public RecordingWindow {
public:
    void logChanged() override { ++changes; }
    void setClipboardText(const std::string& text) override { clipboard.push_back(text); }
    std::string csvFileDialog(const std::string& dir) override {
        csvDirs.push_back(dir);
        if (csvAnswers.empty()) return {};
        std::string a = csvAnswers.front();
        csvAnswers.pop_front();
        return a;
    }
    int changes = 0;
    std::vector<std::string> clipboard, csvDirs;
    std::deque<std::string> csvAnswers;
};

class LogCommands : public ::testing::Test {
protected:
    LogCommands() {
        app.decimalSep = ',';
        app.log.scale = 0.25;
        app.log.rows.push_back({.x1 = 10, .y1 = 10, .x2 = 210, .y2 = 10, .d = 50, .dx = 50, .dy = 0, .angle = 0,
                                .reference = true, .known = {}, .errorBar = {}});
        app.log.rows.push_back({.x1 = 40, .y1 = 20, .x2 = 40, .y2 = 60, .d = 10, .dx = 0, .dy = 10, .angle = 90,
                                .reference = false, .known = {}, .errorBar = {}});
    }
    std::string file(const std::string& name) const { return scratch.file(name); }
    std::string contents(const std::string& path) const {
        const std::vector<std::uint8_t> b = velta::testing::readFile(path);
        return {b.begin(), b.end()};
    }

    velta::testing::TempDir scratch;
    LogWindow w;
    App app{w, scratch.path().string()};
};

TEST_F(LogCommands, aKnownLengthIsTakenRemovedOrRefused) {
    // The reference pair and rows beyond the log take nothing.
    setKnownLength(app, 0, "50");
    setKnownLength(app, 2, "50");
    EXPECT_FALSE(app.log.rows[0].known);
    EXPECT_EQ(w.changes, 0);

    setKnownLength(app, 1, " 10,5 ");
    ASSERT_TRUE(app.log.rows[1].known);
    EXPECT_EQ(*app.log.rows[1].known, 10.5);
    EXPECT_EQ(w.changes, 1);

    // Refused: a message, the check kept, the table shown again.
    for (const std::string& bad : std::vector<std::string>{"dieci", "0", "-3", "12 cm", "1.000,5"}) {
        SCOPED_TRACE(bad);
        w.messages.clear();
        const int changes = w.changes;
        setKnownLength(app, 1, bad);
        ASSERT_EQ(w.messages.size(), 1u);
        EXPECT_EQ(w.messages[0].text, "\"" + bad + "\" non è una misura valida: inserire una lunghezza positiva in "
                                                   "centimetri, per esempio 125,5.");
        EXPECT_EQ(w.messages[0].title, "MISURE");
        EXPECT_EQ(w.messages[0].icon, Icon::Critical);
        EXPECT_EQ(app.log.rows[1].known, 10.5);
        EXPECT_EQ(w.changes, changes + 1);
    }

    // A blank text takes the check away, without a message.
    w.messages.clear();
    setKnownLength(app, 1, "  ");
    EXPECT_FALSE(app.log.rows[1].known);
    EXPECT_TRUE(w.messages.empty());
}

TEST_F(LogCommands, copyPutsTheTableOnTheClipboard) {
    copyLog(app);
    ASSERT_EQ(w.clipboard.size(), 1u);
    EXPECT_EQ(w.clipboard[0], measure::tableText(app.log, ','));
    EXPECT_NE(w.clipboard[0].find("50,00\t"), std::string::npos);
    app.log = {};
    copyLog(app);
    EXPECT_EQ(w.clipboard.size(), 1u);
}

TEST_F(LogCommands, exportWritesTheCsvFile) {
    // Nothing measured: said, and no dialog.
    measure::Log kept = app.log;
    app.log = {};
    exportLogCsv(app);
    EXPECT_TRUE(w.csvDirs.empty());
    ASSERT_EQ(w.messages.size(), 1u);
    app.log = kept;

    // Cancelled: nothing written.
    exportLogCsv(app);
    EXPECT_EQ(w.csvDirs, std::vector<std::string>{scratch.path().string()});
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));

    // The extension is added; the Italian locale gets semicolons between fields.
    w.messages.clear();
    w.csvAnswers = {file("misure")};
    exportLogCsv(app);
    EXPECT_EQ(contents(file("misure.csv")), measure::csvText(app.log, ';', ','));
    EXPECT_EQ(contents(file("misure.csv")).substr(0, 5), "\xEF\xBB\xBFN.");
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Information);

    // A name ending in .CSV keeps it; a point locale gets commas.
    app.decimalSep = '.';
    w.csvAnswers = {file("tabella.CSV")};
    exportLogCsv(app);
    EXPECT_EQ(contents(file("tabella.CSV")), measure::csvText(app.log, ',', '.'));

    // An existing file is replaced only when the user says so.
    w.messages.clear();
    w.csvAnswers = {file("misure.csv")};
    exportLogCsv(app);   // no answer: as No
    ASSERT_FALSE(w.messages.empty());
    EXPECT_EQ(w.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(contents(file("misure.csv")), measure::csvText(app.log, ';', ','));
    w.csvAnswers = {file("misure.csv")};
    w.boxAnswers = {Answer::Yes};
    exportLogCsv(app);
    EXPECT_EQ(contents(file("misure.csv")), measure::csvText(app.log, ',', '.'));

    // A folder that does not exist: the reason, and no file.
    w.messages.clear();
    w.csvAnswers = {file("manca/misure.csv")};
    exportLogCsv(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_EQ(w.messages[0].text.rfind("Impossibile esportare le misure in \"" + file("manca/misure.csv") + "\".\n", 0),
              0u);
    EXPECT_FALSE(std::filesystem::exists(file("manca")));
}

}  // namespace

// The vanishing points (FUGHE), the orientation construction as CERCHIONUOVO draws and shows
// it, the refusal of degenerate constructions, and the centre pick.
#include <cmath>
#include <string>
#include <vector>

#include "testutils.h"
#include "text/numtext.h"
#include "ui/raster.h"

namespace velta {
namespace {

const Color blue{0xFF0000};
const Color lightRed = paletteColor(12);
const Color cyan = paletteColor(3);
const Color lightCyan = paletteColor(11);

using testing::circle;
using testing::segment;

// `name`, a blank or a minus, at least one digit, then `tail`: how whole numbers are shown.
bool isNameAndWhole(const std::string& t, const std::string& name, const std::string& tail) {
    if (t.size() < name.size() + tail.size() + 2 || t.compare(0, name.size(), name) != 0 ||
        t.compare(t.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::string number = t.substr(name.size(), t.size() - name.size() - tail.size());
    return (number[0] == ' ' || number[0] == '-') &&
           number.find_first_not_of("0123456789", 1) == std::string::npos;
}

struct Line {
    float x1, y1, x2, y2;
};

class HandlersOrientation : public testing::HandlerTest {
protected:
    void openPlain() { openImage(makeBitmap(640, 480)); }

    void mark(const Line (&lines)[4]) {
        for (const Line& l : lines) markLine(l.x1, l.y1, l.x2, l.y2);
    }

    std::vector<DrawOp> opsSince(std::size_t from) const {
        return {w.pic1.ops.begin() + static_cast<std::ptrdiff_t>(from), w.pic1.ops.end()};
    }

    static bool anyInColour(const std::vector<DrawOp>& ops, Color c) {
        for (const DrawOp& op : ops)
            if (op.color == c) return true;
        return false;
    }

    // The commands that need a construction standing.
    void expectConstructionCommands(bool on) {
        for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) {
            EXPECT_EQ(w.enabled(c), on) << controlName(c);
        }
    }
};

// Converging pairs on a 640 x 480 picture: H far to the right, V above the picture.
const Line converging[4] = {{100, 100, 500, 140}, {100, 400, 500, 360}, {100, 400, 130, 100}, {540, 400, 500, 100}};

TEST_F(HandlersOrientation, parallelPairsCannotBeRectified) {
    struct Case {
        const char* name;
        Line lines[4];
    };
    const Case cases[] = {
        {"two horizontal lines", {{100, 100, 500, 100}, {100, 300, 500, 300}, {100, 400, 130, 100}, {540, 400, 500, 100}}},
        {"two vertical lines", {{100, 100, 500, 140}, {100, 400, 500, 360}, {100, 400, 100, 100}, {540, 400, 540, 100}}},
        {"two zero-length lines", {{100, 100, 500, 140}, {100, 400, 500, 360}, {200, 200, 200, 200}, {400, 300, 400, 300}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.messages.clear();
        openPlain();
        mark(c.lines);
        ASSERT_EQ(w.messages.size(), 1u);
        EXPECT_EQ(w.messages[0].text, "Fuga verticale o orizzontale all'infinito !!");
        EXPECT_EQ(w.messages[0].title, "NON E' POSSIBILE RADDRIZZARE");
        EXPECT_EQ(w.messages[0].icon, Icon::Critical);
        EXPECT_EQ(w.messages[0].buttons, Buttons::Ok);
        EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
        EXPECT_FALSE(w.enabled(Ctl::CENTRO));
        // No construction: nothing drawn in its colours, no sizes, no vanishing points.
        EXPECT_FALSE(anyInColour(w.pic1.ops, blue));
        EXPECT_FALSE(anyInColour(w.pic1.ops, lightRed));
        EXPECT_EQ(w.text(Ctl::tfuox), text::localeNumber(c.lines[3].x1, '.'));
        EXPECT_EQ(app.s.fuox, 0);
        EXPECT_EQ(app.s.fuvy, 0);
        EXPECT_FALSE(w.enabled(Ctl::raddrizza1));
        expectConstructionCommands(false);
        // The steps before the test are made: output size controls and the button's tooltip.
        EXPECT_TRUE(w.visible(Ctl::GRANDEZZA));
        EXPECT_TRUE(w.visible(Ctl::Text3));
        EXPECT_EQ(w.text(Ctl::Text3), "1");
        EXPECT_EQ(w.control(Ctl::RADDRIZZA).toolTip, " Inizia l'operazione di raddrizzamento");
    }
    // The angles are those of the slopes used: 90 stands for a vertical line.
    EXPECT_EQ(w.text(text6(3)), "89.3634064240366");
    EXPECT_EQ(w.text(text6(4)), "89.3634064240366");
    EXPECT_EQ(app.s.lineSlopes[3], 90);
}

TEST_F(HandlersOrientation, aParallelPairAfterAConstructionLeavesNothingToRectify) {
    openPlain();
    mark(converging);
    ASSERT_TRUE(w.messages.empty());
    expectConstructionCommands(true);

    // The last line taken back and marked again parallel to the third one.
    CANC2(app);
    markLine(540, 400, 570, 100);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_FALSE(app.s.constructionValid);
    expectConstructionCommands(false);
    EXPECT_FALSE(w.enabled(Ctl::CENTRO));
    EXPECT_FALSE(w.enabled(Ctl::centro1));
    EXPECT_FALSE(w.enabled(Ctl::area));
    // The output step rebuilds nothing from the vanishing points of the lines taken back.
    GRANDEZZA_SpinUp(app);
    EXPECT_FALSE(app.s.constructionValid);
    expectConstructionCommands(false);

    // Marked again so that the pair meets, everything comes back.
    CANC2(app);
    markLine(540, 400, 500, 100);
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_TRUE(app.s.constructionValid);
    expectConstructionCommands(true);
    for (Ctl c : {Ctl::CENTRO, Ctl::centro1, Ctl::area, Ctl::RETTANG}) EXPECT_TRUE(w.enabled(c)) << controlName(c);
}

TEST_F(HandlersOrientation, anExactlyVerticalLineIsTakenWithSlope90) {
    openPlain();
    mark({{100, 100, 500, 140}, {100, 400, 500, 360}, {100, 400, 100, 100}, {540, 400, 500, 100}});
    ASSERT_TRUE(w.messages.empty());
    EXPECT_EQ(app.s.lineSlopes[3], 90);
    EXPECT_DOUBLE_EQ(app.s.fuvx, 60);     // the line of slope 90 through (100, 400)
    EXPECT_DOUBLE_EQ(app.s.fuvy, -3200);
    EXPECT_TRUE(app.s.constructionValid);

    // With an area marked the angle boxes keep what FUGHE showed when the centre is moved.
    markArea(200, 150, 300, 250);
    CENTRO_Click(app);
    click(321, 240);
    EXPECT_EQ(w.text(text6(3)), "89.3634064240366");
    EXPECT_EQ(w.text(text6(1)), "5.71059313749965");
    EXPECT_EQ(w.text(text6(4)).rfind("DIS ", 0), 0u);
}

TEST_F(HandlersOrientation, fugheTwiceGivesTheSameResultsAndDrawsTheSameConstruction) {
    openPlain();
    mark(converging);
    std::size_t from = w.pic1.ops.size();
    FUGHE(app);
    const std::vector<DrawOp> first = opsSince(from);
    const State once = app.s;
    from = w.pic1.ops.size();
    FUGHE(app);
    const std::vector<DrawOp> second = opsSince(from);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(testing::describe(second), testing::describe(first));
    const State& s = app.s;
    EXPECT_EQ(s.fuox, once.fuox);
    EXPECT_EQ(s.fuvy, once.fuvy);
    EXPECT_EQ(s.frame.pox, once.frame.pox);
    EXPECT_EQ(s.frame.pvy, once.frame.pvy);
    EXPECT_EQ(s.frame.principalDistance, once.frame.principalDistance);
    EXPECT_EQ(s.frame.rectWidth, once.frame.rectWidth);
    EXPECT_EQ(s.frame.rectHeight, once.frame.rectHeight);
    EXPECT_EQ(s.frame.rowPoints, once.frame.rowPoints);
    EXPECT_EQ(s.frame.colPoints, once.frame.colPoints);
}

TEST_F(HandlersOrientation, theSampleFacadeGivesItsCameraAndEnablesTheCommands) {
    openFacadeWithLines();
    ASSERT_TRUE(w.messages.empty());
    const State& s = app.s;
    const sample::Camera& cam = sample::facadeCamera();
    const auto h = sample::vanishingPoint(cam, 1, 0), v = sample::vanishingPoint(cam, 0, 1);
    ASSERT_TRUE(h && v);
    // The edges are clicked to the pixel, so the points come within a fraction of a percent.
    EXPECT_NEAR(s.fuox, h->x, 0.01 * std::fabs(h->x));
    EXPECT_NEAR(s.fuoy, h->y, 0.01 * std::fabs(h->x));
    EXPECT_NEAR(s.fuvx, v->x, 0.01 * std::fabs(v->y));
    EXPECT_NEAR(s.fuvy, v->y, 0.01 * std::fabs(v->y));
    EXPECT_NEAR(s.frame.principalDistance, cam.focalPx, 0.01 * cam.focalPx);

    for (Ctl c : {Ctl::raddrizza1, Ctl::edit, Ctl::area, Ctl::griglia2, Ctl::canc, Ctl::centro1, Ctl::save,
                  Ctl::print1, Ctl::start, Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA, Ctl::RADDRIZZA})
        EXPECT_TRUE(w.enabled(c)) << controlName(c);
    EXPECT_TRUE(w.visible(Ctl::edit));
    EXPECT_FALSE(w.enabled(Ctl::parametri));
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi definire la griglia ?");

    // The parameter display: whole numbers behind their names, sizes with their tooltips.
    EXPECT_TRUE(isNameAndWhole(w.text(Ctl::tfuox), "", " x")) << w.text(Ctl::tfuox);
    EXPECT_TRUE(isNameAndWhole(w.text(Ctl::tfuoy), "", " y")) << w.text(Ctl::tfuoy);
    EXPECT_EQ(w.text(Ctl::tfuox), text::wholeNumberText(s.frame.rectWidth) + " x");
    EXPECT_EQ(w.text(Ctl::tfuoy), text::wholeNumberText(s.frame.rectHeight) + " y");
    EXPECT_GT(s.frame.rectWidth, 0);
    EXPECT_EQ(w.control(Ctl::tfuox).toolTip, "Dimensione in X dell'immagine raddrizzata");
    EXPECT_EQ(w.control(Ctl::tfuoy).toolTip, "Dimensione in y dell'immagine raddrizzata");
    EXPECT_EQ(w.text(text6(4)), "DIS " + std::to_string(static_cast<int>(std::floor(s.frame.principalDistance))));
    EXPECT_EQ(w.text(text6(1)), "pox" + text::wholeNumberText(std::floor(s.frame.pox)));
    EXPECT_EQ(w.text(text6(2)), "poy" + text::wholeNumberText(std::floor(s.frame.poy)));
    EXPECT_EQ(w.text(text6(3)), "pvx" + text::wholeNumberText(std::floor(s.frame.pvx)));
    EXPECT_EQ(w.text(Ctl::tfuvx), "maxay" + text::wholeNumberText(std::floor(s.frame.maxay)));
    EXPECT_EQ(w.text(Ctl::tfuvy), "maxbx" + text::wholeNumberText(std::floor(s.frame.maxbx)));
    EXPECT_TRUE(isNameAndWhole(w.text(Ctl::tfuvx), "maxay", "")) << w.text(Ctl::tfuvx);
    EXPECT_TRUE(isNameAndWhole(w.text(text6(4)), "DIS", "")) << w.text(text6(4));
}

TEST_F(HandlersOrientation, theConstructionShowsInBlueLightRedAndCyanInCopyPenAndNothingAtTheOrigin) {
    openFacadeWithLines();
    const std::size_t from = w.pic1.ops.size();
    FUGHE(app);
    const std::vector<DrawOp> ops = opsSince(from);
    ASSERT_FALSE(ops.empty());
    // Plain painting over the picture, never inverted: it stays until a refresh.
    for (const DrawOp& op : ops) EXPECT_EQ(op.mode, DrawMode::CopyPen) << testing::describe(op);

    // Its colours show over the photograph: blue lines, light red and cyan circles.
    const raster::Picture& photograph = w.pic1.picture();
    const raster::Picture& shown = w.pic1.canvas();
    auto count = [](const raster::Picture& p, Color c) {
        int n = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) n += p.pixel(x, y) == raster::pixelOf(c);
        return n;
    };
    for (const Color c : {blue, lightRed, cyan}) EXPECT_GT(count(shown, c), count(photograph, c)) << c.value;
    EXPECT_NE(lightRed, pureRed);

    // No figure left at the picture's origin: its corner is the photograph's.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(shown.pixel(x, y), photograph.pixel(x, y)) << x << "," << y;
}

TEST_F(HandlersOrientation, farPointsAreComputedButNotDrawn) {
    // Nearly parallel verticals put V about 88000 pixels above the picture.
    openPlain();
    mark({{100, 100, 500, 120}, {100, 400, 500, 380}, {100, 400, 101, 0}, {541, 400, 540, 0}});
    ASSERT_TRUE(w.messages.empty());
    const State& s = app.s;
    ASSERT_LT(s.fuvy, -20000);
    const std::size_t from = w.pic1.ops.size();
    FUGHE(app);
    const std::vector<DrawOp> ops = opsSince(from);
    // No circle about V or the centre, no line from V: only what lies near the picture.
    ASSERT_EQ(ops.size(), 5u);
    const double qx = ops[0].x2, qy = ops[0].y2, px = ops[2].x1, py = ops[2].y1;
    EXPECT_MARKS(ops, segment(s.centreX, s.centreY, qx, qy, blue), circle(qx, qy, 2, lightRed),
                 segment(px, py, s.fuox, s.fuoy, blue), circle(s.fuox, s.fuoy, s.frame.eyeToH),
                 circle(s.frame.pvx, s.frame.pvy, 4, cyan));
    // The measuring points and the frame are there all the same.
    EXPECT_NE(s.frame.pvx, 0);
    EXPECT_NE(s.frame.pox, 0);
    EXPECT_GT(s.frame.rectWidth, 0);
    EXPECT_GT(s.frame.rectHeight, 0);
}

TEST_F(HandlersOrientation, aDegenerateConstructionIsRefusedUntilAGoodOne) {
    openPlain();
    mark({{100, 100, 500, 120}, {100, 400, 500, 380}, {100, 400, 110, 100}, {540, 400, 520, 100}});
    ASSERT_TRUE(w.messages.empty());
    const double width = app.s.frame.rectWidth, height = app.s.frame.rectHeight;
    const std::vector<MarkRow> rows = app.s.frame.rowPoints;

    // Symmetric verticals meet exactly above the default centre.
    CANC2(app);
    const std::size_t from = w.pic1.ops.size();
    markLine(540, 400, 530, 100);
    ASSERT_EQ(app.s.fuvx, 320.0);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_EQ(w.messages[0].title, "NON E' POSSIBILE RADDRIZZARE");
    EXPECT_EQ(w.messages[0].text, "La costruzione prospettica non si può eseguire con queste rette e questo centro.\n"
                                  "Spostare il centro di un pixel.");
    EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
    expectConstructionCommands(false);
    EXPECT_TRUE(w.enabled(Ctl::CENTRO));   // moving the centre is the way out
    EXPECT_FALSE(app.s.constructionValid);
    EXPECT_EQ(app.s.frame.rectWidth, width);   // the previous frame and marks stay
    EXPECT_EQ(app.s.frame.rectHeight, height);
    EXPECT_EQ(app.s.frame.rowPoints, rows);
    EXPECT_FALSE(anyInColour(opsSince(from), blue));

    // Neither the area command nor an area brings the commands back.
    RETTANG3(app);
    EXPECT_FALSE(w.enabled(Ctl::GRIGLIA));
    click(200, 150);
    PICTURE1_MouseDown(app, 1, 0, 300, 250);
    EXPECT_FALSE(w.enabled(Ctl::RADDRIZZA));
    Picture1_MouseUp(app, 1, 0, 300, 250);
    EXPECT_EQ(w.messages.size(), 2u);
    expectConstructionCommands(false);

    // Asking again with nothing changed keeps the prompt but shows no box.
    CENTRO_Click(app);
    Picture1_MouseUp(app, 1, 0, 1, 1);
    EXPECT_EQ(w.messages.size(), 2u);
    EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
    GRANDEZZA_SpinDown(app);   // at its limit: the step does not change
    EXPECT_EQ(w.messages.size(), 2u);
    EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");

    // A centre one pixel aside gives a construction again.
    CENTRO_Click(app);
    click(321, 240);
    EXPECT_EQ(w.messages.size(), 2u);
    EXPECT_TRUE(app.s.constructionValid);
    expectConstructionCommands(true);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi definire la griglia ?");
}

TEST_F(HandlersOrientation, linesThatNoCentreCanMendAreToBeMarkedAgain) {
    openPlain();
    // H to the upper right and V above it on the same side of the centre: the line through the
    // centre along the horizon misses the distance circle.
    mark({{100, 200, 500, 0}, {100, 400, 500, 120}, {100, 400, 250, 100}, {600, 400, 650, 50}});
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].text, "La costruzione prospettica non si può eseguire con queste rette e questo centro.\n"
                                  "Definire di nuovo le rette.");
    EXPECT_FALSE(app.s.constructionValid);
}

TEST_F(HandlersOrientation, centreCommandsRedrawTheConstructionAndAwaitTheClick) {
    openPlain();
    mark(converging);
    for (int path = 0; path < 2; ++path) {
        SCOPED_TRACE(path == 0 ? "button CENTRO" : "menu centro1");
        app.s.inputMode = 0;
        Picture1_MouseMove(app, 0, 0, 250, 250);   // leaves the picture in invert mode
        const std::size_t from = w.pic1.ops.size();
        if (path == 0)
            CENTRO_Click(app);
        else
            CENTRONUOVO(app);
        EXPECT_EQ(app.s.inputMode, 2);
        EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi definire la griglia ?");   // bandFresh is 0 after a line
        const std::vector<DrawOp> ops = opsSince(from);
        EXPECT_FALSE(ops.empty());
        for (const DrawOp& op : ops) {
            EXPECT_FALSE(op.kind == DrawOp::Circle && op.x1 == 0 && op.y1 == 0);   // no mark at the origin
            EXPECT_EQ(op.mode, DrawMode::CopyPen);
        }
    }

    // Right after the first click of a pair the command's own prompt stays.
    RETTANG3(app);
    click(200, 150);
    ASSERT_EQ(app.s.bandFresh, 1);
    CENTRONUOVO(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire il nuovo CENTRO");
}

TEST_F(HandlersOrientation, aCentreClickWithFourLinesRebuildsTheConstructionAboutIt) {
    openPlain();
    mark(converging);
    const double pox = app.s.frame.pox;
    CENTRO_Click(app);
    const int refreshes = w.pic1.refreshCount;
    click(330, 260);
    EXPECT_EQ(w.pic1.refreshCount, refreshes + 1);
    EXPECT_EQ(app.s.centreX, 330);
    EXPECT_EQ(app.s.centreY, 260);
    EXPECT_EQ(app.s.inputMode, 0);
    // The light cyan mark, then the construction that the release rebuilt about it.
    ASSERT_GT(w.pic1.ops.size(), 4u);
    const std::vector<DrawOp> shown(w.pic1.ops.begin(), w.pic1.ops.begin() + 4);
    EXPECT_MARKS(shown, segment(330, 240, 330, 280, lightCyan), segment(310, 260, 350, 260, lightCyan),
                 circle(330, 260, 4, lightCyan), segment(330, 260, shown[3].x2, shown[3].y2, blue));
    EXPECT_NE(app.s.frame.pox, pox);
    EXPECT_TRUE(app.s.constructionValid);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi definire la griglia ?");

    // Centre mode entered between press and release: the release rebuilds the construction.
    PICTURE1_MouseDown(app, 1, 0, 10, 10);
    CENTRO_Click(app);
    const std::size_t before = w.pic1.ops.size();
    Picture1_MouseUp(app, 1, 0, 10, 10);
    EXPECT_GT(w.pic1.ops.size(), before);
    EXPECT_EQ(app.s.inputMode, 2);
}

TEST_F(HandlersOrientation, aCentreClickWithFewerLinesOnlyPlacesTheCentre) {
    openPlain();
    mark(converging);
    const double fuox = app.s.fuox;
    CANC2(app);
    CANC2(app);
    ASSERT_EQ(app.s.lineCount, 2);
    CENTRO_Click(app);
    click(300, 200);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette vert.");
    EXPECT_EQ(w.pic1.ops.size(), 3u);   // the light cyan mark only
    EXPECT_EQ(app.s.centreX, 300);
    EXPECT_EQ(app.s.fuox, fuox);
    EXPECT_EQ(app.s.inputMode, 0);

    CANC2(app);
    CANC2(app);
    ASSERT_EQ(app.s.lineCount, 0);
    CENTRO_Click(app);
    click(310, 210);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette orizz.");
    EXPECT_EQ(w.pic1.ops.size(), 3u);
    EXPECT_EQ(app.s.centreY, 210);

    // The next click marks the first point of line 1 again.
    click(100, 100);
    EXPECT_EQ(app.s.pointPending, 1);
    EXPECT_EQ(app.s.firstX, 100);
}

}  // namespace
}  // namespace velta

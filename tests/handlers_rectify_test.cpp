// The rectify command through the recording window: the guards, the working file row by row, the
// presentation and the measuring phase, the commands that run inside the row loop, file errors.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "input/dispatch.h"
#include "rectify/reference.h"
#include "testutils.h"
#include "util/little_endian.h"

using namespace velta;
using velta::testing::inputOf;
using velta::testing::readFile;
using velta::testing::HandlerTest;

namespace {

constexpr std::size_t pixelOffset = 1078;

int padFor(int width) { return (4 - width % 4) % 4; }

// Checks a written working file against the rectification of `s`: its length, and each file row
// (bottom row first) against referenceRow for the first `computed` rows, zeros after them.
void expectRowsOfReference(const State& s, const std::vector<std::uint8_t>& file, int computed) {
    const int width = static_cast<int>(s.frame.rectWidth), height = static_cast<int>(s.frame.rectHeight);
    const std::size_t stride = static_cast<std::size_t>(width + padFor(width));
    ASSERT_EQ(file.size(), pixelOffset + static_cast<std::size_t>(height) * stride);
    const bool vBelowH = s.fuvy > s.fuoy;
    RowRecord want{};
    for (int k = 0; k < height; ++k) {
        const int mark = vBelowH ? height - k : k + 1;
        want.fill(0);
        if (k < computed) rectify::referenceRow(inputOf(s), mark, want);
        const auto row = file.begin() + static_cast<std::ptrdiff_t>(pixelOffset + static_cast<std::size_t>(k) * stride);
        if (!std::equal(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(stride), row)) {
            ADD_FAILURE() << "file row " << k << " (row mark " << mark << ") differs"
                          << (k < computed ? " from the reference" : " from a zero row");
            return;
        }
    }
}

std::size_t nonZeroPixels(const std::vector<std::uint8_t>& file) {
    return static_cast<std::size_t>(
        std::count_if(file.begin() + static_cast<std::ptrdiff_t>(pixelOffset), file.end(), [](std::uint8_t b) { return b != 0; }));
}

class HandlersRectify : public HandlerTest {
protected:
    // A camera above the façade looking down on a 640 x 480 picture: the vertical lines
    // converge below the picture, so the vertical vanishing point lies below the horizontal one.
    void markLookingDown() {
        openImage(makeBitmap(640, 480));
        const velta::testing::Camera cam = velta::testing::cameraAt(700, 320, 240, 2, 8, 14, 15, -20, -1);
        const velta::testing::MarkedLines m(cam, 0, 0, 10, 6, true);
        for (int n = 1; n <= 4; ++n)
            markLine(static_cast<float>(m.lineEnds[n][1]), static_cast<float>(m.lineEnds[n][2]),
                     static_cast<float>(m.lineEnds[n][3]), static_cast<float>(m.lineEnds[n][4]));
        markArea(200, 150, 300, 230);
    }

    // The construction of a small area stretched to the given size: the row and column marks
    // go on along their measuring lines, one mark per output pixel.
    void forceSize(int width, int height) {
        State& s = app.s;
        ASSERT_TRUE(s.constructionValid);
        const auto extend = [&s](std::vector<MarkRow>& marks, int count) {
            const double dx = marks.at(1)[2] - s.frame.originX, dy = marks.at(1)[3] - s.frame.originY;
            marks.assign(static_cast<std::size_t>(count) + 1, MarkRow{});
            for (int i = 1; i <= count; ++i) {
                marks[static_cast<std::size_t>(i)][2] = s.frame.originX + i * dx;
                marks[static_cast<std::size_t>(i)][3] = s.frame.originY + i * dy;
            }
        };
        extend(s.frame.rowPoints, height);
        extend(s.frame.colPoints, width);
        s.frame.rectWidth = width;
        s.frame.rectHeight = height;
    }

    std::vector<std::uint8_t> workingBytes() const { return readFile(app.workingFile()); }
};

TEST_F(HandlersRectify, writesEveryRowAsTheReferenceComputesItBottomRowFirst) {
    rectifyFacade();
    ASSERT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    ASSERT_LT(app.s.fuvy, app.s.fuoy);   // V above H: the rows run from mark 1
    const std::vector<std::uint8_t> file = workingBytes();
    expectRowsOfReference(app.s, file, static_cast<int>(app.s.frame.rectHeight));
    // The area lies inside the façade: most pixels have a source (index 0 is a colour of the sample too).
    const auto width = static_cast<std::size_t>(app.s.frame.rectWidth), height = static_cast<std::size_t>(app.s.frame.rectHeight);
    EXPECT_GT(nonZeroPixels(file), width * height * 3 / 4);

    // The header describes the written image; every other byte is the source's.
    ASSERT_GE(file.size(), pixelOffset);
    const std::size_t stride = width + static_cast<std::size_t>(padFor(static_cast<int>(width)));
    EXPECT_EQ(std::size_t{file[18]}, width % 256);
    EXPECT_EQ(std::size_t{file[19]}, width / 256);
    EXPECT_EQ(std::size_t{file[22]}, height % 256);
    EXPECT_EQ(std::size_t{file[23]}, height / 256);
    EXPECT_EQ(le::u32(file, 2), file.size());
    EXPECT_EQ(le::u32(file, 34), height * stride);
    for (std::size_t i = 0; i < 54; ++i) {
        if ((i >= 2 && i < 6) || i == 18 || i == 19 || i == 22 || i == 23 || (i >= 34 && i < 38)) continue;
        EXPECT_EQ(file[i], app.s.image.bmpHeader[i]) << "header byte " << i;
    }
    EXPECT_TRUE(std::equal(app.s.image.bmpPalette.begin(), app.s.image.bmpPalette.end(), file.begin() + 54));
}

TEST_F(HandlersRectify, firstFileRowComesFromTheLastRowMarkWhenVLiesBelowH) {
    markLookingDown();
    ASSERT_TRUE(app.s.constructionValid);
    ASSERT_GT(app.s.fuvy, app.s.fuoy);
    RADDR1(app);
    ASSERT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    const std::vector<std::uint8_t> file = workingBytes();
    expectRowsOfReference(app.s, file, static_cast<int>(app.s.frame.rectHeight));
    EXPECT_GT(nonZeroPixels(file), std::size_t{0});
    // The last row computed is mark 1, whose figure is the highest of this layout.
    const int height = static_cast<int>(app.s.frame.rectHeight);
    EXPECT_EQ(w.text(Ctl::Text4), " " + std::to_string(100 * (height - 1) / height) + "%");
}

TEST_F(HandlersRectify, refusesAnImageWiderThan3000OrHigherThan32767) {
    struct Case {
        int width, height;
    };
    markLookingDown();
    for (const Case c : {Case{3001, 2}, Case{2, 32768}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        forceSize(c.width, c.height);
        w.messages.clear();
        w.setText(Ctl::domanda1, "Vuoi raddrizzare ?");
        RADDR1(app);
        ASSERT_EQ(w.messages.size(), 1u);
        EXPECT_EQ(w.messages[0].text, "Immagine troppo grande; selezionare un'area più piccola");
        EXPECT_EQ(w.messages[0].title, "IMPOSSIBILE RADDRIZZARE");
        EXPECT_EQ(w.messages[0].icon, Icon::Critical);
        EXPECT_EQ(w.messages[0].buttons, Buttons::Ok);
        EXPECT_EQ(app.s.raddrCount, 0);
        EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi raddrizzare ?");
        EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
        EXPECT_FALSE(std::filesystem::exists(app.workingFile()));
        EXPECT_EQ(w.beeps, 0);
    }

    // The limits themselves are accepted.
    for (const Case c : {Case{3000, 3}, Case{1, 32767}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        ALTRA1(app);
        forceSize(c.width, c.height);
        w.messages.clear();
        w.boxAnswers = {Answer::Discard};   // the previous image, unsaved, is given up
        RADDR1(app);
        for (const ShownMessage& m : w.messages) EXPECT_EQ(m.title, "IMMAGINE NON SALVATA");
        EXPECT_EQ(app.s.raddrCount, 1);
        EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
        expectRowsOfReference(app.s, workingBytes(), c.height);
        EXPECT_EQ(w.pic2.pictureWidth(), c.width);
        EXPECT_EQ(w.pic2.pictureHeight(), c.height);
    }

    // The check is made on a later press too, which then does not count.
    ASSERT_EQ(app.s.raddrCount, 1);
    app.s.frame.rectWidth = 3001;
    w.messages.clear();
    RADDR1(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].title, "IMPOSSIBILE RADDRIZZARE");
    EXPECT_EQ(app.s.raddrCount, 1);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
}

TEST_F(HandlersRectify, refusesAnAreaWithoutAWholePixel) {
    markLookingDown();
    const double width = app.s.frame.rectWidth, height = app.s.frame.rectHeight;
    for (const double tooSmall : {0.0, 0.5}) {
        for (const bool across : {true, false}) {
            app.s.frame.rectWidth = across ? tooSmall : width;
            app.s.frame.rectHeight = across ? height : tooSmall;
            w.messages.clear();
            RADDR1(app);
            ASSERT_EQ(w.messages.size(), 1u);
            EXPECT_EQ(w.messages[0].text.rfind("Area di calcolo troppo piccola", 0), 0u) << w.messages[0].text;
            EXPECT_EQ(w.messages[0].title, "IMPOSSIBILE RADDRIZZARE");
            EXPECT_EQ(w.messages[0].icon, Icon::Critical);
            EXPECT_EQ(app.s.raddrCount, 0);
            EXPECT_FALSE(std::filesystem::exists(app.workingFile()));
        }
    }
}

TEST_F(HandlersRectify, showsTheRectifiedImageAndOffersMeasurement) {
    // A small screen, so that the rectified picture needs both scroll bars.
    w.viewportW = 120;
    w.viewportH = 110;
    formLoad(app);
    rectifyFacade();
    const int width = static_cast<int>(app.s.frame.rectWidth), height = static_cast<int>(app.s.frame.rectHeight);
    ASSERT_GT(width, 104);
    ASSERT_GT(height, 62);

    EXPECT_EQ(w.beeps, 1);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(app.s.rectDone, 1);
    EXPECT_EQ(app.s.raddrCount, 1);
    EXPECT_EQ(w.text(Ctl::tfuox), " " + std::to_string(width) + "x");
    EXPECT_EQ(w.text(Ctl::tfuoy), " " + std::to_string(height) + "y");
    EXPECT_EQ(w.control(Ctl::tfuox).toolTip, "Dimensione in X dell'immagine raddrizzata");
    EXPECT_EQ(w.control(Ctl::tfuoy).toolTip, "Dimensione in Y dell'immagine raddrizzata");

    // The rectified view replaces the source view.
    EXPECT_EQ(w.pic2.loadedPath, app.workingFile());
    EXPECT_EQ(app.s.rectViewWidth, width);
    EXPECT_EQ(app.s.rectViewHeight, height);
    EXPECT_TRUE(w.pic2.visible());
    EXPECT_EQ(w.pic2.left(), 0);
    EXPECT_EQ(w.pic2.top(), 0);
    EXPECT_EQ(w.pic2.drawMode(), DrawMode::Blackness);
    EXPECT_FALSE(w.pic1.visible());
    EXPECT_TRUE(w.pic1.enabled());
    EXPECT_EQ(w.pic1.cursor(), Cursor::Cross);
    EXPECT_EQ(w.windowCursor(), Cursor::Default);
    EXPECT_TRUE(w.visible(Ctl::Label1));
    EXPECT_EQ(w.text(Ctl::Label1), "Immagine raddrizzata");

    // Scroll bars: the source view's are gone, the rectified view's measure the excess.
    EXPECT_FALSE(w.scroll(ScrollId::VScroll1).visible);
    EXPECT_FALSE(w.scroll(ScrollId::HScroll1).visible);
    const ScrollBarState& v = w.scroll(ScrollId::VScroll2);
    EXPECT_TRUE(v.visible);
    EXPECT_EQ(v.maximum, height - 62);
    EXPECT_EQ(v.length, 62);
    EXPECT_EQ(v.smallStep, 1);
    EXPECT_EQ(v.largeStep, 6);
    EXPECT_EQ(v.position, 104);
    const ScrollBarState& h = w.scroll(ScrollId::HScroll2);
    EXPECT_TRUE(h.visible);
    EXPECT_EQ(h.maximum, width - 104);
    EXPECT_EQ(h.smallStep, 1);
    EXPECT_EQ(h.largeStep, 10);
    EXPECT_EQ(h.position, 62);

    // The commands of the measuring phase.
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
    EXPECT_EQ(w.control(Ctl::RADDRIZZA).toolTip, " Stabilisce una scala per le misurazioni dell'immagine");
    EXPECT_TRUE(w.visible(Ctl::RADDRIZZA));
    EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
    EXPECT_EQ(w.text(Ctl::cancella), "Altra ?");
    for (Ctl c : {Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA, Ctl::Text4, Ctl::misura})
        EXPECT_FALSE(w.visible(c)) << controlName(c);
    for (Ctl c : {Ctl::Text3, Ctl::zoo, Ctl::edit, Ctl::altra}) EXPECT_TRUE(w.visible(c)) << controlName(c);
    for (Ctl c : {Ctl::raddrizza1, Ctl::save, Ctl::print1, Ctl::open}) EXPECT_TRUE(w.enabled(c)) << controlName(c);
    for (Ctl c : {Ctl::start, Ctl::centro1, Ctl::canc, Ctl::area, Ctl::griglia2, Ctl::CENTRO})
        EXPECT_FALSE(w.enabled(c)) << controlName(c);
}

TEST_F(HandlersRectify, secondPressStartsMeasuringWithoutTouchingTheFile) {
    rectifyFacade();
    const std::vector<std::uint8_t> before = workingBytes();
    const auto written = std::filesystem::last_write_time(app.workingFile());
    app.s.measureState = 3;
    RADDR1(app);
    EXPECT_EQ(app.s.raddrCount, 2);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due punti");
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(w.text(text6(n)), "") << n;
    for (Ctl c : {Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy}) EXPECT_EQ(w.text(c), "") << controlName(c);
    EXPECT_EQ(app.s.measureState, 0);
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
    EXPECT_EQ(w.beeps, 1);
    EXPECT_EQ(workingBytes(), before);
    EXPECT_EQ(std::filesystem::last_write_time(app.workingFile()), written);
    EXPECT_EQ(w.pic2.loadedPath, app.workingFile());

    // Every further press starts a new measurement in the same way.
    RADDR1(app);
    EXPECT_EQ(app.s.raddrCount, 3);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due punti");
    EXPECT_EQ(workingBytes(), before);
}

TEST_F(HandlersRectify, whileRunningTheSourceViewIsLockedAndTheProgressShows) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    int calls = 0;
    w.onProcessEvents = [&] {
        if (calls++ > 0) return;
        EXPECT_EQ(w.text(Ctl::domanda1), "Sto calcolando...");
        EXPECT_FALSE(w.pic1.enabled());
        EXPECT_EQ(w.pic1.cursor(), Cursor::Hourglass);
        EXPECT_EQ(w.pic1.drawMode(), DrawMode::Invert);
        for (Ctl c : {Ctl::RADDRIZZA, Ctl::RETTANG, Ctl::zoo, Ctl::CENTRO, Ctl::GRIGLIA, Ctl::Text3, Ctl::GRANDEZZA})
            EXPECT_FALSE(w.visible(c)) << controlName(c);
        EXPECT_TRUE(w.visible(Ctl::Text4));
        // The first row's figure is shown before the first events.
        EXPECT_EQ(w.text(Ctl::Text4), " 1%");
        for (Ctl c : {Ctl::open, Ctl::save, Ctl::altra, Ctl::centro1, Ctl::area, Ctl::griglia2, Ctl::GRANDEZZA})
            EXPECT_FALSE(w.enabled(c)) << controlName(c);
        EXPECT_EQ(app.s.rectDone, 1);
        EXPECT_EQ(app.s.stopRequest, 0);
        EXPECT_EQ(w.text(Ctl::tfuox), " " + std::to_string(static_cast<int>(app.s.frame.rectWidth)) + "x");
    };
    RADDR1(app);
    EXPECT_GE(calls, 1);
    EXPECT_EQ(w.text(Ctl::Text4), " 100%");
    EXPECT_FALSE(w.visible(Ctl::Text4));
    EXPECT_TRUE(w.visible(Ctl::Text3));
    EXPECT_TRUE(w.visible(Ctl::GRANDEZZA));
    // Unlocked again, as the measuring phase wants them.
    for (Ctl c : {Ctl::open, Ctl::save, Ctl::altra, Ctl::GRANDEZZA}) EXPECT_TRUE(w.enabled(c)) << controlName(c);
    for (Ctl c : {Ctl::centro1, Ctl::area, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c)) << controlName(c);
}

TEST_F(HandlersRectify, commandsThatWouldDisturbTheRunningRectificationDoNothing) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    const std::string other = makeBitmap(50, 40, velta::testing::rampPattern, "other.bmp");
    const double step = app.s.pixelStep, centreX = app.s.centreX, width = app.s.frame.rectWidth;
    const std::int16_t areaStarts = app.s.areaStarts, mode = app.s.inputMode;
    bool ran = false;
    w.onProcessEvents = [&] {
        if (ran) return;
        ran = true;
        const std::size_t shown = w.messages.size(), opened = w.openDirs.size();
        w.openAnswers.push_back(other);
        dispatch(app, Command::openClick);
        w.openAnswers.clear();
        for (Command c : {Command::saveClick, Command::ALTRA1, Command::CENTRONUOVO, Command::RETTANG3,
                          Command::GRANDEZZA_SpinUp, Command::GRANDEZZA_SpinDown, Command::VALORIDEFAULT})
            dispatch(app, c);
        EXPECT_EQ(w.openDirs.size(), opened);
        EXPECT_TRUE(w.saveDirs.empty());
        EXPECT_EQ(w.messages.size(), shown);
        EXPECT_EQ(app.s.image.fileWidth, 958);
        EXPECT_EQ(app.s.raddrCount, 1);
        EXPECT_FALSE(w.visible(Ctl::RADDRIZZA));
        EXPECT_FALSE(w.visible(Ctl::CENTRO));
        EXPECT_EQ(app.s.pixelStep, step);
        EXPECT_EQ(app.s.frame.rectWidth, width);
        EXPECT_EQ(app.s.centreX, centreX);
        EXPECT_EQ(app.s.areaStarts, areaStarts);
        EXPECT_EQ(app.s.inputMode, mode);
        EXPECT_EQ(w.text(Ctl::domanda1), "Sto calcolando...");
    };
    RADDR1(app);
    ASSERT_TRUE(ran);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(w.title().find("other.bmp"), std::string::npos);
    expectRowsOfReference(app.s, workingBytes(), static_cast<int>(app.s.frame.rectHeight));
}

TEST_F(HandlersRectify, secondPressWhileRunningMeasuresAndTheComputationCarriesOn) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    bool ran = false;
    w.onProcessEvents = [&] {
        if (ran) return;
        ran = true;
        RADDR1(app);
        EXPECT_EQ(app.s.raddrCount, 2);
        EXPECT_EQ(w.text(Ctl::domanda1), "Definire due punti");
        EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
        EXPECT_EQ(app.s.measureState, 0);
        // The measuring phase does not unlock what the computation uses.
        for (Ctl c : {Ctl::open, Ctl::save, Ctl::altra, Ctl::GRANDEZZA}) EXPECT_FALSE(w.enabled(c)) << controlName(c);
    };
    RADDR1(app);
    ASSERT_TRUE(ran);
    EXPECT_EQ(w.beeps, 1);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due punti");
    EXPECT_EQ(w.text(Ctl::cancella), "Altra ?");
    EXPECT_TRUE(w.enabled(Ctl::save));
    expectRowsOfReference(app.s, workingBytes(), static_cast<int>(app.s.frame.rectHeight));
}

TEST_F(HandlersRectify, exitWhileRunningStopsTheRowsAndEndsOnceTheLoopReturns) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    bool ran = false;
    w.onProcessEvents = [&] {
        if (ran) return;
        ran = true;
        exitClick(app);
        EXPECT_FALSE(w.quitCalled);   // not from inside the row loop
        EXPECT_EQ(app.s.stopRequest, 1);
        // A further press of the command does not take the stop back.
        RADDR1(app);
        EXPECT_EQ(app.s.stopRequest, 1);
    };
    w.boxAnswers = {Answer::Discard};   // the stopped image is offered for saving first
    RADDR1(app);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(w.quitCalled);
    EXPECT_NE(w.text(Ctl::domanda1), "Ho finito.");
    // The file was still completed: one computed row, the rest zero rows.
    expectRowsOfReference(app.s, workingBytes(), 1);
}

TEST_F(HandlersRectify, reportsAWorkingFileThatCannotBeCreated) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    const std::string goodDir = app.dataDir;
    app.dataDir = (dir / "missing").string();
    RADDR1(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_NE(w.messages[0].text.find(app.workingFile()), std::string::npos) << w.messages[0].text;
    EXPECT_NE(w.text(Ctl::domanda1), "Ho finito.");
    EXPECT_NE(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_EQ(w.beeps, 0);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_TRUE(w.pic1.enabled());
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
    EXPECT_TRUE(w.visible(Ctl::RADDRIZZA));
    EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
    EXPECT_EQ(w.text(Ctl::cancella), "Canc.");

    // Nothing is lost: with the directory back, the same press rectifies.
    app.dataDir = goodDir;
    RADDR1(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    expectRowsOfReference(app.s, workingBytes(), static_cast<int>(app.s.frame.rectHeight));
}

TEST_F(HandlersRectify, reportsAResultThatCannotBeShown) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    w.pic2.failNextLoad = true;
    RADDR1(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_NE(w.messages[0].text.find(app.workingFile()), std::string::npos) << w.messages[0].text;
    EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_EQ(app.s.rectDone, 0);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_TRUE(w.pic1.enabled());
    EXPECT_EQ(w.pic1.cursor(), Cursor::Cross);
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_FALSE(w.visible(Ctl::Text4));
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::RETTANG, Ctl::CENTRO, Ctl::GRIGLIA, Ctl::Text3, Ctl::zoo})
        EXPECT_TRUE(w.visible(c)) << controlName(c);
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
    EXPECT_EQ(w.text(Ctl::cancella), "Canc.");
    // A file that could not be shown is not offered for saving.
    w.saveAnswers.push_back((dir / "kept.bmp").string());
    saveClick(app);
    EXPECT_TRUE(w.saveDirs.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "kept.bmp"));

    RADDR1(app);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Misura");
}

TEST_F(HandlersRectify, reportsAWorkingFileThatCannotBeWritten) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    {
        velta::testing::FileSizeLimit full(4000);   // the writes stop short, as on a full disk
        RADDR1(app);
    }
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_NE(w.messages[0].text.find(app.workingFile()), std::string::npos) << w.messages[0].text;
    EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
}

// A window whose progress box takes a while to repaint, so that the row loop processes pending
// events before every row.
class SlowProgressWindow : public RecordingWindow {
protected:
    void controlChanged(Ctl c) override {
        if (c == Ctl::Text4 && slow) std::this_thread::sleep_for(std::chrono::milliseconds(12));
    }

public:
    bool slow = true;
};

TEST_F(HandlersRectify, cancelDuringTheThirdRowLeavesTheRestAsZeroRows) {
    markLookingDown();
    forceSize(37, 10);   // padded rows; the progress figure changes on every row

    // The same work on a window that is slow to show the progress.
    SlowProgressWindow slowWindow;
    App slow(slowWindow, app.dataDir);
    formLoad(slow);
    slow.s = app.s;
    int events = 0;
    slowWindow.onProcessEvents = [&] {
        if (++events == 3) CANC2(slow);
    };
    RADDR1(slow);
    EXPECT_EQ(events, 3);
    // Rows 0, 1 and 2 were computed; the stop came before row 3.
    expectRowsOfReference(slow.s, workingBytes(), 3);
    EXPECT_EQ(slowWindow.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(slowWindow.text(Ctl::RADDRIZZA), "Misura");
}

}  // namespace

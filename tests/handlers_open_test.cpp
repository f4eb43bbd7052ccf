// The open command: what a good file shows, the layout of the source view with its scroll
// bars, the scroll handlers, and files that are cancelled or refused.
#include <sstream>
#include <string>

#include "testutils.h"

namespace velta {
namespace {

class HandlersOpen : public testing::HandlerTest {
protected:
    // Everything a user could see or the program could use next, in one comparable text.
    std::string snapshot() const {
        std::ostringstream o;
        o.precision(17);
        for (int c = 0; c < controlCount; ++c) {
            const ControlState& st = w.control(static_cast<Ctl>(c));
            o << controlName(static_cast<Ctl>(c)) << '|' << st.text << '|' << st.toolTip << '|' << st.enabled
              << st.visible << st.checked << '\n';
        }
        o << w.title() << '\n';
        for (int i = 0; i < 4; ++i) {
            const ScrollBarState& b = w.scroll(static_cast<ScrollId>(i));
            o << b.visible << ' ' << b.minimum << ' ' << b.maximum << ' ' << b.value << ' ' << b.smallStep << ' '
              << b.largeStep << ' ' << b.position << ' ' << b.length << '\n';
        }
        for (const RecordingSurface* p : {&w.pic1, &w.pic2}) {
            o << p->loadedPath << ' ' << p->pictureWidth() << 'x' << p->pictureHeight() << ' ' << p->refreshCount
              << ' ' << p->ops.size() << ' ' << p->left() << ',' << p->top() << ' ' << p->visible() << p->enabled()
              << static_cast<int>(p->cursor()) << static_cast<int>(p->drawMode()) << p->foreColor().value << '\n';
        }
        o << static_cast<int>(w.windowCursor()) << '\n';
        const State& s = app.s;
        o << s.imageWidth << ' ' << s.imageHeight << ' ' << s.inputMode << ' ' << s.lineCount << ' '
          << s.pointPending << ' ' << s.bandFresh << ' ' << s.centreX << ' ' << s.centreY << ' ' << s.pixelStep
          << ' ' << s.raddrCount << ' ' << s.rectDone << ' ' << s.areaStarts << ' ' << s.constructionValid << ' '
          << s.fuox << ' ' << s.fuoy << ' ' << s.fuvx << ' ' << s.fuvy << ' ' << s.frame.rectWidth << ' ' << s.frame.rectHeight
          << ' ' << s.frame.pox << ' ' << s.frame.pvy << ' ' << s.frame.rowPoints.size() << ' ' << s.frame.colPoints.size() << '\n';
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 4; ++k) o << s.lineEnds[n][k] << ' ';
        for (int i = 1; i <= 4; ++i) o << s.areaCorners[i][1] << ',' << s.areaCorners[i][2] << ' ';
        const SourceImage& im = s.image;
        o << '\n' << im.sourceFileName << ' ' << im.fileLength << ' ' << im.fileWidth << ' ' << im.fileHeight << ' '
          << im.rowPadding << ' ' << im.sourceRows.size() << ' ';
        for (auto b : im.bmpHeader) o << int{b} << ',';
        std::uint64_t sum = 0;
        for (const RowRecord& r : im.sourceRows)
            for (auto b : r) sum = sum * 31 + b;
        o << sum << '\n';
        return o.str();
    }

    // A good image with two lines and a pending first click, as a user might leave it.
    void openWithWork() {
        openImage(makeBitmap(640, 480));
        markLine(100, 100, 500, 140);
        markLine(100, 400, 500, 360);
        click(200, 300);
    }
};

TEST_F(HandlersOpen, opensAGoodFileAndStartsLineMarking) {
    const std::string path = makeBitmap(640, 480);
    openImage(path);
    ASSERT_TRUE(w.messages.empty());
    ASSERT_EQ(w.openDirs.size(), 1u);
    EXPECT_EQ(w.openDirs[0], app.dataDir);

    EXPECT_EQ(w.title(), "Raddrizzamento di   ' " + path + " '");
    EXPECT_EQ(w.text(Ctl::tfuox), " 640 x");
    EXPECT_EQ(w.text(Ctl::tfuoy), " 480 y");
    EXPECT_EQ(w.control(Ctl::tfuox).toolTip, "Dimensione in X dell'immagine sorgente");
    EXPECT_EQ(w.control(Ctl::tfuoy).toolTip, "Dimensione in Y dell'immagine sorgente");
    EXPECT_EQ(w.text(Ctl::tfuvx), "fuvx");
    EXPECT_EQ(w.text(Ctl::tfuvy), "");
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(w.text(text6(n)), "m" + std::to_string(n));
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette orizz.");

    // Menus and controls of the phase.
    for (Ctl c : {Ctl::edit, Ctl::canc, Ctl::save, Ctl::print1}) EXPECT_TRUE(w.enabled(c)) << controlName(c);
    for (Ctl c : {Ctl::raddrizza1, Ctl::area, Ctl::griglia2, Ctl::centro1, Ctl::parametri, Ctl::CENTRO,
                  Ctl::GRIGLIA, Ctl::RADDRIZZA})
        EXPECT_FALSE(w.enabled(c)) << controlName(c);
    for (Ctl c : {Ctl::edit, Ctl::Label1, Ctl::Label4, Ctl::zoo, Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA})
        EXPECT_TRUE(w.visible(c)) << controlName(c);
    EXPECT_FALSE(w.visible(Ctl::Text3));
    EXPECT_EQ(w.text(Ctl::cancella), "Canc.");
    EXPECT_EQ(w.text(Ctl::Label1), "Immagine sorgente");
    EXPECT_EQ(w.text(Ctl::Label4), "Immagine sorgente");
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_TRUE(w.pic1.enabled());
    EXPECT_EQ(w.pic1.cursor(), Cursor::Cross);
    EXPECT_EQ(w.windowCursor(), Cursor::Default);
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_EQ(w.pic1.loadedPath, path);

    // The centre mark: a small circle and two lines across the whole picture, red, plain copy.
    EXPECT_MARKS(w.pic1.ops, testing::circle(320, 240, 2), testing::segment(320, 0, 320, 480),
                 testing::segment(0, 240, 640, 240));

    // The working state of a fresh image.
    const State& s = app.s;
    EXPECT_EQ(s.imageWidth, 640);
    EXPECT_EQ(s.imageHeight, 480);
    EXPECT_EQ(s.centreX, 320);
    EXPECT_EQ(s.centreY, 240);
    EXPECT_EQ(s.areaCorners[1][1], 1);
    EXPECT_EQ(s.areaCorners[2][2], 479);
    EXPECT_EQ(s.areaCorners[3][1], 639);
    EXPECT_EQ(s.areaCorners[4][2], 1);
    EXPECT_EQ(s.inputMode, 0);
    EXPECT_EQ(s.lineCount, 0);
    EXPECT_EQ(s.pixelStep, 1.0);
    EXPECT_EQ(s.scrollBarSize, 16);
    EXPECT_EQ(s.image.sourceFileName, path);
    EXPECT_EQ(s.image.fileWidth, 640);
    EXPECT_EQ(s.image.fileHeight, 480);
    EXPECT_EQ(s.image.sourceRows.size(), 481u);
    EXPECT_EQ(s.image.sourceRows[0][5], testing::rampPattern(5, 0));
    EXPECT_EQ(s.image.sourceRows[479][639], testing::rampPattern(639, 479));
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1}) EXPECT_FALSE(w.scroll(id).visible);
}

TEST_F(HandlersOpen, aSecondImageResetsThePerImageValues) {
    openFacadeWithLines();
    markArea(300, 200, 400, 300);
    const std::int16_t areas = app.s.areaStarts;
    ASSERT_GT(areas, 0);
    app.s.pixelStep = 1.5;

    openImage(makeBitmap(300, 200, testing::rampPattern, "second.bmp"));
    const State& s = app.s;
    EXPECT_EQ(s.lineCount, 0);
    EXPECT_EQ(s.inputMode, 0);
    EXPECT_EQ(s.raddrCount, 0);
    EXPECT_EQ(s.rectDone, 0);
    EXPECT_EQ(s.pixelStep, 1.0);
    EXPECT_EQ(s.centreX, 150);
    EXPECT_EQ(s.centreY, 100);
    EXPECT_EQ(s.areaCorners[3][1], 299);
    EXPECT_EQ(s.areaCorners[3][2], 199);
    EXPECT_EQ(s.areaStarts, areas);   // only the defaults command forgets the marked areas
    EXPECT_FALSE(s.constructionValid);
    EXPECT_EQ(w.text(Ctl::tfuox), " 300 x");
    EXPECT_EQ(w.text(Ctl::tfuvx), "fuvx");
    EXPECT_EQ(w.text(text6(4)), "m4");
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette orizz.");
    // Nothing of the first image's construction can be used on the second.
    EXPECT_FALSE(w.enabled(Ctl::RADDRIZZA));
    EXPECT_FALSE(w.enabled(Ctl::GRIGLIA));
    EXPECT_FALSE(w.enabled(Ctl::centro1));
    EXPECT_FALSE(w.enabled(Ctl::CENTRO));
    EXPECT_FALSE(w.enabled(Ctl::raddrizza1));
    // Nor can an area be marked before any line, and the output step waits for a construction.
    EXPECT_FALSE(w.enabled(Ctl::RETTANG));
    EXPECT_FALSE(w.visible(Ctl::Text3));
    EXPECT_FALSE(w.visible(Ctl::GRANDEZZA));
}

TEST_F(HandlersOpen, aFirstClickLeftOnThePreviousImageIsForgotten) {
    openImage(makeBitmap(300, 200, testing::rampPattern, "first.bmp"));
    click(250, 150);
    ASSERT_EQ(app.s.pointPending, 1);
    openImage(makeBitmap(120, 90, testing::rampPattern, "second.bmp"));
    EXPECT_EQ(app.s.pointPending, 0);
    EXPECT_EQ(app.s.bandFresh, 1);
    // The first click on the new image starts line 1; no band is drawn from the old point.
    const std::size_t drawn = w.pic1.ops.size();
    Picture1_MouseMove(app, 0, 0, 50, 50);
    EXPECT_EQ(w.pic1.ops.size(), drawn);
    click(10, 20);
    EXPECT_EQ(app.s.lineCount, 0);
    EXPECT_EQ(app.s.firstX, 10);
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette orizz.");
    click(100, 25);
    EXPECT_EQ(app.s.lineCount, 1);
    EXPECT_EQ(app.s.lineEnds[1][1], 10);
}

TEST_F(HandlersOpen, largeImagesGetScrollBarsWithTheExcessAsMaximum) {
    // A 1024 x 768 screen with 16-pixel bars leaves 1008 x 720 pixels for the view.
    openImage(makeBitmap(1500, 400));
    const ScrollBarState& hb = w.scroll(ScrollId::HScroll1);
    EXPECT_TRUE(hb.visible);
    EXPECT_EQ(hb.minimum, 0);
    EXPECT_EQ(hb.maximum, 492);
    EXPECT_EQ(hb.length, 1008);
    EXPECT_EQ(hb.smallStep, 10);    // 10.08
    EXPECT_EQ(hb.largeStep, 101);   // 100.8
    EXPECT_EQ(hb.position, 720);    // just below the view
    EXPECT_FALSE(w.scroll(ScrollId::VScroll1).visible);
    EXPECT_GE(w.pic1.backCount, 1);   // the picture goes behind the other controls

    // Exactly the viewport's width: no bar; one pixel more: a bar with maximum 1.
    openImage(makeBitmap(1008, 100, testing::rampPattern, "exact.bmp"));
    EXPECT_FALSE(w.scroll(ScrollId::HScroll1).visible);
    openImage(makeBitmap(1009, 100, testing::rampPattern, "wider.bmp"));
    EXPECT_TRUE(w.scroll(ScrollId::HScroll1).visible);
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).maximum, 1);
    openImage(makeBitmap(100, 720, testing::rampPattern, "tall.bmp"));
    EXPECT_FALSE(w.scroll(ScrollId::VScroll1).visible);
    EXPECT_FALSE(w.scroll(ScrollId::HScroll1).visible);
}

TEST_F(HandlersOpen, verticalBarStepsAreAHundredthAndATenthOfTheView) {
    w.viewportH = 748;   // 748 - 3 x 16 = 700
    formLoad(app);
    openImage(makeBitmap(200, 1000));
    const ScrollBarState& vb = w.scroll(ScrollId::VScroll1);
    EXPECT_TRUE(vb.visible);
    EXPECT_EQ(vb.minimum, 0);
    EXPECT_EQ(vb.maximum, 300);
    EXPECT_EQ(vb.smallStep, 7);
    EXPECT_EQ(vb.largeStep, 70);
    EXPECT_EQ(vb.length, 700);
    EXPECT_EQ(vb.position, 1008);   // just right of the view
    EXPECT_FALSE(w.scroll(ScrollId::HScroll1).visible);

    // Steps are rounded half to even: 10.5 gives 10, 11.5 gives 12.
    w.viewportW = 1066;   // 1050 wide
    formLoad(app);
    openImage(makeBitmap(2000, 10, testing::rampPattern, "wide1.bmp"));
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).smallStep, 10);
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).largeStep, 105);
    w.viewportW = 1166;   // 1150 wide
    formLoad(app);
    openImage(makeBitmap(2000, 10, testing::rampPattern, "wide2.bmp"));
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).smallStep, 12);
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).largeStep, 115);
}

TEST_F(HandlersOpen, scrollHandlersMoveTheSurfaceUnderTheView) {
    openImage(makeBitmap(1500, 1000));
    scrollChange(app, ScrollId::HScroll1, 300);
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).value, 300);
    EXPECT_EQ(w.pic1.left(), -300);
    EXPECT_EQ(w.pic1.top(), 0);
    scrollChange(app, ScrollId::VScroll1, 120);
    EXPECT_EQ(w.pic1.left(), -300);
    EXPECT_EQ(w.pic1.top(), -120);
    EXPECT_EQ(w.pic1.pictureWidth(), 1500);   // the surface keeps its image's size
    EXPECT_EQ(w.pic1.pictureHeight(), 1000);

    // Clicks still arrive in image pixels.
    click(1400, 900);
    EXPECT_EQ(w.text(Ctl::Text1), "1400");
    EXPECT_EQ(app.s.firstX, 1400);

    // The rectified view's bars move the rectified picture only.
    scrollChange(app, ScrollId::HScroll2, 40);
    scrollChange(app, ScrollId::VScroll2, 50);
    EXPECT_EQ(w.pic2.left(), -40);
    EXPECT_EQ(w.pic2.top(), -50);
    EXPECT_EQ(w.pic1.left(), -300);

    // Another large image keeps the values; a small one leaves no live bar and an unmoved picture.
    openImage(makeBitmap(1500, 1000, testing::rampPattern, "other.bmp"));
    EXPECT_EQ(w.scroll(ScrollId::HScroll1).value, 300);
    EXPECT_EQ(w.pic1.left(), -300);
    EXPECT_EQ(w.pic1.top(), -120);
    openImage(makeBitmap(200, 100, testing::rampPattern, "small.bmp"));
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2})
        EXPECT_FALSE(w.scroll(id).visible);
    EXPECT_EQ(w.pic1.left(), 0);
    EXPECT_EQ(w.pic1.top(), 0);
}

TEST_F(HandlersOpen, anImageOpenedAfterARectificationShowsNoBarOfTheRectifiedView) {
    w.viewportW = 400;   // a small screen: 384 x 252 for the views
    w.viewportH = 300;
    formLoad(app);
    openFacadeWithLines();
    markArea(200, 100, 700, 600);
    RADDR1(app);
    ASSERT_TRUE(w.pic2.visible());
    ASSERT_TRUE(w.scroll(ScrollId::HScroll2).visible || w.scroll(ScrollId::VScroll2).visible);

    openImage(makeBitmap(200, 100, testing::rampPattern, "small.bmp"));
    EXPECT_FALSE(w.pic2.visible());
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2})
        EXPECT_FALSE(w.scroll(id).visible);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_EQ(w.text(Ctl::Label1), "Immagine sorgente");
    EXPECT_EQ(w.text(Ctl::cancella), "Canc.");
    EXPECT_EQ(w.text(Ctl::RADDRIZZA), "Raddrizza");
}

TEST_F(HandlersOpen, aCancelledDialogOnlyReadsTheScrollBarSize) {
    openWithWork();
    w.scrollBarSizePx = 20;
    const std::string before = snapshot();
    const std::int16_t oldBar = app.s.scrollBarSize;

    openClick(app);   // the dialog returns an empty name
    EXPECT_EQ(app.s.scrollBarSize, 20);
    app.s.scrollBarSize = oldBar;
    EXPECT_EQ(snapshot(), before);

    w.scrollBarSizePx = 16;
    openImage("*.bmp");
    EXPECT_EQ(app.s.scrollBarSize, 16);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.openDirs.size(), 3u);
}

TEST_F(HandlersOpen, aRefusedFileLeavesTheOpenImageAndItsWorkAsTheyWere) {
    openWithWork();
    const std::string before = snapshot();
    const std::string refused[] = {std::string(BMPSUITE_DIR) + "/b/badrle.bmp",
                                   std::string(BMPSUITE_DIR) + "/b/shortfile.bmp",
                                   (dir / "missing.bmp").string()};
    std::size_t shown = 0;
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        openImage(path);
        ASSERT_EQ(w.messages.size(), ++shown);
        const ShownMessage& m = w.messages.back();
        EXPECT_EQ(m.icon, Icon::Critical);
        EXPECT_EQ(m.title, "FILE NON ACCETTATO");
        EXPECT_EQ(m.text.rfind("Impossibile aprire il file \"" + path + "\".\n", 0), 0u) << m.text;
        EXPECT_GT(m.text.size(), path.size() + 32);   // with the reason
        EXPECT_EQ(snapshot(), before);
    }

    // A file the picture loader cannot decode is refused the same way.
    const std::string good = makeBitmap(320, 200, testing::rampPattern, "undecodable.bmp");
    w.pic1.failNextLoad = true;
    openImage(good);
    ASSERT_EQ(w.messages.size(), ++shown);
    EXPECT_NE(w.messages.back().text.find("formato non riconosciuto"), std::string::npos);
    EXPECT_EQ(snapshot(), before);

    // The next pending click still completes the line begun before the refusals.
    click(300, 200);
    EXPECT_EQ(app.s.lineCount, 3);
    EXPECT_EQ(app.s.lineEnds[3][1], 200);
}

// A picture loader that decodes one file to another size than its header gives.
class MisreadingSurface : public RecordingSurface {
public:
    std::string misread;
    int pictureWidth() const override { return RecordingSurface::pictureWidth() + (loadedPath == misread ? 1 : 0); }
};

class MisreadingWindow : public RecordingWindow {
public:
    Surface& picture(Pic p) override { return p == Pic::Picture1 ? static_cast<Surface&>(shown) : pic2; }
    MisreadingSurface shown;
};

TEST(HandlersOpenMismatch, aPictureOfAnotherSizeIsRefusedAndThePreviousOneComesBack) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("velta-open-mismatch-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    MisreadingWindow w;
    App app(w, dir.string());
    formLoad(app);
    auto make = [&](const char* name, int width, int height) {
        const std::string path = (dir / name).string();
        testing::writePlainBitmap(path, width, height, [](int, int) { return std::uint8_t{0}; });
        return path;
    };
    const std::string first = make("first.bmp", 640, 480), second = make("second.bmp", 300, 200);
    w.shown.misread = second;

    w.openAnswers.push_back(first);
    openClick(app);
    ASSERT_TRUE(w.messages.empty());
    w.openAnswers.push_back(second);
    openClick(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_EQ(w.shown.loadedPath, first);
    EXPECT_EQ(w.shown.pictureWidth(), 640);
    EXPECT_EQ(w.shown.pictureHeight(), 480);
    EXPECT_EQ(app.s.imageWidth, 640);
    EXPECT_EQ(app.s.image.sourceFileName, first);
    EXPECT_EQ(w.title(), "Raddrizzamento di   ' " + first + " '");

    // With no image open before, the refused picture is not left on show.
    MisreadingWindow w2;
    App app2(w2, dir.string());
    formLoad(app2);
    w2.shown.misread = second;
    w2.openAnswers.push_back(second);
    openClick(app2);
    ASSERT_EQ(w2.messages.size(), 1u);
    EXPECT_FALSE(w2.shown.visible());
    EXPECT_EQ(app2.s.imageWidth, 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velta

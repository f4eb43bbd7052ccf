// The zoom window: opening beside the main window with the picture stretched at 10 twips per
// image pixel, zoom steps and scrolling, closing and loading again, the grid, the fit, and each
// of its events running one handler.
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <array>
#include <memory>

#include "bitmap/writer.h"
#include "input/app.h"
#include "state/picture.h"
#include "ui/qt/main_window.h"
#include "ui/qt/picture_view.h"
#include "ui/qt/spin_arrows.h"
#include "ui/qt/zoom_view.h"
#include "widget_testutils.h"

using namespace velta;
using velta::qt::MainWindow;
using velta::qt::ZoomView;

namespace {

using Log = std::vector<QString>;

constexpr QRgb gridColour = 0xFF004040u;  // 0x404000 in the 0x00BBGGRR form

// A 300 x 200 picture in three upright bands (red, green, blue from the left), each darker from
// row 100 down: a picture stretched by 2/3 and one shown 1:1 differ at most places.
QRgb bandColour(int x, int y) {
    const int level = y < 100 ? 255 : 128;
    const int band = x / 100;
    return qRgb(band == 0 ? level : 0, band == 1 ? level : 0, band == 2 ? level : 0);
}

std::string writeBands(const QString& dir) {
    std::array<std::uint8_t, 1024> palette{};
    std::vector<RowRecord> rows(200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const auto index = static_cast<std::uint8_t>(x / 100 + (y < 100 ? 0 : 3));
            const QRgb c = bandColour(x, y);
            const std::size_t at = 4 * std::size_t{index};
            palette[at] = static_cast<std::uint8_t>(qBlue(c));
            palette[at + 1] = static_cast<std::uint8_t>(qGreen(c));
            palette[at + 2] = static_cast<std::uint8_t>(qRed(c));
            rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = index;
        }
    const std::string path = dir.toStdString() + "/bands.bmp";
    std::string error;
    return bitmap::writeBitmap(path, velta::testing::plainHeader(), palette, 300, rows, error) ? path : "";
}

// The main window with the 300 x 200 picture in Picture1 and no rectification yet.
struct Rig {
    explicit Rig(bool withPicture = true)
        : window(qt::MainWindowOptions{QSize(1000, 700), 16, 15.0}), app(window.model(), dir.path().toStdString()) {
        window.setDialogs(std::make_unique<ScriptedDialogs>());
        window.attach(app);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!withPicture) return;
        std::string error;
        QVERIFY(window.view(Pic::Picture1).loadPicture(writeBands(dir.path()), error));
        app.s.imageWidth = 300;
        app.s.imageHeight = 200;
    }
    void zoo() { QTest::mouseClick(window.widget(Ctl::zoo), Qt::LeftButton); }
    ZoomView& z() { return window.zoomView(); }
    // Clicks through the zoom window, so that the real hit test picks the widget.
    void clickZoomAt(QPoint p, bool twice = false) {
        if (twice)
            QTest::mouseDClick(z().windowHandle(), Qt::LeftButton, {}, p);
        else
            QTest::mouseClick(z().windowHandle(), Qt::LeftButton, {}, p);
    }
    // A resize as the user makes it, by the window's edge.
    void userResize(QSize s) {
        z().resize(s);
        QTRY_COMPARE(z().size(), s);
    }
    QRgb shown(QPoint p) { return z().grab().toImage().pixel(p); }
    QRgb shownPicture(QPoint p) { return z().image()->grab().toImage().pixel(p); }

    QTemporaryDir dir;
    MainWindow window;
    App app;
};

int px(double twips) {
    return static_cast<int>(std::lround(twips / 15));
}

// A colour photograph of 6000 x 4000 pixels in blocks of 10 x 10, each of its own colour: red
// and green count the blocks across and down, blue their hundreds of 256.
QRgb blockColour(int bx, int by) {
    return qRgb(bx & 0xFF, by & 0xFF, ((bx >> 8) << 4) | (by >> 8));
}

velta::Picture colourBlocks() {
    velta::Picture p = velta::Picture::allocate(6000, 4000);
    for (int y = 0; y < p.height; ++y) {
        std::uint32_t* row = p.row(y);
        for (int x = 0; x < p.width; ++x) row[x] = blockColour(x / 10, y / 10);
    }
    return p;
}

// The peak of this process's resident memory, in kilobytes (0 where it cannot be read).
long peakMemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

}  // namespace

class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void zooOpensANonModalWindowBesideTheMainOneWithThePictureStretched();
    void arrowsStepTheZoomAndTheBarsScrollThePicture();
    void closingUnloadsAndTheNextZooClickLoadsAgain();
    void theGridIsDrawnOnlyOnceARectificationExistsAndGoesWithTheNextStep();
    void aReleaseOutsideThePictureFitsTheWindowAndOneOnItDoesNot();
    void everyZoomEventRunsItsOneHandlerAndModelChangesRunNone();
    void withoutAPictureTheWindowOpensEmptyAndTakesEveryEvent();
    void aColourPictureAtEightTimesShowsItsFarCornerWithoutAScaledCopy();
};

void ZoomTest::zooOpensANonModalWindowBesideTheMainOneWithThePictureStretched() {
    Rig r;
    // A mark on the main view is not part of the picture the zoom window copies.
    r.window.view(Pic::Picture1).line(0, 30, 299, 30, Color{0xFFFFFF});
    r.zoo();
    ZoomView& z = r.z();
    QVERIFY(QTest::qWaitForWindowExposed(&z));
    QVERIFY(z.isWindow());
    QCOMPARE(z.windowTitle(), QString("Zoom"));
    QCOMPARE(z.parentWidget(), &r.window);
    QCOMPARE(z.windowModality(), Qt::NonModal);
    QVERIFY(r.window.isVisible() && r.window.isEnabled());
    QCOMPARE(z.pos(), QPoint(px(11080), px(1100)));

    // 10 twips per image pixel: 3000 x 2000 twips, 200 x 133 pixels at 15 twips per pixel.
    QCOMPARE(z.imageWidth(), 3000.0);
    QCOMPARE(z.imageHeight(), 2000.0);
    QCOMPARE(z.image()->geometry(), QRect(0, 0, 200, 133));
    // The window's own area is the outer size less the caption.
    QCOMPARE(z.size(), QSize(px(z.width()), px(z.height() - ZoomView::captionTwips)));

    // Stretched by 3/2: shown column 140 is image column 210 (blue), not 140 (green); shown
    // row 80 is image row 120 (dark).
    QCOMPARE(r.shownPicture({60, 40}), bandColour(90, 60));
    QCOMPARE(r.shownPicture({140, 40}), bandColour(210, 60));
    QCOMPARE(r.shownPicture({100, 80}), bandColour(150, 120));
    QCOMPARE(r.shownPicture({150, 20}), bandColour(225, 30));  // the mark's row, without it
}

void ZoomTest::arrowsStepTheZoomAndTheBarsScrollThePicture() {
    Rig r;
    r.zoo();
    ZoomView& z = r.z();
    QTest::mouseClick(z.spin()->downButton(), Qt::LeftButton);
    QCOMPARE(r.app.s.zoomPercent, std::int16_t{90});
    QCOMPARE(z.image()->size(), QSize(px(3000 / 0.9), px(2000 / 0.9)));

    // The window is narrower than the picture; its height leaves nothing to scroll, and the
    // negative range of the model shows as an empty one.
    QVERIFY(z.hScroll()->maximum() > 300);
    QVERIFY(z.vBar().maximum < 0);
    QCOMPARE(z.vScroll()->maximum(), 0);

    z.hScroll()->setValue(300);
    QCOMPARE(r.app.s.zoomHPos, std::int16_t{300});
    QCOMPARE(z.image()->pos(), QPoint(-20, 0));

    QTest::mouseClick(z.spin()->upButton(), Qt::LeftButton);
    QCOMPARE(r.app.s.zoomPercent, std::int16_t{110});
    QCOMPARE(z.image()->width(), px(3000 / 0.9 / 1.1));
    // The position keeps its share of the new range, and bar and picture agree on it.
    QCOMPARE(z.hScroll()->value(), int{r.app.s.zoomHPos});
    QCOMPARE(z.image()->x(), -px(r.app.s.zoomHPos));
}

void ZoomTest::closingUnloadsAndTheNextZooClickLoadsAgain() {
    Rig r;
    r.zoo();
    ZoomView& z = r.z();
    QTest::mouseClick(z.spin()->downButton(), Qt::LeftButton);
    z.hScroll()->setValue(300);
    r.userResize({150, 100});
    QVERIFY(z.close());
    QVERIFY(!z.loaded());
    QVERIFY(!z.isVisible());
    QVERIFY(r.window.isVisible());

    r.zoo();
    QVERIFY(z.loaded());
    QVERIFY(z.isVisible());
    // Loaded from the design values again: the grid ratio comes from the design width of the
    // image area, the picture is back at 10 twips per pixel, the bars at 0.
    QCOMPARE(r.app.s.gridRatio, 1935.0f / 300.0f);
    QCOMPARE(z.image()->geometry(), QRect(0, 0, 200, 133));
    QCOMPARE(z.hScroll()->value(), 0);
    QCOMPARE(z.pos(), QPoint(px(11080), px(1100)));
    // The zoom step lives in the working state and survives.
    QCOMPARE(r.app.s.zoomPercent, std::int16_t{90});
    QCOMPARE(r.app.s.zoomDir, std::int16_t{-1});
}

void ZoomTest::theGridIsDrawnOnlyOnceARectificationExistsAndGoesWithTheNextStep() {
    Rig r;
    r.zoo();
    ZoomView& z = r.z();
    QTest::mouseClick(z.spin()->downButton(), Qt::LeftButton);  // factor 0.9
    r.userResize({300, 250});
    // The picture's part of the window (the arrows and bars show whether the window is active).
    const QRect picture(20, 20, 180, 110);
    const QImage before = z.grab(picture).toImage();
    r.clickZoomAt({50, 50}, true);
    QCOMPARE(z.grab(picture).toImage(), before);

    // A rectified 300 x 200 picture, all white.
    QImage white(300, 200, QImage::Format_RGB32);
    white.fill(Qt::white);
    r.window.view(Pic::Picture2).setPicture(white);
    r.app.s.raddrCount = 1;
    r.app.s.rectViewWidth = 300;
    r.app.s.rectViewHeight = 200;
    r.zoo();
    QCOMPARE(z.image()->geometry(), QRect(0, 0, 200, 133));
    QCOMPARE(r.shown({140, 40}), 0xFFFFFFFFu);

    // Spacing 200 * (1935 / 300) / 0.9 = 1433.3 twips: lines at 95.6 and 191.1 pixels, both ways.
    r.clickZoomAt({50, 50}, true);
    QCOMPARE(r.shown({96, 50}), gridColour);
    QCOMPARE(r.shown({191, 120}), gridColour);
    QCOMPARE(r.shown({50, 96}), gridColour);
    QCOMPARE(r.shown({95, 50}), 0xFFFFFFFFu);
    QCOMPARE(r.shown({97, 50}), 0xFFFFFFFFu);
    // Drawn on the window, not the picture: past the picture's right edge (200 x 133 pixels)
    // the horizontal line does not go on, the vertical one does not reach below it.
    QVERIFY(r.shown({250, 96}) != gridColour);
    QVERIFY(r.shown({96, 200}) != gridColour);

    QTest::mouseClick(z.spin()->downButton(), Qt::LeftButton);
    QCOMPARE(r.shown({96, 50}), 0xFFFFFFFFu);
}

void ZoomTest::aReleaseOutsideThePictureFitsTheWindowAndOneOnItDoesNot() {
    Rig r;
    r.zoo();
    ZoomView& z = r.z();
    r.userResize({400, 300});
    QCOMPARE(z.width(), 6000.0);
    QCOMPARE(z.height(), 4500.0 + ZoomView::captionTwips);
    QCOMPARE(z.hBar().length, 6000.0);  // the resize handler ran

    r.clickZoomAt({100, 60});  // on the picture
    QCOMPARE(z.size(), QSize(400, 300));

    r.clickZoomAt({350, 250});  // beside it: the window takes the picture's size
    QCOMPARE(z.width(), 3000.0);
    QCOMPARE(z.height(), 2000.0 + ZoomView::captionTwips);
    QCOMPARE(z.size(), z.image()->size());
    QCOMPARE(z.vBar().length, 2000.0 + 2 * ZoomView::captionTwips);
}

void ZoomTest::everyZoomEventRunsItsOneHandlerAndModelChangesRunNone() {
    Rig r;
    Log log;
    // The zoom window's events are recorded; the main window's run as usual.
    r.window.setDispatch([&log](App& a, const Event& e) {
        switch (e.command) {
        case Command::zoomHScrollChange:
        case Command::zoomVScrollChange: log.push_back(QString("%1 %2").arg(commandName(e.command)).arg(e.value)); return;
        case Command::zoomFormResize:
        case Command::zoomFormMouseUp:
        case Command::zoomSpinDown:
        case Command::zoomSpinUp:
        case Command::zoomImageDblClick: log.push_back(commandName(e.command)); return;
        default: dispatch(a, e);
        }
    });

    r.zoo();  // the new window takes the picture's size: one resize
    QCOMPARE(log, Log{"zoomFormResize"});
    log.clear();
    ZoomView& z = r.z();
    z.setHBar({2000, 0, 3000});
    z.setVBar({1000, 0, 2000});
    z.setImagePosition(-15, -15);
    QVERIFY(log.empty());

    QTest::mouseClick(z.spin()->downButton(), Qt::LeftButton);
    QTest::mouseClick(z.spin()->upButton(), Qt::LeftButton);
    z.hScroll()->setValue(150);
    z.vScroll()->setValue(45);
    r.clickZoomAt({60, 60}, true);
    r.userResize({400, 300});
    r.clickZoomAt({350, 250});
    const Log expected{"zoomSpinDown",      "zoomSpinUp",     "zoomHScrollChange 150", "zoomVScrollChange 45",
                       "zoomImageDblClick", "zoomFormResize", "zoomFormMouseUp"};
    QCOMPARE(log, expected);
}

void ZoomTest::withoutAPictureTheWindowOpensEmptyAndTakesEveryEvent() {
    Rig r(false);
    r.app.s.raddrCount = 1;  // a rectification of no size, with nothing in Picture2
    r.zoo();
    ZoomView& z = r.z();
    QVERIFY(z.isVisible());
    QCOMPARE(z.image()->size(), QSize(0, 0));
    QVERIFY(!z.size().isEmpty());
    QTest::mouseClick(z.spin()->downButton(), Qt::LeftButton);
    QTest::mouseClick(z.spin()->upButton(), Qt::LeftButton);
    r.clickZoomAt({0, 0}, true);
    r.clickZoomAt({0, 0});
    r.zoo();
    QVERIFY(z.loaded());
}

void ZoomTest::aColourPictureAtEightTimesShowsItsFarCornerWithoutAScaledCopy() {
    Rig r(false);
    r.app.s.image.road = Road::colour;
    std::string error;
    QVERIFY(r.window.view(Pic::Picture1).showPicture(colourBlocks(), error));
    r.app.s.imageWidth = 6000;
    r.app.s.imageHeight = 4000;
    r.zoo();
    ZoomView& z = r.z();
    // The zoom window shares the view's picture rather than copying it.
    QCOMPARE(z.picture().cacheKey(), r.window.view(Pic::Picture1).picture().cacheKey());
    r.userResize({400, 300});
    const long before = peakMemoryKb();

    // Larger by 0.9 ... 0.5, one step smaller, then 0.9, 0.8, 0.7: 7.95 times the picture.
    auto click = [&z](QWidget* button, int times) {
        for (int i = 0; i < times; ++i) QTest::mouseClick(button, Qt::LeftButton);
    };
    click(z.spin()->downButton(), 5);
    click(z.spin()->upButton(), 1);
    click(z.spin()->downButton(), 3);
    const double scale = z.image()->width() / 6000.0;
    QVERIFY(scale > 7.9 && scale <= 8);
    QVERIFY(z.hScroll()->maximum() > 700000);  // twips, beyond 16 bits
    QCOMPARE(z.hScroll()->maximum(), z.hBar().maximum);

    z.hScroll()->setValue(z.hScroll()->maximum());
    z.vScroll()->setValue(z.vScroll()->maximum());
    QCOMPARE(z.hScroll()->value(), int{r.app.s.zoomHPos});
    const int lastColumn = z.image()->x() + z.image()->width() - 1;  // the picture's, at the window's edge
    QVERIFY(std::abs(lastColumn - (z.size().width() - 1)) <= 1);
    const QImage shown = z.grab().toImage();
    // The centre of block (bx, by) where the window shows it.
    auto at = [&z, scale](int bx, int by) {
        return z.image()->pos() + QPoint(static_cast<int>((bx * 10 + 5) * scale), static_cast<int>((by * 10 + 5) * scale));
    };
    for (const QPoint& b : {QPoint(599, 396), QPoint(598, 397), QPoint(597, 396)}) {
        const QPoint p = at(b.x(), b.y());
        QVERIFY(shown.rect().contains(p));
        QCOMPARE(shown.pixel(p), blockColour(b.x(), b.y()));
    }
    QCOMPARE(shown.pixel(std::min(lastColumn, shown.width() - 1), at(599, 396).y()), blockColour(599, 396));

    // Scrolled back to the near corner: block (1, 2) lies beyond the bars and the arrows.
    z.hScroll()->setValue(0);
    z.vScroll()->setValue(0);
    QCOMPARE(z.grab().toImage().pixel(at(1, 2)), blockColour(1, 2));
    // Drawn from the picture part by part: the whole at this size would be 6 GB.
    if (before > 0) QVERIFY2(peakMemoryKb() - before < 256 * 1024, "painting made a scaled copy");

    // A tenth of its size: drawn from a reduction by averaging, still in its place.
    for (int i = 0; i < 20 && z.image()->width() > 600; ++i) QTest::mouseClick(z.spin()->upButton(), Qt::LeftButton);
    QVERIFY(z.image()->width() <= 600 && z.image()->width() > 300);
    const QImage small = z.grab().toImage();
    const QPoint p = z.image()->pos() + QPoint(z.image()->width() / 2, z.image()->height() / 2);  // block (300, 200)
    QVERIFY(std::abs(qRed(small.pixel(p)) - (300 & 0xFF)) <= 3);
    QVERIFY(std::abs(qGreen(small.pixel(p)) - 200) <= 3);
}

QTEST_MAIN(ZoomTest)
#include "zoom_test.moc"

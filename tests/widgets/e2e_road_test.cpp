// The road of one photograph through the real main window: open the sample façade, mark its
// four edges, move the centre and put it back, mark an area, draw the grid, step the output size
// up and down, rectify, measure two pairs, save, go back to the source, rectify a second area,
// and look at the pictures in the zoom window beside the main one. Every step is checked on the widgets the user sees,
// and the saved bitmap is checked against the façade that the sample camera photographed: its frame straight and in
// proportion, its windows square and in straight rows and columns.
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <vector>

#include "bitmap/reader.h"
#include "sample/facade.h"
#include "ui/qt/zoom_view.h"
#include "util/little_endian.h"
#include "widget_testutils.h"

using namespace velta;
using e2e::Rig;
using namespace e2e;
using velta::testing::readFile;
using sample::ImagePoint;
using sample::Material;

namespace {

// ---- where to click -------------------------------------------------------------------------

// The whole pixel nearest to the segment a-b, among the points of it at fractions lo..hi: a click
// there lies on the edge as closely as a mouse can.
QPoint pixelOnEdge(ImagePoint a, ImagePoint b, double lo, double hi) {
    QPoint best;
    double bestOff = 1e9;
    for (int i = 0; i <= 400; ++i) {
        const double t = lo + (hi - lo) * i / 400;
        const double x = a.x + t * (b.x - a.x), y = a.y + t * (b.y - a.y);
        const QPoint p(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
        // Distance of the pixel from the line a-b.
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const double off = std::fabs((b.x - a.x) * (a.y - p.y()) - (a.x - p.x()) * (b.y - a.y)) / len;
        if (off < bestOff) bestOff = off, best = p;
    }
    return best;
}

struct Edge {
    QPoint from, to;
};

// The façade's top, bottom, left and right edges, each clicked near its two ends.
std::array<Edge, 4> facadeEdges() {
    const sample::Quad& f = sample::facadeGeometry().facade;
    auto edge = [](ImagePoint a, ImagePoint b) {
        return Edge{pixelOnEdge(a, b, 0.03, 0.12), pixelOnEdge(a, b, 0.88, 0.97)};
    };
    return {edge(f.topLeft, f.topRight), edge(f.bottomLeft, f.bottomRight), edge(f.bottomLeft, f.topLeft),
            edge(f.bottomRight, f.topRight)};
}

// A number as the locale form writes it with a decimal comma, read back.
double commaNumber(const QString& text) {
    return QString(text).replace(',', '.').toDouble();
}

}  // namespace

class RoadTest : public QObject {
    Q_OBJECT
private slots:
    void roadOfOnePhotograph();

private:
    void startsWithOnlyOpenUsable(Rig& r);
    void opensTheSample(Rig& r);
    void marksTheFourEdges(Rig& r);
    void movesTheCentreAndPutsItBack(Rig& r);
    void marksAnAreaAndDrawsTheGrid(Rig& r);
    void stepsTheOutputSizeUpAndDown(Rig& r);
    void rectifies(Rig& r);
    void measuresTwoPairs(Rig& r);
    void saves(Rig& r);
    void goesBackAndRectifiesASecondArea(Rig& r);
    void showsTheZoomWindowBesideIt(Rig& r);
    void checkSavedFacade(const std::string& path, int expectWindows, bool wholeFacade);

    double disFirst = 0;    // the principal distance of the construction about the true centre
    int widthWithArea = 0;  // the rectified width of the first area at step 1.0
    std::vector<std::uint8_t> savedFirst;
};

void RoadTest::roadOfOnePhotograph() {
    Rig r;
    QVERIFY(r.ready);
    startsWithOnlyOpenUsable(r);
    if (QTest::currentTestFailed()) return;
    opensTheSample(r);
    if (QTest::currentTestFailed()) return;
    marksTheFourEdges(r);
    if (QTest::currentTestFailed()) return;
    movesTheCentreAndPutsItBack(r);
    if (QTest::currentTestFailed()) return;
    marksAnAreaAndDrawsTheGrid(r);
    if (QTest::currentTestFailed()) return;
    stepsTheOutputSizeUpAndDown(r);
    if (QTest::currentTestFailed()) return;
    rectifies(r);
    if (QTest::currentTestFailed()) return;
    measuresTwoPairs(r);
    if (QTest::currentTestFailed()) return;
    saves(r);
    if (QTest::currentTestFailed()) return;
    goesBackAndRectifiesASecondArea(r);
    if (QTest::currentTestFailed()) return;
    showsTheZoomWindowBesideIt(r);
}

void RoadTest::startsWithOnlyOpenUsable(Rig& r) {
    QCOMPARE(r.window.windowTitle(), QString("VELTA 3.04"));
    QCOMPARE(r.prompt(), QString("Caricare un'immagine "));
    QVERIFY(r.usable(Ctl::open));
    for (Ctl c : {Ctl::save, Ctl::start, Ctl::altra, Ctl::canc, Ctl::centro1, Ctl::area, Ctl::griglia2, Ctl::print,
                  Ctl::RADDRIZZA, Ctl::CENTRO, Ctl::cancella, Ctl::GRIGLIA, Ctl::RETTANG})
        QVERIFY2(!r.usable(c), controlName(c));
    for (Ctl c : {Ctl::misura, Ctl::zoo, Ctl::Text3, Ctl::Text4, Ctl::GRANDEZZA}) QVERIFY2(!r.shown(c), controlName(c));
    // Keys of disabled entries do nothing.
    r.key(Qt::Key_F6);
    r.key(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(r.prompt(), QString("Caricare un'immagine "));
}

void RoadTest::opensTheSample(Rig& r) {
    std::string err;
    QVERIFY2(sample::ensureSampleFacade(r.app.dataDir, err), err.c_str());
    const std::string sample = r.path(sample::sampleFileName());
    r.dialogs->openNames.push_back(sample);
    r.key(Qt::Key_F2);
    QCOMPARE(r.dialogs->openDirs, std::vector<std::string>{r.app.dataDir});
    QVERIFY(r.dialogs->messages.empty());

    QCOMPARE(r.window.windowTitle(), QString::fromStdString("Raddrizzamento di   ' " + sample + " '"));
    QCOMPARE(r.prompt(), QString("Definire due rette orizz."));
    const sample::Camera& cam = sample::facadeCamera();
    QVERIFY(r.view(Pic::Picture1).isVisible());
    QVERIFY(!r.view(Pic::Picture2).isVisible());
    QCOMPARE(r.view(Pic::Picture1).size(), QSize(cam.width, cam.height));
    QCOMPARE(r.view(Pic::Picture1).pos(), QPoint(0, 0));
    QCOMPARE(r.box(Ctl::tfuox), QString(" 958 x"));
    QCOMPARE(r.box(Ctl::tfuoy), QString(" 678 y"));
    QCOMPARE(r.box(Ctl::tfuvx), QString("fuvx"));
    QCOMPARE(r.box(Ctl::tfuvy), QString(""));
    QCOMPARE(r.box(Ctl::Text6_1), QString("m1"));
    QCOMPARE(r.box(Ctl::Text6_4), QString("m4"));
    QCOMPARE(r.label(Ctl::Label4)->text(), QString("Immagine sorgente"));
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Raddrizza"));
    QCOMPARE(r.caption(Ctl::cancella), QString("Canc."));
    for (Ctl c : {Ctl::open, Ctl::save, Ctl::canc, Ctl::print, Ctl::zoo}) QVERIFY2(r.usable(c), controlName(c));
    for (Ctl c :
         {Ctl::start, Ctl::centro1, Ctl::area, Ctl::griglia2, Ctl::RADDRIZZA, Ctl::CENTRO, Ctl::GRIGLIA, Ctl::RETTANG})
        QVERIFY2(!r.usable(c), controlName(c));
    for (Ctl c : {Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA}) QVERIFY2(r.shown(c), controlName(c));
    QVERIFY(!r.shown(Ctl::Text3));
    // The picture fits the views: no scroll bars.
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2})
        QVERIFY(!r.window.scrollBar(id)->isVisible());
    // The default centre is marked by a red cross through the whole picture.
    const QImage& canvas = r.view(Pic::Picture1).canvas();
    QCOMPARE(canvas.pixel(cam.width / 2, 5), qRgb(255, 0, 0));
    QCOMPARE(canvas.pixel(5, cam.height / 2), qRgb(255, 0, 0));
}

void RoadTest::marksTheFourEdges(Rig& r) {
    const QImage original =
        QImage(QString::fromStdString(r.path(sample::sampleFileName()))).convertToFormat(QImage::Format_RGB32);
    const std::array<Edge, 4> edges = facadeEdges();
    const char* next[] = {"Definire la 2°retta orizz.", "Definire la 1° retta vertic.", "Definire la 2° retta vertic."};
    for (int n = 0; n < 4; ++n) {
        const Edge& e = edges[static_cast<std::size_t>(n)];
        r.clickImage(Pic::Picture1, e.from);
        QCOMPARE(r.box(Ctl::tfuox), QString::number(e.from.x()));
        QCOMPARE(r.box(Ctl::tfuoy), QString::number(e.from.y()));
        QCOMPARE(r.box(Ctl::tfuvx), QString());
        const QPoint half = (e.from + e.to) / 2;
        r.travel(Pic::Picture1, e.from, half);
        QCOMPARE(r.box(Ctl::Text1), QString::number(half.x()));
        QCOMPARE(r.box(Ctl::Text2), QString::number(half.y()));
        if (n == 0) {
            // The rubber band follows the pointer in inverted colours.
            const QImage& canvas = r.view(Pic::Picture1).canvas();
            const QRect span = QRect(e.from, half).normalized();
            int inverted = 0;
            for (int y = span.top(); y <= span.bottom(); ++y)
                for (int x = span.left(); x <= span.right(); ++x)
                    inverted += canvas.pixel(x, y) == (original.pixel(x, y) ^ 0x00FFFFFFu);
            QVERIFY2(inverted >= span.width() * 8 / 10, qPrintable(QString::number(inverted)));
        }
        r.travel(Pic::Picture1, half, e.to);
        r.clickImage(Pic::Picture1, e.to);
        QVERIFY(r.hitOk);
        if (n < 3) {
            QCOMPARE(r.box(Ctl::tfuvx), QString::number(e.to.x()));
            QCOMPARE(r.box(Ctl::tfuvy), QString::number(e.to.y()));
            QCOMPARE(r.prompt(), QString::fromUtf8(next[n]));
            const double angle =
                std::atan(double(e.to.y() - e.from.y()) / (e.to.x() - e.from.x())) * 180 / std::numbers::pi;
            QVERIFY2(std::fabs(commaNumber(r.box(text6(n + 1))) - angle) < 1e-9, qPrintable(r.box(text6(n + 1))));
            QVERIFY(r.usable(Ctl::cancella));
            QVERIFY(!r.usable(Ctl::RADDRIZZA));
        }
    }
    QCOMPARE(r.app.s.lineCount, std::int16_t(4));

    // The release after the fourth line runs the construction: the prompt asks for the grid,
    // and everything that needs the construction is usable.
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    QVERIFY(r.dialogs->messages.empty());
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::CENTRO, Ctl::GRIGLIA, Ctl::RETTANG, Ctl::cancella, Ctl::start, Ctl::area,
                  Ctl::griglia2, Ctl::centro1, Ctl::canc, Ctl::save, Ctl::print, Ctl::GRANDEZZA, Ctl::Text3})
        QVERIFY2(r.usable(c), controlName(c));
    QCOMPARE(r.button(Ctl::RADDRIZZA)->toolTip(), QString(" Inizia l'operazione di raddrizzamento"));
    QCOMPARE(r.box(Ctl::Text3), QString("1"));

    // The vanishing points are those of the camera, up to the clicks' whole pixels.
    const State& s = r.app.s;
    const sample::Camera& cam = sample::facadeCamera();
    const ImagePoint h = *sample::vanishingPoint(cam, 1, 0), v = *sample::vanishingPoint(cam, 0, 1);
    auto near = [&cam](double x, double y, ImagePoint truth) {
        return std::hypot(x - truth.x, y - truth.y) <
               0.03 * std::hypot(truth.x - cam.principalX, truth.y - cam.principalY);
    };
    QVERIFY2(near(s.fuox, s.fuoy, h), qPrintable(QString("H %1 %2").arg(s.fuox).arg(s.fuoy)));
    QVERIFY2(near(s.fuvx, s.fuvy, v), qPrintable(QString("V %1 %2").arg(s.fuvx).arg(s.fuvy)));

    // The parameter boxes: measuring points, far ends and the principal distance, which is the
    // camera's own within a few percent.
    QVERIFY(r.box(Ctl::Text6_1).startsWith("pox"));
    QVERIFY(r.box(Ctl::Text6_2).startsWith("poy"));
    QVERIFY(r.box(Ctl::Text6_3).startsWith("pvx"));
    QVERIFY(r.box(Ctl::tfuvx).startsWith("maxay"));
    QVERIFY(r.box(Ctl::tfuvy).startsWith("maxbx"));
    QVERIFY(r.box(Ctl::Text6_4).startsWith("DIS "));
    disFirst = r.box(Ctl::Text6_4).mid(4).toDouble();
    QVERIFY2(std::fabs(disFirst - cam.focalPx) < 0.03 * cam.focalPx, qPrintable(r.box(Ctl::Text6_4)));
    QCOMPARE(r.box(Ctl::tfuox), QString(" %1 x").arg(s.frame.rectWidth));
    QCOMPARE(r.box(Ctl::tfuoy), QString(" %1 y").arg(s.frame.rectHeight));
    // The construction is drawn over the picture in blue.
    const QImage& canvas = r.view(Pic::Picture1).canvas();
    int blue = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) blue += canvas.pixel(x, y) == qRgb(0, 0, 255);
    QVERIFY(blue > 100);
}

void RoadTest::movesTheCentreAndPutsItBack(Rig& r) {
    const State& s = r.app.s;
    const State before = s;
    const sample::Camera& cam = sample::facadeCamera();

    r.clickButton(Ctl::CENTRO);
    QCOMPARE(s.inputMode, std::int16_t(2));
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    const QPoint moved(cam.width / 2 + 41, cam.height / 2 - 39);
    r.pressImage(Pic::Picture1, moved);
    // The pick wipes the marks and draws the new centre in light cyan.
    QCOMPARE(r.prompt(), QString("Definire due rette vert."));
    const QRgb cyan = r.view(Pic::Picture1).canvas().pixel(moved + QPoint(0, 15));
    QCOMPARE(cyan, qRgb(85, 255, 255));
    r.releaseImage(Pic::Picture1, moved);
    QVERIFY(r.hitOk);
    // The release rebuilds the construction about the new centre.
    QCOMPARE(s.centreX, double(moved.x()));
    QCOMPARE(s.centreY, double(moved.y()));
    QCOMPARE(s.inputMode, std::int16_t(0));
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    QVERIFY(s.frame.principalDistance != before.frame.principalDistance);
    QVERIFY(s.frame.pvx != before.frame.pvx && s.frame.pox != before.frame.pox);
    QVERIFY(r.box(Ctl::Text6_4) != QString("DIS %1").arg(disFirst));
    QVERIFY(r.usable(Ctl::RADDRIZZA));
    QVERIFY(r.dialogs->messages.empty());

    // Back to the principal point by the menu: the same construction as before, to the bit.
    r.key(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(s.inputMode, std::int16_t(2));
    r.clickImage(Pic::Picture1, QPoint(cam.width / 2, cam.height / 2));
    QCOMPARE(s.centreX, before.centreX);
    QCOMPARE(s.centreY, before.centreY);
    QCOMPARE(s.frame.principalDistance, before.frame.principalDistance);
    QCOMPARE(s.frame.pox, before.frame.pox);
    QCOMPARE(s.frame.pvy, before.frame.pvy);
    QCOMPARE(s.frame.rectWidth, before.frame.rectWidth);
    QCOMPARE(s.frame.rectHeight, before.frame.rectHeight);
    QCOMPARE(r.box(Ctl::Text6_4), QString("DIS %1").arg(disFirst));
}

void RoadTest::marksAnAreaAndDrawsTheGrid(Rig& r) {
    const State& s = r.app.s;
    const double defaultWidth = s.frame.rectWidth;
    r.key(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(r.prompt(), QString("Definisci un'area di calcolo"));
    QCOMPARE(s.inputMode, std::int16_t(1));
    QVERIFY(r.usable(Ctl::GRIGLIA));

    // From the lower right to the upper left: corner 1 is the top-left all the same.
    const QPoint lowerRight(940, 665), upperLeft(70, 12);
    r.clickImage(Pic::Picture1, lowerRight);
    QCOMPARE(r.box(Ctl::tfuox), QString("940"));
    QCOMPARE(r.box(Ctl::tfuvx), QString());
    for (int i = 1; i <= 4; ++i) r.moveImage(Pic::Picture1, lowerRight + (upperLeft - lowerRight) * i / 4);
    r.clickImage(Pic::Picture1, upperLeft);
    QVERIFY(r.hitOk);
    QCOMPARE(s.areaCorners[1][1], 70.0);
    QCOMPARE(s.areaCorners[1][2], 12.0);
    QCOMPARE(s.areaCorners[3][1], 940.0);
    QCOMPARE(s.areaCorners[3][2], 665.0);
    // The release rebuilt the construction for the area and drew the grid over it.
    QCOMPARE(r.prompt(), QString("Vuoi raddrizzare ?"));
    QVERIFY(s.frame.rectWidth != defaultWidth);
    QCOMPARE(r.box(Ctl::tfuox), QString(" %1 x").arg(s.frame.rectWidth));
    QVERIFY(r.box(Ctl::Text6_4).startsWith("DIS "));
    const QImage canvas = r.view(Pic::Picture1).canvas();
    QCOMPARE(canvas.pixel(70, 300), qRgb(255, 85, 85));  // the area's outline, light red
    QCOMPARE(canvas.pixel(940, 300), qRgb(255, 85, 85));
    int grey = 0;
    for (int y = 13; y < 665; ++y)
        for (int x = 71; x < 940; ++x) grey += canvas.pixel(x, y) == qRgb(128, 128, 128);
    QVERIFY2(grey > 2000, qPrintable(QString::number(grey)));
    r.snapshot("main-window");

    // The grid again from the menu: the same picture.
    r.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(r.prompt(), QString("Vuoi raddrizzare ?"));
    QCOMPARE(r.view(Pic::Picture1).canvas(), canvas);
    widthWithArea = static_cast<int>(s.frame.rectWidth);
}

void RoadTest::stepsTheOutputSizeUpAndDown(Rig& r) {
    const State& s = r.app.s;
    const double w10 = s.frame.rectWidth, h10 = s.frame.rectHeight;
    r.spinUp();
    QCOMPARE(s.pixelStep, 1.0 + 0.1);
    QCOMPARE(r.box(Ctl::Text3), QString("1,1"));
    // The sizes shrink by the step (both floored from the same lengths).
    QVERIFY(s.frame.rectWidth >= std::floor(w10 / 1.1) && s.frame.rectWidth <= std::floor((w10 + 1) / 1.1));
    QVERIFY(s.frame.rectHeight >= std::floor(h10 / 1.1) && s.frame.rectHeight <= std::floor((h10 + 1) / 1.1));
    QCOMPARE(r.box(Ctl::tfuox), QString(" %1 x").arg(s.frame.rectWidth));
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    r.spinDown();
    QCOMPARE(s.pixelStep, 1.0);
    QCOMPARE(r.box(Ctl::Text3), QString("1"));
    QCOMPARE(s.frame.rectWidth, w10);
    QCOMPARE(s.frame.rectHeight, h10);
    QCOMPARE(r.box(Ctl::tfuox), QString(" %1 x").arg(w10));
    QVERIFY(r.usable(Ctl::RADDRIZZA));
}

void RoadTest::rectifies(Rig& r) {
    const State& s = r.app.s;
    const int width = static_cast<int>(s.frame.rectWidth), height = static_cast<int>(s.frame.rectHeight);
    QVERIFY(width > 0 && width <= 3000);

    // While the rows are computed the window shows the progress, and what would replace or free
    // what the computation uses cannot be reached.
    struct During {
        bool seen = false;
        QString prompt, progress;
        bool progressShown = false, stepShown = true, rectifyShown = true, zoomShown = true, pictureEnabled = true;
        Qt::CursorShape pointer = Qt::ArrowCursor;
        std::vector<Ctl> reachable;
        std::size_t openDialogs = 0;
    } during;
    QTimer::singleShot(0, &r.window, [&] {
        during.seen = true;
        during.prompt = r.prompt();
        during.progress = r.box(Ctl::Text4);
        during.progressShown = r.shown(Ctl::Text4);
        during.stepShown = r.shown(Ctl::Text3);
        during.rectifyShown = r.shown(Ctl::RADDRIZZA);
        during.zoomShown = r.shown(Ctl::zoo);
        during.pictureEnabled = r.view(Pic::Picture1).isEnabled();
        during.pointer = r.view(Pic::Picture1).QWidget::cursor().shape();
        for (Ctl c : {Ctl::open, Ctl::save, Ctl::altra, Ctl::centro1, Ctl::area, Ctl::griglia2, Ctl::GRANDEZZA,
                      Ctl::RETTANG, Ctl::CENTRO, Ctl::GRIGLIA})
            if (r.usable(c)) during.reachable.push_back(c);
        r.key(Qt::Key_F2);
        during.openDialogs = r.dialogs->openDirs.size();
    });
    const std::size_t dialogsBefore = r.dialogs->openDirs.size();
    r.key(Qt::Key_F6);
    QVERIFY(during.seen);
    QCOMPARE(during.prompt, QString("Sto calcolando..."));
    QVERIFY(during.progressShown);
    // A blank, the figure, the percent sign.
    QVERIFY2(QRegularExpression("^ \\d{1,3}%$").match(during.progress).hasMatch(), qPrintable(during.progress));
    QVERIFY(!during.stepShown);
    QVERIFY(!during.rectifyShown);
    QVERIFY(!during.zoomShown);
    QVERIFY(!during.pictureEnabled);
    QCOMPARE(during.pointer, Qt::WaitCursor);
    QVERIFY2(during.reachable.empty(), during.reachable.empty() ? "" : controlName(during.reachable.front()));
    QCOMPARE(during.openDialogs, dialogsBefore);

    // The rectified image takes the source's place.
    QVERIFY(r.dialogs->messages.empty());
    QCOMPARE(r.prompt(), QString("Vuoi misurare ?"));
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Misura"));
    QCOMPARE(r.button(Ctl::RADDRIZZA)->toolTip(), QString(" Stabilisce una scala per le misurazioni dell'immagine"));
    QCOMPARE(r.caption(Ctl::cancella), QString("Altra ?"));
    QCOMPARE(r.label(Ctl::Label1)->text(), QString("Immagine raddrizzata"));
    QVERIFY(r.label(Ctl::Label1)->isVisible());
    QVERIFY(!r.view(Pic::Picture1).isVisible());
    QVERIFY(r.view(Pic::Picture2).isVisible());
    QCOMPARE(r.view(Pic::Picture2).pos(), QPoint(0, 0));
    QCOMPARE(r.view(Pic::Picture2).size(), QSize(width, height));
    QCOMPARE(r.box(Ctl::tfuox), QString(" %1x").arg(width));
    QCOMPARE(r.box(Ctl::tfuoy), QString(" %1y").arg(height));
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::cancella, Ctl::zoo, Ctl::Text3, Ctl::save, Ctl::print, Ctl::altra})
        QVERIFY2(r.usable(c), controlName(c));
    for (Ctl c : {Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA, Ctl::Text4, Ctl::misura})
        QVERIFY2(!r.shown(c), controlName(c));
    for (Ctl c : {Ctl::start, Ctl::centro1, Ctl::canc, Ctl::area, Ctl::griglia2})
        QVERIFY2(!r.usable(c), controlName(c));
    QVERIFY(r.usable(Ctl::open));
    QVERIFY(r.usable(Ctl::GRANDEZZA));
    QCOMPARE(r.view(Pic::Picture1).QWidget::cursor().shape(), Qt::CrossCursor);
    QCOMPARE(r.window.cursor().shape(), Qt::ArrowCursor);

    // The picture is larger than the views: the rectified view scrolls, the source's bars are gone.
    const int availW = 1240 - 16, availH = 760 - 3 * 16;
    QVERIFY(width > availW && height > availH);
    const QScrollBar* vbar = r.window.scrollBar(ScrollId::VScroll2);
    const QScrollBar* hbar = r.window.scrollBar(ScrollId::HScroll2);
    QVERIFY(vbar->isVisible() && hbar->isVisible());
    QCOMPARE(vbar->maximum(), height - availH);
    QCOMPARE(hbar->maximum(), width - availW);
    QCOMPARE(vbar->pageStep(), qRound(availH / 10.0));
    QCOMPARE(hbar->singleStep(), qRound(availW / 100.0));
    QCOMPARE(vbar->geometry(), QRect(availW, 0, 16, availH));
    QCOMPARE(hbar->geometry(), QRect(0, availH, availW, 16));
    QVERIFY(!r.window.scrollBar(ScrollId::VScroll1)->isVisible());
    QVERIFY(!r.window.scrollBar(ScrollId::HScroll1)->isVisible());

    // What is shown is the working file, pixel for pixel in the source's palette.
    const std::string working = r.app.workingFile();
    const int pad = (4 - width % 4) % 4;
    QCOMPARE(QFileInfo(QString::fromStdString(working)).size(), qint64(1078 + height * (width + pad)));
    const bitmap::ReadResult file = bitmap::readBitmapFile(working);
    QVERIFY2(file.ok, file.error.c_str());
    const QImage& shown = r.view(Pic::Picture2).canvas();
    const auto& pal = file.image.bmpPalette;
    int different = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = 4u * file.image.sourceRows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            different += shown.pixel(x, y) != qRgb(pal[i + 2], pal[i + 1], pal[i]);
        }
    QCOMPARE(different, 0);

    // The panel floats over the picture and hides it: its prompt stays readable on any picture.
    QWidget* panel = r.window.widget(Ctl::Frame1);
    const QPoint inPanel(8, panel->height() - 8);  // inside the frame, clear of its controls
    const QPoint onPicture = r.view(Pic::Picture2).mapFrom(&r.window, panel->mapTo(&r.window, inPanel));
    QVERIFY(QRect(QPoint(0, 0), r.view(Pic::Picture2).size()).contains(onPicture));
    const QRgb own = panel->grab().toImage().pixel(inPanel);
    QVERIFY(shown.pixel(onPicture) != own);
    const QImage screen = r.window.grab().toImage();
    QCOMPARE(QColor(screen.pixel(panel->mapTo(&r.window, inPanel))).name(), QColor(own).name());
}

void RoadTest::measuresTwoPairs(Rig& r) {
    // A click before the measurement has begun only repaints.
    r.clickImage(Pic::Picture2, QPoint(100, 100));
    QCOMPARE(r.prompt(), QString("Vuoi misurare ?"));
    QVERIFY(r.dialogs->prompts.empty());

    // Clicks in the tracks scroll the view by large steps, down to the façade and a little to the
    // right; clicks on the picture still report image pixels.
    QScrollBar* vbar = r.window.scrollBar(ScrollId::VScroll2);
    QScrollBar* hbar = r.window.scrollBar(ScrollId::HScroll2);
    for (int i = 0; i < 6; ++i) r.click(vbar, QPoint(vbar->width() / 2, vbar->height() - 40));
    const int down = 6 * vbar->pageStep();
    QCOMPARE(vbar->value(), down);
    QCOMPARE(r.view(Pic::Picture2).pos(), QPoint(0, -down));
    r.snapshot("rectified");
    r.click(hbar, QPoint(hbar->width() - 40, hbar->height() / 2));
    const int across = hbar->pageStep();
    QCOMPARE(hbar->value(), across);
    QCOMPARE(r.view(Pic::Picture2).pos(), QPoint(-across, -down));

    r.clickButton(Ctl::RADDRIZZA);
    QCOMPARE(r.prompt(), QString("Definire due punti"));
    for (Ctl c :
         {Ctl::Text6_1, Ctl::Text6_2, Ctl::Text6_3, Ctl::Text6_4, Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy})
        QCOMPARE(r.box(c), QString());
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Misura"));

    // 200 pixels across are 50 cm, typed with a decimal comma: a quarter of a centimetre a pixel.
    r.dialogs->inputs.push_back(std::string("50,0"));
    r.clickImage(Pic::Picture2, QPoint(200, 700));
    QCOMPARE(r.box(Ctl::tfuox), QString("x1  200"));
    QCOMPARE(r.box(Ctl::tfuoy), QString("y1  700"));
    r.travel(Pic::Picture2, QPoint(200, 700), QPoint(400, 700));
    QCOMPARE(r.box(Ctl::Text1), QString("400"));
    QCOMPARE(r.box(Ctl::Text2), QString("700"));
    r.clickImage(Pic::Picture2, QPoint(400, 700));
    QVERIFY(r.hitOk);
    QCOMPARE(r.dialogs->prompts, std::vector<std::string>{"Inserire la misura in cm."});
    QCOMPARE(r.box(Ctl::Text6_1), QString("d 50"));
    QCOMPARE(r.box(Ctl::Text6_2), QString("dx 50"));
    QCOMPARE(r.box(Ctl::Text6_3), QString("dy 0"));
    QCOMPARE(r.box(Ctl::Text6_4), QString("a 0"));
    QCOMPARE(r.box(Ctl::tfuvx), QString("x2  400"));
    QCOMPARE(r.box(Ctl::tfuvy), QString("y2  700"));
    QCOMPARE(r.prompt(), QString("Altra misura ?"));
    // The segment is drawn in red on the rectified picture.
    QCOMPARE(r.view(Pic::Picture2).canvas().pixel(300, 700), qRgb(255, 0, 0));

    // The second pair keeps the scale: a diagonal rising to the right, 100 pixels each way.
    r.clickImage(Pic::Picture2, QPoint(200, 650));
    QVERIFY(r.view(Pic::Picture2).canvas().pixel(300, 700) != qRgb(255, 0, 0));  // repainted
    r.travel(Pic::Picture2, QPoint(200, 650), QPoint(300, 550));
    r.clickImage(Pic::Picture2, QPoint(300, 550));
    QVERIFY(r.hitOk);
    QCOMPARE(r.dialogs->prompts.size(), std::size_t(1));
    QCOMPARE(r.box(Ctl::Text6_1), QString("d 35.35"));
    QCOMPARE(r.box(Ctl::Text6_2), QString("dx 25"));
    QCOMPARE(r.box(Ctl::Text6_3), QString("dy 25"));
    QCOMPARE(r.box(Ctl::Text6_4), QString("a-45"));
    QCOMPARE(r.prompt(), QString("Altra misura ?"));
    QVERIFY(r.dialogs->messages.empty());

    // Print on a chosen printer, and the help beside the window.
    r.dialogs->printers.push_back(true);
    r.key(Qt::Key_F5);
    QCOMPARE(r.dialogs->printerDialogs, 1);
    QCOMPARE(r.dialogs->printedWindows, 1);
    r.key(Qt::Key_F1);
    QCOMPARE(r.dialogs->helpShown, std::vector<std::string>{r.app.helpFile});
    QCOMPARE(r.prompt(), QString("Altra misura ?"));
}

void RoadTest::saves(Rig& r) {
    const std::string working = r.app.workingFile();
    const std::vector<std::uint8_t> written = readFile(working);
    r.dialogs->saveNames.push_back(r.path("raddrizzata"));
    r.key(Qt::Key_F3);
    QCOMPARE(r.dialogs->saveDirs, std::vector<std::string>{r.app.dataDir});
    QVERIFY(r.dialogs->messages.empty());
    const std::string saved = r.path("raddrizzata.BMP");
    QVERIFY(!QFileInfo::exists(QString::fromStdString(working)));
    QCOMPARE(readFile(saved), written);

    // The header describes the picture: its size fields are true, the rest is the source's.
    const std::vector<std::uint8_t> b = readFile(saved);
    const std::vector<std::uint8_t> src = readFile(r.path(sample::sampleFileName()));
    const auto width = static_cast<std::uint32_t>(r.app.s.frame.rectWidth),
               height = static_cast<std::uint32_t>(r.app.s.frame.rectHeight);
    const std::uint32_t pad = (4 - width % 4) % 4;
    QCOMPARE(b.size(), std::size_t(1078 + height * (width + pad)));
    QCOMPARE(b[0], std::uint8_t('B'));
    QCOMPARE(b[1], std::uint8_t('M'));
    QCOMPARE(le::u32(b, 2), std::uint32_t(b.size()));
    QCOMPARE(le::u32(b, 10), 1078u);
    QCOMPARE(le::u32(b, 14), 40u);
    QCOMPARE(le::u32(b, 18), width);
    QCOMPARE(le::u32(b, 22), height);
    QCOMPARE(le::u16(b, 28), std::uint16_t(8));
    QCOMPARE(le::u32(b, 30), 0u);
    QCOMPARE(le::u32(b, 34), height * (width + pad));
    QVERIFY(std::equal(b.begin() + 54, b.begin() + 1078, src.begin() + 54));
    // Padding bytes are zeros.
    if (pad)
        for (std::uint32_t row = 0; row < height; ++row)
            for (std::uint32_t k = 0; k < pad; ++k)
                QCOMPARE(b[1078 + row * (width + pad) + width + k], std::uint8_t(0));

    checkSavedFacade(saved, 28, true);
    savedFirst = b;

    // Saved once, there is nothing left to save.
    r.key(Qt::Key_F3);
    QCOMPARE(r.dialogs->messages.size(), std::size_t(1));
    QCOMPARE(r.dialogs->messages[0].icon, Icon::Critical);
    QCOMPARE(r.dialogs->saveDirs.size(), std::size_t(1));
    QCOMPARE(readFile(saved), written);
    r.dialogs->messages.clear();
}

void RoadTest::checkSavedFacade(const std::string& path, int expectWindows, bool wholeFacade) {
    const bitmap::ReadResult file = bitmap::readBitmapFile(path);
    QVERIFY2(file.ok, file.error.c_str());
    const MaterialMap pic = materials(file.image);
    const sample::FacadeGeometry& g = sample::facadeGeometry();

    const std::vector<Box> windows = windowBoxes(pic);
    QCOMPARE(int(windows.size()), expectWindows);
    // Each window is square; the larger pane is the lower one (the picture is upright).
    for (const Box& w : windows)
        QVERIFY2(
            std::fabs(w.width() / w.height() - 1) < 0.04,
            qPrintable(QString("window %1 x %2 at %3, %4").arg(w.width()).arg(w.height()).arg(w.cx()).arg(w.cy())));
    const double side = std::accumulate(windows.begin(), windows.end(), 0.0,
                                        [](double a, const Box& w) { return a + w.width() + w.height(); }) /
                        (2.0 * double(windows.size()));

    // Rows and columns are straight and parallel to the picture's sides, at the façade's pitch.
    const std::vector<std::vector<Box>> rows = lines(windows, true), columns = lines(windows, false);
    std::vector<double> pitches;
    for (const auto* group : {&rows, &columns}) {
        const bool isRow = group == &rows;
        for (const std::vector<Box>& line : *group) {
            std::vector<double> across;
            for (const Box& w : line) across.push_back(isRow ? w.cy() : w.cx());
            QVERIFY2(spread(across) <= 2.0,
                     qPrintable(QString("%1 strays %2 px").arg(isRow ? "row" : "column").arg(spread(across))));
        }
        for (std::size_t i = 1; i < group->size(); ++i)
            pitches.push_back(isRow ? (*group)[i][0].cy() - (*group)[i - 1][0].cy()
                                    : (*group)[i][0].cx() - (*group)[i - 1][0].cx());
    }
    // Rows and columns are 3.2 m apart alike; the glass is 1.36 m square.
    const double pitch = std::accumulate(pitches.begin(), pitches.end(), 0.0) / double(pitches.size());
    for (double p : pitches)
        QVERIFY2(std::fabs(p / pitch - 1) < 0.03, qPrintable(QString("pitch %1 of %2").arg(p).arg(pitch)));
    const double glassM = g.windowSizeM - 2 * 0.12;
    QVERIFY2(std::fabs(side / pitch - glassM / 3.2) < 0.03 * glassM / 3.2,
             qPrintable(QString("side %1 pitch %2").arg(side).arg(pitch)));

    if (!wholeFacade) return;
    QCOMPARE(int(rows.size()), g.windowRows);
    QCOMPARE(int(columns.size()), g.windowColumns);
    // The façade's outline: straight edges square to the picture, in the proportion of its sides.
    const Frame f = facadeFrame(pic);
    // The far side of the façade is enlarged about twice: its edge steps by whole source pixels.
    for (const Fit& e : f.edges) {
        QVERIFY2(e.drift <= 2 && e.residual <= 2.5,
                 qPrintable(QString("an edge runs off %1 px, strays %2 px").arg(e.drift).arg(e.residual)));
    }
    const double aspect = double(f.right - f.left + 1) / double(f.bottom - f.top + 1);
    QVERIFY2(std::fabs(aspect / (g.widthM / g.heightM) - 1) < 0.02, qPrintable(QString("aspect %1").arg(aspect)));
    const double metre = double(f.right - f.left + 1) / g.widthM;
    QVERIFY2(std::fabs(pitch / (3.2 * metre) - 1) < 0.03,
             qPrintable(QString("pitch %1 metre %2").arg(pitch).arg(metre)));
}

void RoadTest::goesBackAndRectifiesASecondArea(Rig& r) {
    const State& s = r.app.s;
    // Cancel after the rectification: back to the source, ready for a new area, lines kept.
    r.clickButton(Ctl::cancella);
    QCOMPARE(r.prompt(), QString("Devi definire l'area di calcolo"));
    QCOMPARE(s.inputMode, std::int16_t(1));
    QCOMPARE(s.lineCount, std::int16_t(4));
    QVERIFY(r.view(Pic::Picture1).isVisible());
    QVERIFY(!r.view(Pic::Picture2).isVisible());
    QCOMPARE(r.view(Pic::Picture1).pos(), QPoint(0, 0));
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Raddrizza"));
    QCOMPARE(r.caption(Ctl::cancella), QString("Canc."));
    QCOMPARE(r.label(Ctl::Label1)->text(), QString("Immagine sorgente"));
    for (Ctl c :
         {Ctl::RADDRIZZA, Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA, Ctl::zoo, Ctl::Text3, Ctl::start, Ctl::altra})
        QVERIFY2(r.usable(c), controlName(c));
    QVERIFY(!r.usable(Ctl::save));
    QVERIFY(!r.window.scrollBar(ScrollId::HScroll2)->isVisible());
    QVERIFY(!r.window.scrollBar(ScrollId::VScroll2)->isVisible());
    for (Ctl c : {Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy}) QCOMPARE(r.box(c), QString());

    // A new rectification by the menu changes nothing more.
    r.key(Qt::Key_F7);
    QCOMPARE(r.prompt(), QString("Devi definire l'area di calcolo"));
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Raddrizza"));
    QVERIFY(r.view(Pic::Picture1).isVisible());
    QCOMPARE(s.raddrCount, std::int16_t(0));

    // The left part of the façade, through the area button.
    r.clickButton(Ctl::RETTANG);
    QCOMPARE(r.prompt(), QString("Definisci un'area di calcolo"));
    r.drag(Pic::Picture1, QPoint(70, 12), QPoint(540, 665));
    QVERIFY(r.hitOk);
    QCOMPARE(r.prompt(), QString("Vuoi raddrizzare ?"));
    QVERIFY(s.frame.rectWidth < widthWithArea);
    const int width = static_cast<int>(s.frame.rectWidth), height = static_cast<int>(s.frame.rectHeight);

    r.key(Qt::Key_F6);
    QCOMPARE(r.prompt(), QString("Vuoi misurare ?"));
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Misura"));
    QCOMPARE(r.view(Pic::Picture2).size(), QSize(width, height));
    QVERIFY(r.usable(Ctl::save));

    // Saving under the same name asks first; yes replaces the first picture.
    r.dialogs->saveNames.push_back(r.path("raddrizzata.BMP"));
    r.dialogs->answers.push_back(Answer::Yes);
    r.key(Qt::Key_F3);
    QCOMPARE(r.dialogs->messages.size(), std::size_t(1));
    QCOMPARE(r.dialogs->messages[0].icon, Icon::Question);
    QCOMPARE(r.dialogs->messages[0].buttons, Buttons::YesNo);
    const std::string saved = r.path("raddrizzata.BMP");
    const int pad = (4 - width % 4) % 4;
    QCOMPARE(QFileInfo(QString::fromStdString(saved)).size(), qint64(1078 + height * (width + pad)));
    QVERIFY(readFile(saved) != savedFirst);
    QVERIFY(!QFileInfo::exists(QString::fromStdString(r.app.workingFile())));
    // The windows of the left part: the first columns, square and aligned as before.
    const bitmap::ReadResult file = bitmap::readBitmapFile(saved);
    QVERIFY(file.ok);
    const std::size_t n = windowBoxes(materials(file.image)).size();
    QVERIFY2(n >= 12 && n % 4 == 0, qPrintable(QString::number(n)));
    checkSavedFacade(saved, int(n), false);
}

void RoadTest::showsTheZoomWindowBesideIt(Rig& r) {
    const State& s = r.app.s;
    const double twips = 15;  // per pixel, at the screen the rig pretends to have
    // The rectified image in a window of its own, ten twips a pixel, not blocking the main one.
    r.clickButton(Ctl::zoo);
    qt::ZoomView& z = r.window.zoomView();
    QVERIFY(z.isVisible());
    QVERIFY(z.isWindow());
    QCOMPARE(z.windowModality(), Qt::NonModal);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(z.windowTitle(), QString("Zoom"));
    QCOMPARE(z.imageWidth(), 10.0 * s.rectViewWidth);
    QCOMPARE(z.imageHeight(), 10.0 * s.rectViewHeight);
    QCOMPARE(z.image()->size(), QSize(qRound(z.imageWidth() / twips), qRound(z.imageHeight() / twips)));

    // One step down enlarges the picture by 1 / 0.9.
    const double w = z.imageWidth(), h = z.imageHeight();
    r.click(z.spin()->downButton(), z.spin()->downButton()->rect().center());
    QCOMPARE(s.zoomPercent, std::int16_t(90));
    QVERIFY2(std::fabs(z.imageWidth() - w / 0.9) <= 1 && std::fabs(z.imageHeight() - h / 0.9) <= 1,
             qPrintable(QString("%1 x %2").arg(z.imageWidth()).arg(z.imageHeight())));
    QCOMPARE(z.image()->width(), qRound(z.imageWidth() / twips));

    // Meanwhile the main window goes on: back to the source, which the zoom button then shows.
    r.clickButton(Ctl::cancella);
    QCOMPARE(r.caption(Ctl::RADDRIZZA), QString("Raddrizza"));
    QVERIFY(z.isVisible());
    r.clickButton(Ctl::zoo);
    QCOMPARE(z.imageWidth(), 10.0 * 958);
    QCOMPARE(z.imageHeight(), 10.0 * 678);
    QCOMPARE(r.prompt(), QString("Devi definire l'area di calcolo"));
}

QTEST_MAIN(RoadTest)
#include "e2e_road_test.moc"

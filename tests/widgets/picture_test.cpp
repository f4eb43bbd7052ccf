// The picture surface: drawing modes and pixels, erasing by drawing twice, clipping of far
// figures, loading, and the mouse events it reports.
#include <QDir>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <set>
#include <utility>

#include "ui/qt/picture_view.h"
#include "ui/raster.h"

using velta::Color;
using velta::DrawMode;
using velta::Surface;
using velta::qt::PictureView;

namespace {

// Every pixel different from its neighbours, so a shifted or missed pixel shows.
QImage gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 5) & 255, (y * 7) & 255, ((x + y) * 3) & 255));
    return img;
}

QImage white(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

QRgb at(const PictureView& v, int x, int y) { return v.canvas().pixel(x, y) | 0xFF000000u; }

constexpr QRgb red = 0xFFFF0000u;

}  // namespace

class PictureTest : public QObject {
    Q_OBJECT
private slots:
    void copyModeDrawsAtNearestPixelsInForeOrGivenColour();
    void invertedFigureDrawnTwiceLeavesPictureUnchanged_data();
    void invertedFigureDrawnTwiceLeavesPictureUnchanged();
    void invertedRectangleInvertsEachPixelOnce();
    void refreshDropsMarksAndBlacknessPaintsBlack();
    void farAndInvalidFiguresAreClippedOrSkipped();
    void circleOutlineIsClosed();
    void emptySurfaceIgnoresDrawing();
    void loadsBitmapsAtTheirSizeAndRefusesBrokenOnes();
    void mouseEventsReportButtonShiftAndFlooredPosition();
    void doubleClickGoesToItsHandlerOrCountsAsPress();
    void modelPlacesTheWidget();
};

void PictureTest::copyModeDrawsAtNearestPixelsInForeOrGivenColour() {
    PictureView v;
    v.setPicture(white(40, 30));
    Surface& s = v;
    s.line(2.4, 3.6, 10.4, 3.6);   // rounds to row 4, columns 2..10
    for (int x = 2; x <= 10; ++x) QCOMPARE(at(v, x, 4), red);
    QCOMPARE(at(v, 1, 4), 0xFFFFFFFFu);
    QCOMPARE(at(v, 11, 4), 0xFFFFFFFFu);
    QCOMPARE(at(v, 5, 3), 0xFFFFFFFFu);

    s.circle(20, 15, 5, Color{0xFF0000});   // blue in the 0x00BBGGRR form
    for (auto [x, y] : {std::pair{25, 15}, {15, 15}, {20, 10}, {20, 20}}) QCOMPARE(at(v, x, y), 0xFF0000FFu);
    QCOMPARE(at(v, 20, 15), 0xFFFFFFFFu);
    QCOMPARE(at(v, 22, 15), 0xFFFFFFFFu);

    s.setForeColor(Color{0x00FF00});
    s.rect(30, 20, 35, 25);
    QCOMPARE(at(v, 30, 20), 0xFF00FF00u);
    QCOMPARE(at(v, 35, 25), 0xFF00FF00u);
    QCOMPARE(at(v, 32, 22), 0xFFFFFFFFu);
}

void PictureTest::invertedFigureDrawnTwiceLeavesPictureUnchanged_data() {
    QTest::addColumn<bool>("isRect");
    QTest::addColumn<QRectF>("ends");   // x1, y1 in topLeft, x2, y2 in bottomRight
    QTest::newRow("horizontal line") << false << QRectF(QPointF(3, 10), QPointF(50, 10));
    QTest::newRow("steep diagonal") << false << QRectF(QPointF(5.5, 2.49), QPointF(17.51, 58.5));
    QTest::newRow("shallow diagonal backwards") << false << QRectF(QPointF(60.7, 40.2), QPointF(1.3, 33.9));
    QTest::newRow("line leaving the picture") << false << QRectF(QPointF(10, 10), QPointF(-400.5, 9000.25));
    QTest::newRow("line to a far vanishing point") << false << QRectF(QPointF(30, 30), QPointF(3e9, -1.7e9));
    QTest::newRow("rectangle") << true << QRectF(QPointF(4, 6), QPointF(44, 50));
    QTest::newRow("rectangle from its lower right") << true << QRectF(QPointF(55.6, 44.4), QPointF(8.2, 3.7));
    QTest::newRow("thin rectangle") << true << QRectF(QPointF(20, 20), QPointF(21, 40));
    QTest::newRow("rectangle past the edges") << true << QRectF(QPointF(-10, -10), QPointF(70, 30));
}

void PictureTest::invertedFigureDrawnTwiceLeavesPictureUnchanged() {
    QFETCH(bool, isRect);
    QFETCH(QRectF, ends);
    PictureView v;
    const QImage original = gradient(64, 60);
    v.setPicture(original);
    Surface& s = v;
    s.setDrawMode(DrawMode::Invert);
    const QPointF a = ends.topLeft(), b = ends.bottomRight();
    for (int pass = 0; pass < 2; ++pass) {
        if (isRect) s.rect(a.x(), a.y(), b.x(), b.y());
        else s.line(a.x(), a.y(), b.x(), b.y());
        if (pass == 0) QVERIFY(v.canvas() != original);
    }
    QCOMPARE(v.canvas(), original);
}

void PictureTest::invertedRectangleInvertsEachPixelOnce() {
    PictureView v;
    const QImage original = gradient(30, 30);
    v.setPicture(original);
    Surface& s = v;
    s.setDrawMode(DrawMode::Invert);
    s.rect(5, 5, 20, 25);
    for (auto [x, y] : {std::pair{5, 5}, {20, 5}, {20, 25}, {5, 25}, {12, 5}, {5, 14}})
        QCOMPARE(at(v, x, y) & 0xFFFFFFu, ~original.pixel(x, y) & 0xFFFFFFu);
    QCOMPARE(at(v, 12, 14), original.pixel(12, 14));
}

void PictureTest::refreshDropsMarksAndBlacknessPaintsBlack() {
    PictureView v;
    const QImage original = gradient(20, 20);
    v.setPicture(original);
    Surface& s = v;
    s.setDrawMode(DrawMode::Blackness);
    s.line(0, 10, 19, 10, Color{0xFFFFFF});
    for (int x = 0; x < 20; ++x) QCOMPARE(at(v, x, 10), 0xFF000000u);
    s.setDrawMode(DrawMode::CopyPen);
    s.circle(10, 10, 4);
    s.refresh();
    QCOMPARE(v.canvas(), original);
}

void PictureTest::farAndInvalidFiguresAreClippedOrSkipped() {
    PictureView v;
    v.setPicture(white(50, 50));
    Surface& s = v;
    // A segment towards a point far away keeps its direction inside the picture.
    s.line(0, 0, 1e12, 1e12);
    for (int k = 0; k < 50; ++k) QCOMPARE(at(v, k, k), red);
    QCOMPARE(at(v, 1, 0), 0xFFFFFFFFu);
    s.refresh();
    const double nan = std::nan("");
    s.line(nan, 1, 2, 3);
    s.rect(1, 1, INFINITY, 3);
    s.circle(10, 10, nan);
    s.circle(10, 10, -3);
    s.circle(1e15, 1e15, 1e300);
    QCOMPARE(v.canvas(), white(50, 50));
    // A huge circle whose arc crosses the picture draws that arc and nothing else.
    s.circle(25, 1e7 + 25, 1e7);
    QCOMPARE(at(v, 25, 25), red);
    QCOMPARE(at(v, 25, 24), 0xFFFFFFFFu);
}

void PictureTest::circleOutlineIsClosed() {
    for (double r : {2.0, 7.5, 33.3}) {
        const auto pixels = velta::raster::circlePixels(50.3, 49.8, r, 100, 100);
        std::set<std::pair<int, int>> set;
        for (velta::raster::Point p : pixels) set.insert({p.x, p.y});
        QCOMPARE(set.size(), pixels.size());
        // In a closed outline every pixel touches at least two others.
        for (velta::raster::Point p : pixels) {
            int neighbours = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx || dy) && set.count({p.x + dx, p.y + dy})) ++neighbours;
            QVERIFY2(neighbours >= 2, qPrintable(QString("r %1 at %2,%3").arg(r).arg(p.x).arg(p.y)));
        }
    }
}

void PictureTest::emptySurfaceIgnoresDrawing() {
    PictureView v;
    Surface& s = v;
    s.line(0, 0, 10, 10);
    s.rect(0, 0, 5, 5);
    s.circle(0, 0, 2);
    s.refresh();
    QCOMPARE(s.pictureWidth(), 0);
    QVERIFY(v.canvas().isNull());
}

void PictureTest::loadsBitmapsAtTheirSizeAndRefusesBrokenOnes() {
    PictureView v;
    Surface& s = v;
    std::string error;
    QVERIFY(s.loadPicture(BMPSUITE_DIR "/g/pal8.bmp", error));
    QCOMPARE(v.size(), QSize(s.pictureWidth(), s.pictureHeight()));
    QCOMPARE(v.canvas().format(), QImage::Format_RGB32);
    const QSize good = v.size();

    QVERIFY(!s.loadPicture(BMPSUITE_DIR "/missing.bmp", error));
    QCOMPARE(error, std::string("file non trovato"));
    QCOMPARE(v.size(), good);   // a failed load keeps the picture
    QVERIFY(!s.loadPicture("", error));

    const QStringList broken = QDir(BMPSUITE_DIR "/b").entryList({"*.bmp"}, QDir::Files);
    QVERIFY(!broken.isEmpty());
    for (const QString& name : broken) {
        error.clear();
        const bool ok = s.loadPicture((BMPSUITE_DIR "/b/" + name).toStdString(), error);
        // Qt's decoder may show some damaged files; those it refuses come with a reason.
        if (!ok) QVERIFY2(!error.empty(), qPrintable(name));
        else QCOMPARE(v.size(), QSize(s.pictureWidth(), s.pictureHeight()));
    }
}

void PictureTest::mouseEventsReportButtonShiftAndFlooredPosition() {
    QWidget host;
    auto* v = new PictureView(&host);
    v->setPicture(white(80, 60));
    host.resize(100, 100);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    std::vector<QString> log;
    auto record = [&log](const char* what) {
        return [&log, what](int b, int s, float x, float y) {
            log.push_back(QString("%1 %2 %3 %4 %5").arg(what).arg(b).arg(s).arg(double(x)).arg(double(y)));
        };
    };
    v->onPress = record("down");
    v->onMove = record("move");
    v->onRelease = record("up");

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12.7, 5.2), v->mapToGlobal(QPointF(12.7, 5.2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(v, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(30.9, 40.99), v->mapToGlobal(QPointF(30.9, 40.99)), Qt::NoButton,
                     Qt::NoButton, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::sendEvent(v, &move);
    QTest::mouseRelease(v, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
    QTest::mousePress(v, Qt::MiddleButton, Qt::ControlModifier, QPoint(79, 59));

    const std::vector<QString> expected{"down 1 1 12 5", "move 0 6 30 40", "up 2 0 3 4", "down 4 2 79 59"};
    QCOMPARE(log, expected);
}

void PictureTest::doubleClickGoesToItsHandlerOrCountsAsPress() {
    PictureView v;
    v.setPicture(white(20, 20));
    int presses = 0, doubles = 0;
    v.onPress = [&](int, int, float, float) { ++presses; };
    QTest::mouseDClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    const int pressesWithoutHandler = presses;
    v.onDoubleClick = [&] { ++doubles; };
    presses = 0;
    QTest::mouseDClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(doubles, 1);
    QCOMPARE(pressesWithoutHandler, presses + 1);
}

void PictureTest::modelPlacesTheWidget() {
    QWidget host;
    auto* a = new PictureView(&host);
    auto* b = new PictureView(&host);
    a->setPicture(white(30, 30));
    host.show();
    Surface& s = *a;
    s.setPosition(-12, 7);
    QCOMPARE(a->pos(), QPoint(-12, 7));
    QCOMPARE(a->size(), QSize(30, 30));
    s.setCursor(velta::Cursor::Cross);
    QCOMPARE(a->QWidget::cursor().shape(), Qt::CrossCursor);
    s.setCursor(velta::Cursor::Hourglass);
    QCOMPARE(a->QWidget::cursor().shape(), Qt::WaitCursor);
    s.setEnabled(false);
    QVERIFY(!a->isEnabled());
    s.setVisible(false);
    QVERIFY(!a->isVisible());
    s.setVisible(true);
    QVERIFY(a->isVisible());
    s.toFront();
    QCOMPARE(host.children().last(), a);
    s.toBack();
    QCOMPARE(host.children().first(), a);
    QVERIFY(b);
}

QTEST_MAIN(PictureTest)
#include "picture_test.moc"

// The road of a camera photograph through the real main window: a 6000 x 4000 colour JPEG of the
// sample façade, stored turned a quarter with an EXIF orientation that stands it upright, is
// opened, its four edges marked, an area marked on the façade, rectified in colour with the
// bicubic kernel, measured, saved, and exported to every format; each written file is read back.
#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "sample/colour.h"
#include "sample/layout.h"
#include "measure/error_bars.h"
#include "rectify/reference.h"
#include "widget_testutils.h"

using namespace velta;
using namespace e2e;

namespace {

// The picture as a QImage over the same pixels.
QImage imageOf(const Picture& p) {
    return QImage(reinterpret_cast<const uchar*>(p.pixels), p.width, p.height,
                  static_cast<qsizetype>(p.stride) * 4, QImage::Format_RGB32);
}

// An APP1 "Exif" segment whose only entry is the orientation tag: 6, the stored picture is to be
// turned a quarter clockwise to stand upright.
QByteArray exifOrientation6() {
    const QByteArray tiff = QByteArray("MM\0\x2A\0\0\0\x08", 8) +   // big-endian, first directory at 8
                            QByteArray("\0\x01", 2) +                  // one entry
                            QByteArray("\x01\x12\0\x03\0\0\0\x01\0\x06\0\0", 12) +   // orientation, short, 6
                            QByteArray("\0\0\0\0", 4);                 // no further directory
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    const int length = static_cast<int>(body.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    return segment + body;
}

// The upright picture stored turned a quarter to the left, with the orientation that undoes it.
bool writeTurnedJpeg(const QImage& upright, const QString& path) {
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    if (!writer.write(stored)) return false;
    jpeg.insert(2, exifOrientation6());   // right after the start-of-image marker
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(jpeg) == jpeg.size();
}

int channelDiff(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The pixel of the rectified image whose row line and column line pass nearest to the source
// point p: where the construction puts that point of the façade.
QPoint rectifiedPixelOf(const State& s, sample::ImagePoint p) {
    const geom::VanishingPoints vp = vanishingPoints(s);
    const int w = s.rectified.width, h = s.rectified.height;
    int bestRow = 1, bestCol = 1;
    double rowOff = 1e300, colOff = 1e300;
    for (int i = 1; i <= h; ++i) {
        const rectify::RowLine l = rectify::rowLine(s.frame, vp, i);
        const double d = std::fabs(l.slope * p.x + l.intercept - p.y) / std::hypot(1.0, l.slope);
        if (l.finite && d < rowOff) rowOff = d, bestRow = i;
    }
    for (int j = 1; j <= w; ++j) {
        const rectify::ColumnLine l = rectify::columnLine(s.frame, vp, j);
        const double d = std::fabs(l.slope * (p.x - vp.fuvx) - (p.y - vp.fuvy)) / std::hypot(1.0, l.slope);
        if (l.finite && d < colOff) colOff = d, bestCol = j;
    }
    // Columns run mirrored when the frame says so; rows are written from the bottom in the
    // construction's order.
    const int x = s.frame.colSign == -1 ? w - bestCol : bestCol - 1;
    const int y = vp.fuvy > vp.fuoy ? bestRow - 1 : h - bestRow;
    return {x, y};
}

}  // namespace

class ColourRoadTest : public QObject {
    Q_OBJECT
private slots:
    void cameraPhotographFromOpeningToExport();
};

void ColourRoadTest::cameraPhotographFromOpeningToExport() {
    Rig r;
    QVERIFY(r.ready);
    const sample::Camera cam = sample::colourCamera(sample::colourSampleWidth, sample::colourSampleHeight);
    const Picture rendered = sample::renderColourFacade(cam);
    QVERIFY(!rendered.empty());
    const QImage upright = imageOf(rendered);
    const QString photo = QString::fromStdString(r.path("foto-ruotata.jpg"));
    QVERIFY(writeTurnedJpeg(upright, photo));
    QCOMPARE(QImageReader(photo).size(), QSize(4000, 6000));   // stored on its side

    // Opened upright, in colour, at full size.
    r.dialogs->openNames.push_back(photo.toStdString());
    r.key(Qt::Key_F2);
    QVERIFY2(r.dialogs->messages.empty(), r.dialogs->messages.empty() ? "" : r.dialogs->messages[0].text.c_str());
    QCOMPARE(r.app.s.image.road, Road::colour);
    QCOMPARE(r.view(Pic::Picture1).size(), QSize(6000, 4000));
    QCOMPARE(r.box(Ctl::tfuox), QString(" 6000 x"));
    const QImage& shown = r.view(Pic::Picture1).picture();
    for (const QPoint at : {QPoint(700, 500), QPoint(5200, 600), QPoint(900, 3500), QPoint(5100, 3300)})
        QVERIFY2(channelDiff(shown.pixel(at), upright.pixel(at)) <= 40, qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
    QVERIFY(r.window.scrollBar(ScrollId::HScroll1)->isVisible());
    QVERIFY(r.window.model().enabled(Ctl::bilineare) && r.window.action(Ctl::bicubica)->isChecked());

    // Snapping on, then the four edges of the façade and the area a little around it, across the
    // scrolled view: every edge is found, and the construction gives the façade's true proportions.
    r.key(Qt::Key_B, Qt::ControlModifier);
    QVERIFY(r.window.action(Ctl::aggancio)->isChecked());
    const sample::Quad q = sample::facadeGeometryFor(cam).facade;
    markFacadeEdges(r, q);
    // A piece of the snapped left edge, magnified eight times, for the README.
    if (std::getenv("VELTA_SCREENSHOT_DIR")) {
        const QPoint mid = whole({(q.topLeft.x + q.bottomLeft.x) / 2, (q.topLeft.y + q.bottomLeft.y) / 2});
        const QImage piece = r.view(Pic::Picture1).canvas().copy(mid.x() - 40, mid.y() - 25, 80, 50);
        const QString out = QString::fromLocal8Bit(std::getenv("VELTA_SCREENSHOT_DIR"));
        QDir().mkpath(out);
        QVERIFY(piece.scaled(640, 400, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .save(QDir(out).filePath("snapped-line.png")));
    }
    markAreaAround(r, q, 20);
    QVERIFY(r.hitOk);
    QCOMPARE(r.app.s.lineCount, std::int16_t(4));
    for (int n = 1; n <= 4; ++n) QVERIFY2(r.app.s.lineSnaps[n].snapped, qPrintable(QString::number(n)));
    {
        auto at = [&](sample::ImagePoint p) {
            return measure::rectifiedPointOf(r.app.s.frame, vanishingPoints(r.app.s), p.x, p.y).value_or(geom::Point{});
        };
        auto dist = [](geom::Point a, geom::Point b) { return std::hypot(b.x - a.x, b.y - a.y); };
        const geom::Point tl = at(q.topLeft), tr = at(q.topRight), bl = at(q.bottomLeft), br = at(q.bottomRight);
        const double ratio = (dist(tl, tr) + dist(bl, br)) / (dist(tl, bl) + dist(tr, br));
        const double error = ratio / (sample::layout::widthM / sample::layout::heightM) - 1;
        qInfo("snapped edges: width / height off by %.4f %%", 100 * error);
        QVERIFY2(std::fabs(error) < 0.0005, qPrintable(QString::number(100 * error)));
    }
    QVERIFY(r.usable(Ctl::RADDRIZZA));
    QCOMPARE(r.prompt(), QString("Vuoi raddrizzare ?"));
    bringIntoView(r, Pic::Picture1, whole(q.topLeft) + QPoint(150, 120));
    r.snapshot("colour-main-window");

    // Rectified in colour, bicubic: the façade comes out in its true proportions.
    r.key(Qt::Key_F6);
    QVERIFY2(r.dialogs->messages.empty(), r.dialogs->messages.empty() ? "" : r.dialogs->messages[0].text.c_str());
    const RectifiedImage& out = r.app.s.rectified;
    QCOMPARE(out.road, Road::colour);
    QVERIFY(r.view(Pic::Picture2).isVisible());
    QCOMPARE(r.view(Pic::Picture2).size(), QSize(out.width, out.height));
    // The façade's corners make a rectangle of its true proportions.
    const QPoint tl = rectifiedPixelOf(r.app.s, q.topLeft), tr = rectifiedPixelOf(r.app.s, q.topRight);
    const QPoint bl = rectifiedPixelOf(r.app.s, q.bottomLeft), br = rectifiedPixelOf(r.app.s, q.bottomRight);
    QVERIFY(std::abs(tl.x() - bl.x()) <= 2 && std::abs(tr.x() - br.x()) <= 2);
    QVERIFY(std::abs(tl.y() - tr.y()) <= 2 && std::abs(bl.y() - br.y()) <= 2);
    const double aspect = double(br.x() - bl.x()) / (bl.y() - tl.y());
    const double trueAspect = sample::layout::widthM / sample::layout::heightM;
    QVERIFY2(std::fabs(aspect / trueAspect - 1) < 0.005, qPrintable(QString::number(aspect)));
    QVERIFY(r.usable(Ctl::esporta));
    bringIntoView(r, Pic::Picture2, tl + QPoint(150, 120));
    r.snapshot("colour-rectified");

    // Measured: the façade's bottom edge is its true width, and gives the scale; its left edge
    // is then its true height, 14 m, to a few centimetres.
    r.clickButton(Ctl::RADDRIZZA);
    QCOMPARE(r.prompt(), QString("Definire due punti"));
    r.dialogs->inputs.push_back(std::string("2400"));
    clickAt(r, Pic::Picture2, bl);
    clickAt(r, Pic::Picture2, br);
    QVERIFY(r.hitOk);
    QCOMPARE(r.box(Ctl::Text6_1), QString("d 2400"));
    clickAt(r, Pic::Picture2, bl);
    clickAt(r, Pic::Picture2, tl);
    QVERIFY(r.hitOk);
    const double height = r.box(Ctl::Text6_1).mid(2).replace(',', '.').toDouble();
    QVERIFY2(std::fabs(height - 1400) < 10, qPrintable(r.box(Ctl::Text6_1)));

    // Saved: the working file, a 24-bit bitmap of the image shown.
    const QImage kept = imageOf(out.picture);
    const QString saved = QString::fromStdString(r.path("prospetto.bmp"));
    r.dialogs->saveNames.push_back(saved.toStdString());
    r.key(Qt::Key_F3);
    QVERIFY(r.dialogs->messages.empty());
    QImageReader savedReader(saved);
    QCOMPARE(savedReader.imageFormat(), QImage::Format_RGB32);
    QVERIFY(savedReader.read().convertToFormat(QImage::Format_RGB32) == kept);

    // Exported to every format: lossless ones equal the image, JPEG close to it.
    const struct {
        const char* name;
        ImageFormat filter;
        int tolerance;
    } exports[] = {{"esporta.png", ImageFormat::png, 0},
                   {"esporta.tif", ImageFormat::tiff, 0},
                   {"esporta.bmp", ImageFormat::bmp, 0},
                   {"esporta", ImageFormat::jpeg, 96}};
    for (const auto& e : exports) {
        const std::size_t before = r.dialogs->messages.size();
        r.dialogs->exportChoices.push_back({r.path(e.name), e.filter});
        r.window.action(Ctl::esporta)->trigger();
        QCOMPARE(r.dialogs->messages.size(), before + 1);
        QCOMPARE(r.dialogs->messages.back().icon, Icon::Information);
        const QString written = QString::fromStdString(r.path(e.name)) + (e.filter == ImageFormat::jpeg ? ".jpg" : "");
        const QImage back = QImage(written).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back.size(), kept.size());
        if (e.tolerance == 0) {
            QVERIFY2(back == kept, e.name);
            continue;
        }
        double sum = 0;
        int worst = 0;
        for (int y = 0; y < back.height(); y += 7)
            for (int x = 0; x < back.width(); x += 7) {
                const int d = channelDiff(back.pixel(x, y), kept.pixel(x, y));
                sum += d;
                worst = std::max(worst, d);
            }
        QVERIFY2(sum / ((back.height() / 7 + 1) * (back.width() / 7 + 1)) < 2 && worst <= e.tolerance,
                 qPrintable(QString::number(worst)));
    }
    QVERIFY(r.dialogs->exportJpegOffered == std::vector<bool>(4, true));
}

QTEST_MAIN(ColourRoadTest)
#include "e2e_colour_test.moc"

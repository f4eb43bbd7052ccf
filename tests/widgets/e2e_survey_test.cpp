// A survey deliverable from the colour sample in the real main window: rectified, the scale set on
// a window's width of its true size, the true sizes typed for two other windows and for the
// window pitch as checks, then the image exported with its world file and the report written.
// Every figure of the log lies within the error bar it states of the façade's true sizes, and
// the world file carries the scale to ten digits.
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

#include "measure/error_bars.h"
#include "sample/colour.h"
#include "widget_testutils.h"

using namespace velta;
using namespace e2e;

namespace {

// The rectified pixel showing a point of the photograph, as the construction maps it.
QPoint onRectified(const Rig& r, sample::ImagePoint p) {
    const std::optional<geom::Point> q = measure::rectifiedPointOf(r.app.s.frame, vanishingPoints(r.app.s), p.x, p.y);
    if (!q) return {-1, -1};
    return {static_cast<int>(std::lround(q->x)), static_cast<int>(std::lround(q->y))};
}

// A pair measured on the rectified picture by two clicks.
void measurePair(Rig& r, QPoint a, QPoint b) {
    clickAt(r, Pic::Picture2, a);
    clickAt(r, Pic::Picture2, b);
}

}  // namespace

class SurveyTest : public QObject {
    Q_OBJECT
private slots:
    void measuredFiguresLieWithinTheirBarsAndTheScaleTravels();
};

void SurveyTest::measuredFiguresLieWithinTheirBarsAndTheScaleTravels() {
    Rig r;
    QVERIFY(r.ready);
    const sample::Camera cam = sample::colourCamera(sample::colourSampleWidth, sample::colourSampleHeight);
    const Picture rendered = sample::renderColourFacade(cam);
    const QImage photo(reinterpret_cast<const uchar*>(rendered.pixels), rendered.width, rendered.height,
                       static_cast<qsizetype>(rendered.stride) * 4, QImage::Format_RGB32);
    const QString file = QString::fromStdString(r.path("facciata.jpg"));
    QImageWriter writer(file, "jpeg");
    writer.setQuality(92);
    QVERIFY(writer.write(photo));

    r.dialogs->openNames.push_back(file.toStdString());
    r.key(Qt::Key_F2);
    QVERIFY(r.dialogs->messages.empty());
    const sample::FacadeGeometry g = sample::facadeGeometryFor(cam);
    markFacadeAndArea(r, g.facade, 20);
    r.key(Qt::Key_F6);
    QVERIFY2(r.dialogs->messages.empty(), r.dialogs->messages.empty() ? "" : r.dialogs->messages[0].text.c_str());
    QVERIFY(r.hitOk);

    // The windows by row and column; their frames are 1.60 m square, 3.20 m apart.
    const auto window = [&](int row, int column) -> const sample::Window& {
        return g.windows[static_cast<std::size_t>(row * g.windowColumns + column)];
    };
    const double side = g.windowSizeM * 100, pitch = 320;

    // The scale: the bottom of a window of the second floor is 160 cm.
    r.clickButton(Ctl::RADDRIZZA);
    r.dialogs->inputs.push_back(std::string("160"));
    measurePair(r, onRectified(r, window(1, 1).image.bottomLeft), onRectified(r, window(1, 1).image.bottomRight));
    QVERIFY(r.hitOk);
    QCOMPARE(r.app.log.rows.size(), std::size_t(1));
    QVERIFY(r.app.log.scale > 0);

    // Three checks: another window's width, a third one's height, and the pitch of two windows.
    const struct {
        sample::ImagePoint a, b;
        double known;
    } checks[] = {
        {window(2, 4).image.bottomLeft, window(2, 4).image.bottomRight, side},
        {window(0, 5).image.bottomLeft, window(0, 5).image.topLeft, side},
        {window(3, 1).image.bottomLeft, window(3, 2).image.bottomLeft, pitch},
    };
    for (const auto& c : checks) {
        measurePair(r, onRectified(r, c.a), onRectified(r, c.b));
        QVERIFY(r.hitOk);
        Event known{Command::logKnownLength};
        known.value = static_cast<int>(r.app.log.rows.size() - 1);
        known.text = QString::number(c.known).toStdString();
        dispatch(r.app, known);
    }
    QVERIFY2(r.dialogs->messages.empty(), r.dialogs->messages.empty() ? "" : r.dialogs->messages[0].text.c_str());
    const measure::Log& log = r.app.log;
    QCOMPARE(log.rows.size(), std::size_t(4));
    for (std::size_t i = 1; i < log.rows.size(); ++i) {
        const measure::LogRow& row = log.rows[i];
        QVERIFY(row.known && row.errorBar);
        const double error = std::fabs(row.d - *row.known);
        QVERIFY2(error <= *row.errorBar * row.d + 0.005,
                 qPrintable(QString("row %1: %2 cm against %3 cm, bar %4 %").arg(i + 1).arg(row.d).arg(*row.known)
                                .arg(100 * *row.errorBar)));
    }
    QVERIFY(log.maxError().has_value());

    // The image exported with its world file: the pixel size in metres to ten digits.
    r.dialogs->exportChoices.push_back({r.path("prospetto.png"), ImageFormat::png});
    r.window.action(Ctl::esporta)->trigger();
    QFile world(QString::fromStdString(r.path("prospetto.pgw")));
    QVERIFY(world.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = world.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 6);
    const double s = log.scale / 100;
    QVERIFY(std::fabs(lines[0].trimmed().toDouble() / s - 1) < 1e-9);
    QVERIFY(std::fabs(lines[3].trimmed().toDouble() / -s - 1) < 1e-9);
    QVERIFY(std::fabs(lines[5].trimmed().toDouble() / ((r.app.s.rectified.height - 0.5) * s) - 1) < 1e-9);

    // The report: one A4 page with the scale and every checked pair's figures.
    const std::string report = r.path("relazione.pdf");
    r.dialogs->reportNames.push_back(report);
    r.window.action(Ctl::relazione)->trigger();
    QVERIFY(QFile::exists(QString::fromStdString(report)));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is not installed");
    QProcess text;
    text.start("pdftotext", {"-layout", QString::fromStdString(report), "-"});
    QVERIFY(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY(page.contains("Relazione di raddrizzamento"));
    for (std::size_t i = 0; i < log.rows.size(); ++i) {
        const std::vector<std::string> cells = measure::rowCells(log, i, r.app.decimalSep);
        QVERIFY2(page.contains(QString::fromStdString(cells[5])), cells[5].c_str());   // d (cm)
    }
}

QTEST_MAIN(SurveyTest)
#include "e2e_survey_test.moc"

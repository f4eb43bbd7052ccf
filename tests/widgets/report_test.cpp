// The one-page report: the sample façade rectified and measured through the handlers, with two
// checked pairs, written as a PDF by the Qt writer and read back with poppler's tools: one A4
// page, the title, the scale, the reference pair and every check's figures as the log gives them.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "imageio/qt_image_io.h"
#include "input/app.h"
#include "input/handlers.h"
#include "measure/log.h"
#include "sample/facade.h"
#include "ui/recording_window.h"

using namespace velta;

class ReportTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theReportShowsTheScaleThePairsAndTheirChecksOnOneA4Page();
    void itAsksBeforeReplacingAndAFailedWriteSaysWhy();

private:
    void click(float x, float y) {
        PICTURE1_MouseDown(*app_, 1, 0, x, y);
        Picture1_MouseUp(*app_, 1, 0, x, y);
    }
    void markLine(double x1, double y1, double x2, double y2) {
        auto px = [](double v) { return static_cast<float>(std::floor(v)); };
        click(px(x1), px(y1));
        Picture1_MouseMove(*app_, 1, 0, px((x1 + x2) / 2), px((y1 + y2) / 2));
        click(px(x2), px(y2));
    }
    void pair(float x1, float y1, float x2, float y2) {
        Picture2_MouseDown(*app_, 1, 0, x1, y1);
        Picture2_MouseMove(*app_, 1, 0, x2, y2);
        Picture2_MouseDown(*app_, 1, 0, x2, y2);
    }
    // The sample façade rectified and measured: the reference pair, then three pairs, two of
    // them checked against a typed length.
    void rectifyAndMeasure();
    QString run(const QString& tool, const QStringList& args);

    QTemporaryDir dir_;
    std::unique_ptr<RecordingWindow> w_;
    std::unique_ptr<App> app_;
    imageio::QtImageIO io_;
};

void ReportTest::init() {
    QVERIFY(dir_.isValid());
    w_ = std::make_unique<RecordingWindow>();
    app_ = std::make_unique<App>(*w_, dir_.path().toStdString());
    app_->helpFile = dir_.filePath(QStringLiteral("velta300.html")).toStdString();
    formLoad(*app_);
    app_->io = &io_;
    app_->decimalSep = ',';
}

void ReportTest::cleanup() {
    app_.reset();
    w_.reset();
}

void ReportTest::rectifyAndMeasure() {
    const QString path = dir_.filePath(QStringLiteral("facciata.bmp"));
    const std::vector<std::uint8_t> bmp = sample::facadeBitmap();
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bmp.data()), static_cast<qsizetype>(bmp.size()));
    f.close();
    w_->openAnswers.push_back(path.toStdString());
    openClick(*app_);
    const sample::Quad& q = sample::facadeGeometry().facade;
    markLine(q.topLeft.x, q.topLeft.y, q.topRight.x, q.topRight.y);
    markLine(q.bottomLeft.x, q.bottomLeft.y, q.bottomRight.x, q.bottomRight.y);
    markLine(q.bottomLeft.x, q.bottomLeft.y, q.topLeft.x, q.topLeft.y);
    markLine(q.bottomRight.x, q.bottomRight.y, q.topRight.x, q.topRight.y);
    RETTANG3(*app_);
    click(300, 200);
    click(420, 300);
    RADDR1(*app_);
    QVERIFY(!app_->s.rectified.empty());
    RADDR1(*app_);   // the second press starts the measuring
    w_->inputAnswers.push_back("50");
    pair(10, 10, 210, 10);
    pair(0, 100, 100, 0);
    pair(40, 20, 40, 60);
    pair(20, 30, 90, 80);
    setKnownLength(*app_, 1, "35");
    setKnownLength(*app_, 2, "10,5");
    QCOMPARE(app_->log.rows.size(), std::size_t{4});
    QVERIFY(app_->log.scale > 0);
    w_->messages.clear();
}

// The tool's standard output; a skip when poppler's tools are not installed.
QString ReportTest::run(const QString& tool, const QStringList& args) {
    if (QStandardPaths::findExecutable(tool).isEmpty()) return {};
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("<failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

void ReportTest::theReportShowsTheScaleThePairsAndTheirChecksOnOneA4Page() {
    rectifyAndMeasure();
    w_->reportAnswers.push_back(dir_.filePath(QStringLiteral("relazione")).toStdString());
    reportClick(*app_);
    const QString pdf = dir_.filePath(QStringLiteral("relazione.pdf"));   // the extension added
    QVERIFY2(QFileInfo(pdf).size() > 0, w_->messages.empty() ? "" : w_->messages.back().text.c_str());
    QCOMPARE(w_->messages.size(), std::size_t{1});
    QCOMPARE(w_->messages.back().icon, Icon::Information);

    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    if (info.isEmpty()) QSKIP("poppler-utils (pdfinfo, pdftotext) not installed");
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Relazione di raddrizzamento\\n"))),
             qPrintable(info));

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.contains(QStringLiteral("Relazione di raddrizzamento")));
    // The scale: 50 cm over 200 pixels, and its reference pair with the log's figures.
    QVERIFY2(text.contains(QStringLiteral("1 pixel = 0,25 cm")), qPrintable(text));
    const std::vector<std::string> ref = measure::rowCells(app_->log, 0, ',');
    QVERIFY2(text.contains(QStringLiteral("Coppia di riferimento: (10; 10) - (210; 10), misura 50,00 cm")),
             qPrintable(text));
    QVERIFY(text.contains(QString::fromStdString(ref[9])));   // "riferimento"
    // Every checked pair's difference in cm and in %, and the foot over them.
    for (std::size_t row : {std::size_t{1}, std::size_t{2}}) {
        const std::vector<std::string> cells = measure::rowCells(app_->log, row, ',');
        for (std::size_t c : {std::size_t{5}, std::size_t{9}, std::size_t{10}, std::size_t{11}})
            QVERIFY2(text.contains(QString::fromStdString(cells[c])), cells[c].c_str());
    }
    const std::string foot = measure::footText(app_->log, ',');
    const std::string firstLine = foot.substr(0, foot.find('\n'));
    // (The layout's spacing between words is the page's, not the text's.)
    QVERIFY2(!firstLine.empty() && text.simplified().contains(QString::fromStdString(firstLine).simplified()),
             firstLine.c_str());
    QVERIFY(text.contains(QStringLiteral("Rapporto larghezza / altezza del quadro")));

    // Both pictures go in at no more than 200 pixels an inch.
    const QStringList images =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(images.size() >= 4, qPrintable(images.join(QLatin1Char('\n'))));   // two heading lines, then one each
    for (qsizetype i = 2; i < images.size(); ++i) {
        const QStringList f = images[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY(f.size() > 13);
        QVERIFY2(f[12].toInt() <= 200 && f[13].toInt() <= 200, qPrintable(images[i]));
    }

    if (const char* out = std::getenv("VELTA_SCREENSHOT_DIR"); out && *out) {
        const QString base = QDir(QString::fromLocal8Bit(out)).filePath(QStringLiteral("report"));
        QVERIFY(run(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                     pdf, base}) != QStringLiteral("<failed>"));
        QVERIFY(QFileInfo(base + QStringLiteral(".png")).size() > 0);
    }
}

void ReportTest::itAsksBeforeReplacingAndAFailedWriteSaysWhy() {
    rectifyAndMeasure();
    const QString pdf = dir_.filePath(QStringLiteral("relazione.PDF"));
    QFile old(pdf);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("vecchia");
    old.close();
    // Declined: the file stays as it was.
    w_->reportAnswers.push_back(pdf.toStdString());
    w_->boxAnswers.push_back(Answer::No);
    reportClick(*app_);
    QCOMPARE(w_->messages.size(), std::size_t{1});
    QCOMPARE(w_->messages[0].buttons, Buttons::YesNo);
    QCOMPARE(QFileInfo(pdf).size(), qint64{7});

    // A folder that is not there: a message, nothing written.
    const QString missing = dir_.filePath(QStringLiteral("manca/relazione.pdf"));
    w_->reportAnswers.push_back(missing.toStdString());
    reportClick(*app_);
    QCOMPARE(w_->messages.back().icon, Icon::Critical);
    QVERIFY(QString::fromStdString(w_->messages.back().text).startsWith(QStringLiteral("Impossibile")));
    QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("manca"))));
}

QTEST_MAIN(ReportTest)
#include "report_test.moc"

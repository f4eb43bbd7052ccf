// What the real main window does when the user's input cannot be used: a file it refuses, a
// pair of lines that never meet, a centre from which no construction can be made. Each time a
// critical message box says so, nothing already done is lost, and the user goes on from there.
#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <cstring>
#include <vector>

#include "sample/bmp8.h"
#include "sample/facade.h"
#include "widget_testutils.h"

using namespace velta;
using e2e::Rig;

namespace {

// Everything the user can see of the controls: caption or text, tooltip, shown, usable, checked.
QStringList controlsSeen(const Rig& r) {
    QStringList out;
    for (int i = 0; i < controlCount; ++i) {
        const Ctl c = static_cast<Ctl>(i);
        QString line = QString::fromLatin1(controlName(c)) + ": ";
        if (QAction* a = r.window.action(c)) {
            line += QString("%1 | %2 %3 %4").arg(a->text()).arg(a->isVisible()).arg(a->isEnabled()).arg(a->isChecked());
        } else {
            const QWidget* w = r.window.widget(c);
            QString text;
            if (auto* box = qobject_cast<const QLineEdit*>(w))
                text = box->text();
            else if (auto* label = qobject_cast<const QLabel*>(w))
                text = label->text();
            else if (auto* button = qobject_cast<const QAbstractButton*>(w))
                text = button->text();
            else if (auto* group = qobject_cast<const QGroupBox*>(w))
                text = group->title();
            line += QString("%1 | %2 | %3 %4").arg(text, w->toolTip()).arg(w->isVisible()).arg(w->isEnabled());
        }
        out << line;
    }
    return out;
}

// The marked lines, pending click, centre, area and source image, as numbers.
struct Marking {
    double lineEnds[6][6] = {};
    double areaCorners[7][3] = {};
    std::int16_t lineCount = 0, pointPending = 0, inputMode = 0, raddrCount = 0;
    float firstX = 0, firstY = 0, imageWidth = 0, imageHeight = 0;
    double centreX = 0, centreY = 0, pixelStep = 0;
    std::string sourceFileName;
    double fileWidth = 0;
    std::int16_t fileHeight = 0;
    std::vector<RowRecord> sourceRows;

    explicit Marking(const State& s)
        : lineCount(s.lineCount),
          pointPending(s.pointPending),
          inputMode(s.inputMode),
          raddrCount(s.raddrCount),
          firstX(s.firstX),
          firstY(s.firstY),
          imageWidth(s.imageWidth),
          imageHeight(s.imageHeight),
          centreX(s.centreX),
          centreY(s.centreY),
          pixelStep(s.pixelStep),
          sourceFileName(s.image.sourceFileName),
          fileWidth(s.image.fileWidth),
          fileHeight(s.image.fileHeight),
          sourceRows(s.image.sourceRows) {
        std::memcpy(lineEnds, s.lineEnds, sizeof lineEnds);
        std::memcpy(areaCorners, s.areaCorners, sizeof areaCorners);
    }
    bool operator==(const Marking& o) const {
        return std::memcmp(lineEnds, o.lineEnds, sizeof lineEnds) == 0 &&
               std::memcmp(areaCorners, o.areaCorners, sizeof areaCorners) == 0 && lineCount == o.lineCount &&
               pointPending == o.pointPending && inputMode == o.inputMode && raddrCount == o.raddrCount &&
               firstX == o.firstX && firstY == o.firstY && imageWidth == o.imageWidth && imageHeight == o.imageHeight &&
               centreX == o.centreX && centreY == o.centreY && pixelStep == o.pixelStep &&
               sourceFileName == o.sourceFileName && fileWidth == o.fileWidth && fileHeight == o.fileHeight &&
               sourceRows == o.sourceRows;
    }
};

// A 640 x 480 checkerboard in the sample's palette, opened in the window.
std::string openBoard(Rig& r) {
    std::vector<std::uint8_t> pixels(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) pixels[static_cast<std::size_t>(y * 640 + x)] = ((x / 40 + y / 40) % 2) ? 40 : 90;
    const std::vector<std::uint8_t> bytes = sample::encodePaletteBitmap(640, 480, sample::facadePalette(), pixels);
    const std::string path = r.path("prova.bmp");
    if (!velta::testing::writeFile(path, bytes)) return {};
    r.dialogs->openNames.push_back(path);
    r.key(Qt::Key_F2);
    return path;
}

void markLine(Rig& r, QPoint a, QPoint b) {
    r.drag(Pic::Picture1, a, b);
}

// The messages shown so far, for a failure's report.
QByteArray shownMessages(const Rig& r) {
    QStringList all;
    for (const ScriptedDialogs::Message& m : r.dialogs->messages)
        all << QString::fromStdString(m.title + ": " + m.text);
    return all.join(" / ").toUtf8();
}

bool workingFileExists(const Rig& r) {
    return QFileInfo::exists(QString::fromStdString(r.app.workingFile()));
}

}  // namespace

class RefusalsTest : public QObject {
    Q_OBJECT
private slots:
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void parallelHorizontalsAreRefusedAndNothingIsLost();
    void degenerateCentreDisablesRectifyingUntilAGoodConstruction_data();
    void degenerateCentreDisablesRectifyingUntilAGoodConstruction();
    void closingWithAnUnsavedImageAsksFirst();
    void bitmapsOfOtherKindsOpenInColour();
};

void RefusalsTest::refusedFileChangesNothing_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("run-length data broken") << QString(BMPSUITE_DIR "/b/badrle.bmp");
    QTest::newRow("run-length data cut") << QString(BMPSUITE_DIR "/q/pal8rlecut.bmp");
    QTest::newRow("cut short") << QString(BMPSUITE_DIR "/b/shortfile.bmp");
    QTest::newRow("not a bitmap") << QString("testo.bmp");
    QTest::newRow("missing") << QString("manca.bmp");
}

void RefusalsTest::refusedFileChangesNothing() {
    QFETCH(QString, file);
    Rig r;
    QVERIFY(r.ready);
    std::string err;
    QVERIFY2(sample::ensureSampleFacade(r.app.dataDir, err), err.c_str());
    if (!file.contains('/')) {
        file = QString::fromStdString(r.path(file.toStdString()));
        if (file.endsWith("testo.bmp")) {
            QFile text(file);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("Questo non è un bitmap.\n");
        }
    }

    // The sample with two lines marked and the first click of the third one placed.
    r.dialogs->openNames.push_back(r.path(sample::sampleFileName()));
    r.key(Qt::Key_F2);
    markLine(r, {150, 40}, {820, 170});
    markLine(r, {110, 640}, {880, 596});
    r.clickImage(Pic::Picture1, {100, 600});
    r.moveImage(Pic::Picture1, {120, 300});
    QVERIFY(r.hitOk);
    QCOMPARE(r.prompt(), QString("Definire la 1° retta vertic."));
    QVERIFY(r.dialogs->messages.empty());
    const QString title = r.window.windowTitle();
    const QStringList controls = controlsSeen(r);
    const QImage canvas = r.view(Pic::Picture1).canvas();
    const Marking marking(r.app.s);

    r.dialogs->openNames.push_back(file.toStdString());
    r.key(Qt::Key_F2);
    QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
    const ScriptedDialogs::Message& m = r.dialogs->messages[0];
    QCOMPARE(m.icon, Icon::Critical);
    QCOMPARE(m.buttons, Buttons::Ok);
    QCOMPARE(QString::fromStdString(m.title), QString("FILE NON ACCETTATO"));
    QVERIFY2(QString::fromStdString(m.text).contains(file), m.text.c_str());

    QCOMPARE(r.window.windowTitle(), title);
    QCOMPARE(controlsSeen(r), controls);
    QVERIFY(r.view(Pic::Picture1).isVisible());
    QVERIFY(r.view(Pic::Picture1).canvas() == canvas);
    QVERIFY(Marking(r.app.s) == marking);

    // The pending click is still there: the next one completes the third line.
    r.travel(Pic::Picture1, {120, 300}, {135, 30});
    r.clickImage(Pic::Picture1, {135, 30});
    QCOMPARE(r.prompt(), QString("Definire la 2° retta vertic."));
    markLine(r, {910, 580}, {855, 190});
    QVERIFY(r.hitOk);
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    QVERIFY(r.usable(Ctl::RADDRIZZA));
    QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
}

void RefusalsTest::parallelHorizontalsAreRefusedAndNothingIsLost() {
    Rig r;
    QVERIFY(r.ready);
    const std::string board = openBoard(r);
    QVERIFY(!board.empty());
    QCOMPARE(r.view(Pic::Picture1).size(), QSize(640, 480));
    const QImage bare = QImage(QString::fromStdString(board)).convertToFormat(QImage::Format_RGB32);

    QString promptAtMessage;
    r.dialogs->onMessage = [&](const ScriptedDialogs::Message&) { promptAtMessage = r.prompt(); };
    // Verticals converging downwards: a camera looking down, its horizon above the centre.
    markLine(r, {100, 100}, {540, 100});
    markLine(r, {100, 380}, {540, 380});
    markLine(r, {100, 80}, {120, 400});
    markLine(r, {540, 80}, {518, 400});
    QVERIFY(r.hitOk);
    QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
    const ScriptedDialogs::Message& m = r.dialogs->messages[0];
    QCOMPARE(QString::fromStdString(m.text), QString("Fuga verticale o orizzontale all'infinito !!"));
    QCOMPARE(QString::fromStdString(m.title), QString("NON E' POSSIBILE RADDRIZZARE"));
    QCOMPARE(m.icon, Icon::Critical);
    QCOMPARE(promptAtMessage, QString("Impossibile raddrizzare"));
    QCOMPARE(r.prompt(), QString("Impossibile raddrizzare"));
    QCOMPARE(r.box(Ctl::Text6_1), QString("0"));
    QCOMPARE(r.box(Ctl::Text6_2), QString("0"));
    for (Ctl c : {Ctl::CENTRO, Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2, Ctl::centro1})
        QVERIFY2(!r.usable(c), controlName(c));
    QVERIFY(r.usable(Ctl::cancella));
    // Neither the keys nor a further release build anything.
    r.key(Qt::Key_F6);
    r.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(r.prompt(), QString("Impossibile raddrizzare"));
    QVERIFY(!workingFileExists(r));
    r.clickImage(Pic::Picture1, {300, 240});
    QVERIFY2(r.dialogs->messages.size() == 2, shownMessages(r).constData());
    QVERIFY(!r.usable(Ctl::RADDRIZZA));

    // Back to the second horizontal line, one cancel at a time; the picture loses its marks.
    const char* prompts[] = {"Definire la 2° retta vertic.", "Definire la 1° retta vertic.",
                             "Definire la 2° retta orizz."};
    for (int k = 0; k < 3; ++k) {
        r.clickButton(Ctl::cancella);
        QCOMPARE(r.prompt(), QString::fromUtf8(prompts[k]));
        QCOMPARE(r.box(text6(4 - k)), QString());
    }
    QCOMPARE(r.app.s.lineCount, std::int16_t(1));
    QVERIFY(r.view(Pic::Picture1).canvas() == bare);
    QCOMPARE(r.box(Ctl::Text6_1), QString("0"));

    // The second horizontal slanted a little, the verticals again: the construction stands.
    markLine(r, {100, 380}, {540, 362});
    QCOMPARE(r.prompt(), QString::fromUtf8("Definire la 1° retta vertic."));
    markLine(r, {100, 80}, {120, 400});
    markLine(r, {540, 80}, {518, 400});
    QVERIFY(r.hitOk);
    QVERIFY2(r.dialogs->messages.size() == 2, shownMessages(r).constData());
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    for (Ctl c : {Ctl::CENTRO, Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2, Ctl::centro1, Ctl::area})
        QVERIFY2(r.usable(c), controlName(c));
    QVERIFY(r.box(Ctl::Text6_4).startsWith("DIS "));
    r.key(Qt::Key_F6);
    QVERIFY2(r.dialogs->messages.size() == 2, shownMessages(r).constData());
    QCOMPARE(r.prompt(), QString("Vuoi misurare ?"));
    QVERIFY(workingFileExists(r));
    QVERIFY(r.view(Pic::Picture2).isVisible());
}

void RefusalsTest::degenerateCentreDisablesRectifyingUntilAGoodConstruction_data() {
    QTest::addColumn<bool>("moveCentre");
    QTest::newRow("the last line marked again") << false;
    QTest::newRow("the centre moved by a pixel") << true;
}

void RefusalsTest::degenerateCentreDisablesRectifyingUntilAGoodConstruction() {
    QFETCH(bool, moveCentre);
    Rig r;
    QVERIFY(r.ready);
    QVERIFY(!openBoard(r).empty());

    // Verticals symmetric about x = 320: they meet straight above the default centre. The
    // horizontals meet below the centre's height, as they do for a camera looking up.
    markLine(r, {50, 60}, {590, 84});
    markLine(r, {50, 420}, {590, 410});
    markLine(r, {100, 400}, {110, 100});
    markLine(r, {540, 400}, {530, 100});
    QVERIFY(r.hitOk);
    const State& s = r.app.s;
    QCOMPARE(s.fuvx, 320.0);
    QCOMPARE(s.centreX, 320.0);
    QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
    const ScriptedDialogs::Message m = r.dialogs->messages[0];
    QCOMPARE(m.icon, Icon::Critical);
    QCOMPARE(QString::fromStdString(m.title), QString("NON E' POSSIBILE RADDRIZZARE"));
    QVERIFY(m.text != "Fuga verticale o orizzontale all'infinito !!");
    QCOMPARE(r.prompt(), QString("Impossibile raddrizzare"));
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) QVERIFY2(!r.usable(c), controlName(c));
    r.key(Qt::Key_F6);
    r.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(r.prompt(), QString("Impossibile raddrizzare"));
    QVERIFY(!workingFileExists(r));
    QVERIFY(r.view(Pic::Picture1).isVisible());

    if (moveCentre) {
        // The box named the centre as the cause. The centre command rebuilds about the same
        // centre first and is refused again, without the box a second time.
        QCOMPARE(QString::fromStdString(m.text).section('\n', 1), QString("Spostare il centro di un pixel."));
        QVERIFY(r.usable(Ctl::CENTRO));
        r.clickButton(Ctl::CENTRO);
        QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
        QCOMPARE(r.prompt(), QString("Impossibile raddrizzare"));
        QVERIFY(!r.usable(Ctl::RADDRIZZA));
        r.clickImage(Pic::Picture1, {321, 240});
        QCOMPARE(s.centreX, 321.0);
        QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
    } else {
        r.clickButton(Ctl::cancella);
        QCOMPARE(r.prompt(), QString::fromUtf8("Definire la 2° retta vertic."));
        QCOMPARE(r.box(Ctl::Text6_4), QString());
        QVERIFY(!r.usable(Ctl::RADDRIZZA));
        markLine(r, {540, 400}, {531, 100});
        QVERIFY2(r.dialogs->messages.size() == 1, shownMessages(r).constData());
        QVERIFY(s.fuvx != 320.0);
    }
    QVERIFY(r.hitOk);
    QCOMPARE(r.prompt(), QString("Vuoi definire la griglia ?"));
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2, Ctl::CENTRO, Ctl::RETTANG})
        QVERIFY2(r.usable(c), controlName(c));
    r.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(r.prompt(), QString("Vuoi raddrizzare ?"));
    r.key(Qt::Key_F6);
    QCOMPARE(r.prompt(), QString("Vuoi misurare ?"));
    QVERIFY(workingFileExists(r));
    QCOMPARE(r.view(Pic::Picture2).size(), QSize(int(s.frame.rectWidth), int(s.frame.rectHeight)));
}

void RefusalsTest::closingWithAnUnsavedImageAsksFirst() {
    Rig r;
    QVERIFY(r.ready);
    QVERIFY(!openBoard(r).empty());
    markLine(r, {50, 60}, {590, 84});
    markLine(r, {50, 420}, {590, 410});
    markLine(r, {100, 400}, {112, 100});
    markLine(r, {540, 400}, {531, 100});
    r.key(Qt::Key_F6);
    QCOMPARE(r.prompt(), QString("Vuoi misurare ?"));
    QVERIFY2(r.dialogs->messages.empty(), shownMessages(r).constData());

    // Annulla keeps the window and the image; Non salvare lets it close.
    r.dialogs->answers = {Answer::Cancel, Answer::Discard};
    QVERIFY(!r.window.close());
    QVERIFY(r.window.isVisible());
    QVERIFY(workingFileExists(r));
    QCOMPARE(r.dialogs->messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(r.dialogs->messages[0].title), QString("IMMAGINE NON SALVATA"));
    QCOMPARE(r.dialogs->messages[0].buttons, Buttons::SaveDiscardCancel);
    QVERIFY(r.window.close());
    QVERIFY(r.window.quitRequested());
}

// Bitmaps outside the plain format are no longer refused: they open in colour, with their own
// size and colours, and the interpolation may be chosen for them.
void RefusalsTest::bitmapsOfOtherKindsOpenInColour() {
    Rig r;
    QVERIFY(r.ready);
    for (const char* name : {"/g/rgb24.bmp", "/g/pal4.bmp", "/g/pal8rle.bmp"}) {
        const QString file = QString(BMPSUITE_DIR) + name;
        r.dialogs->openNames.push_back(file.toStdString());
        r.key(Qt::Key_F2);
        QVERIFY2(r.dialogs->messages.empty(), shownMessages(r).constData());
        QCOMPARE(r.app.s.image.road, Road::colour);
        const QImage expected = QImage(file).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(r.view(Pic::Picture1).picture(), expected);
        QCOMPARE(r.prompt(), QString("Definire due rette orizz."));
        QVERIFY(r.window.model().enabled(Ctl::bicubica));
    }
}

QTEST_MAIN(RefusalsTest)
#include "e2e_refusals_test.moc"

// The measurement log window "Misure" in the real program: its table, foot and buttons show the
// program's log; a known length typed in a cell, "Copia" and "Esporta CSV..." reach the program;
// refreshing never takes the focus from the main window nor breaks an edit in progress.
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <vector>

#include "input/dispatch.h"
#include "measure/log.h"
#include "ui/qt/log_window.h"
#include "widget_testutils.h"

using namespace velta;
using namespace e2e;
using velta::qt::LogWindow;

namespace {

measure::LogRow pair(double x1, double y1, double x2, double y2, double scale) {
    measure::LogRow row;
    row.x1 = x1, row.y1 = y1, row.x2 = x2, row.y2 = y2;
    row.dx = (x2 - x1) * scale;
    row.dy = (y2 - y1) * scale;
    row.d = std::hypot(row.dx, row.dy);
    row.angle = std::atan2(-(y2 - y1), x2 - x1) * 180 / 3.14159265358979;
    row.errorBar = 0.004 + 0.00002 * row.d;
    return row;
}

// A log as the sample façade gives it at 2.5 cm a pixel: a window's width (1.60 m) as the
// reference, two window centres (3.20 m) checked, the façade's height checked and slightly off,
// and a window's diagonal.
measure::Log sampleLog() {
    measure::Log log;
    log.scale = 2.5;
    log.rows.push_back(pair(412, 388, 476, 388, log.scale));
    log.rows[0].reference = true;
    log.rows[0].errorBar.reset();   // its length is the typed one
    log.rows.push_back(pair(444, 420, 572, 420, log.scale));
    log.rows[1].known = 320;
    log.rows.push_back(pair(300, 120, 301, 679.2, log.scale));
    log.rows[2].known = 1400;
    log.rows.push_back(pair(412, 388, 476, 452, log.scale));
    return log;
}

QString cell(const QTableWidget* t, int r, int c) {
    const QTableWidgetItem* item = t->item(r, c);
    return item ? item->text() : QString();
}

// The program with every event it is sent recorded on the way.
struct LogRig : Rig {
    LogRig() {
        window.setDispatch([this](App& a, const Event& e) {
            events.push_back(e);
            velta::dispatch(a, e);
        });
    }
    int count(Command c) const {
        return static_cast<int>(std::count_if(events.begin(), events.end(), [c](const Event& e) { return e.command == c; }));
    }
    /// Puts the log into the program and shows the window, as the Misure entry's handler does.
    LogWindow* show(measure::Log log) {
        app.log = std::move(log);
        window.model().showLog();
        return window.logWindow();
    }
    std::vector<Event> events;
};

}  // namespace

class LogWindowTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheLogBesideTheMainWindow();
    void typedKnownLengthReachesTheProgram();
    void refreshDuringAnEditKeepsItAndTheFocus();
    void copyAndCsvButtons();
    void closesWithTheMainWindow();
};

void LogWindowTest::showsTheLogBesideTheMainWindow() {
    LogRig r;
    QVERIFY(r.ready);
    QVERIFY(!r.window.logWindow());   // made on first use only
    LogWindow* w = r.show(sampleLog());
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Misure"));
    QVERIFY(w->isWindow());
    QCOMPARE(w->windowModality(), Qt::NonModal);

    QTableWidget* t = w->table();
    const std::vector<std::string>& titles = measure::columnTitles();
    QCOMPARE(t->columnCount(), 13);
    for (int c = 0; c < 13; ++c)
        QCOMPARE(t->horizontalHeaderItem(c)->text(), QString::fromStdString(titles[static_cast<std::size_t>(c)]));
    QCOMPARE(t->horizontalHeaderItem(LogWindow::knownColumn)->text(), QStringLiteral("Misura nota (cm)"));
    QCOMPARE(t->rowCount(), 4);
    // Only the known length of the pairs after the reference can be typed.
    for (int row = 0; row < 4; ++row)
        for (int c = 0; c < 13; ++c)
            QCOMPARE(bool(t->item(row, c)->flags() & Qt::ItemIsEditable), row > 0 && c == LogWindow::knownColumn);
    // Every cell as the log gives it.
    for (int row = 0; row < 4; ++row) {
        const std::vector<std::string> cells = measure::rowCells(r.app.log, static_cast<std::size_t>(row), ',');
        for (std::size_t c = 0; c < cells.size(); ++c)
            QCOMPARE(cell(t, row, static_cast<int>(c)), QString::fromStdString(cells[c]));
    }
    if (!measure::rowCells(r.app.log, 0, ',').empty()) {
        for (int row = 0; row < 4; ++row) QCOMPARE(cell(t, row, 0), QString::number(row + 1));
        QCOMPARE(cell(t, 0, LogWindow::knownColumn), QStringLiteral("riferimento"));
        QCOMPARE(cell(t, 0, 5), QStringLiteral("160,00"));
    }
    const QString foot = QString::fromStdString(measure::footText(r.app.log, ','));
    QCOMPARE(w->foot()->text(), foot);
    QCOMPARE(w->foot()->isVisible(), !foot.isEmpty());

    // A new, shorter log replaces the rows; an empty one leaves the titles and hides the foot.
    measure::Log one = sampleLog();
    one.rows.resize(1);
    r.app.log = one;
    r.window.model().logChanged();
    QCOMPARE(t->rowCount(), 1);
    r.app.log = {};
    r.window.model().logChanged();
    QCOMPARE(t->rowCount(), 0);
    QCOMPARE(t->columnCount(), 13);
    QVERIFY(!w->foot()->isVisible());
    // Shown again: the same window.
    r.window.model().showLog();
    QCOMPARE(r.window.logWindow(), w);

    // A picture for the manual, with the rows of the sample.
    if (const char* out = std::getenv("VELTA_SCREENSHOT_DIR"); out && *out) {
        r.app.log = sampleLog();
        r.window.model().logChanged();
        QApplication::processEvents();
        QDir().mkpath(QString::fromLocal8Bit(out));
        const QString file = QDir(QString::fromLocal8Bit(out)).filePath(QStringLiteral("log-window.png"));
        QVERIFY2(w->grab().save(file), qPrintable(file));
    }
}

void LogWindowTest::typedKnownLengthReachesTheProgram() {
    LogRig r;
    QVERIFY(r.ready);
    measure::Log log = sampleLog();
    log.rows[3].known.reset();
    QTableWidget* t = r.show(log)->table();
    // Typed as a user types: the editor opened on the cell, the text, Enter.
    t->editItem(t->item(3, LogWindow::knownColumn));
    auto* editor = t->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("226,3"));
    QTest::keyClick(editor, Qt::Key_Return);   // the editor commits from the event loop
    QTRY_COMPARE(r.count(Command::logKnownLength), 1);
    const Event& e = r.events.back();
    QCOMPARE(e.command, Command::logKnownLength);
    QCOMPARE(e.value, 3);
    QCOMPARE(e.text, std::string("226,3"));
    QVERIFY(r.app.log.rows[3].known);
    QCOMPARE(*r.app.log.rows[3].known, 226.3);
    QCOMPARE(cell(t, 3, LogWindow::knownColumn), QStringLiteral("226,30"));
    // A refused text leaves the log as it was, and the cell shows the log again.
    t->editItem(t->item(2, LogWindow::knownColumn));
    editor = t->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(r.count(Command::logKnownLength), 2);
    QCOMPARE(r.events.back().value, 2);
    QCOMPARE(*r.app.log.rows[2].known, 1400.0);
    QCOMPARE(cell(t, 2, LogWindow::knownColumn), QStringLiteral("1400,00"));
}

void LogWindowTest::refreshDuringAnEditKeepsItAndTheFocus() {
    LogRig r;
    QVERIFY(r.ready);
    LogWindow* w = r.show(sampleLog());
    QTableWidget* t = w->table();
    r.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&r.window));

    t->editItem(t->item(2, LogWindow::knownColumn));
    auto* editor = t->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("1399"));
    // Another row changes while the cell is edited: what is typed stays, nothing is sent.
    r.app.log.rows[1].known = 321;
    r.window.model().logChanged();
    QCOMPARE(editor->text(), QStringLiteral("1399"));
    QCOMPARE(r.count(Command::logKnownLength), 0);
    QVERIFY(cell(t, 1, LogWindow::knownColumn).startsWith(QStringLiteral("321")));
    // Refreshing leaves the focus on the main window.
    QCOMPARE(QApplication::activeWindow(), &r.window);
    // A new log without the edited row: the edit goes, and nothing breaks.
    r.app.log.rows.resize(1);
    r.window.model().logChanged();
    QApplication::processEvents();
    QCOMPARE(t->rowCount(), 1);
    QCOMPARE(r.count(Command::logKnownLength), 0);
    QCOMPARE(QApplication::activeWindow(), &r.window);
}

void LogWindowTest::copyAndCsvButtons() {
    LogRig r;
    QVERIFY(r.ready);
    LogWindow* w = r.show(sampleLog());
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(w->copyButton(), Qt::LeftButton);
    QCOMPARE(r.count(Command::logCopy), 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(measure::tableText(r.app.log, ',')));
    QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("riferimento")));
    // The clipboard service itself.
    r.window.model().setClipboardText("N.\tx1\n1\t412\n");
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("N.\tx1\n1\t412\n"));

    r.dialogs->csvNames.push_back("");   // cancelled
    QTest::mouseClick(w->csvButton(), Qt::LeftButton);
    QCOMPARE(r.count(Command::logExportCsv), 1);
    QCOMPARE(r.dialogs->csvDirs.size(), std::size_t(1));
    // The dialog services answer from the script and see the starting directory.
    r.dialogs->csvNames.push_back(r.path("misure"));
    r.dialogs->reportNames.push_back(r.path("relazione"));
    const std::size_t csvBefore = r.dialogs->csvDirs.size();
    QCOMPARE(r.window.model().csvFileDialog(r.path("")), r.path("misure"));
    QCOMPARE(r.window.model().reportFileDialog(r.path("")), r.path("relazione"));
    QCOMPARE(r.window.model().csvFileDialog(r.path("")), std::string());
    QCOMPARE(r.dialogs->csvDirs.size(), csvBefore + 2);
    QCOMPARE(r.dialogs->csvDirs.back(), r.path(""));
    QCOMPARE(r.dialogs->reportDirs, std::vector<std::string>{r.path("")});
}

void LogWindowTest::closesWithTheMainWindow() {
    LogRig r;
    QVERIFY(r.ready);
    LogWindow* w = r.show(sampleLog());
    QVERIFY(w->isVisible());
    r.window.close();   // nothing to save: the program ends
    QVERIFY(r.window.quitRequested());
    QVERIFY(!w->isVisible());
}

QTEST_MAIN(LogWindowTest)
#include "log_window_test.moc"

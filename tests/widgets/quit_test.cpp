// Ending the program from the event loop: the exit entry at once, and a close while a long
// handler runs its own event processing, which ends the program only once that handler returns.
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "input/app.h"
#include "ui/qt/main_window.h"

using namespace velta;
using velta::qt::MainWindow;

namespace {

qt::MainWindowOptions options() { return {QSize(800, 600), 16, 15.0}; }

// Ends a run that would otherwise hang: exec returns 2 instead of 0.
void guard() { QTimer::singleShot(10000, [] { QCoreApplication::exit(2); }); }

}  // namespace

class QuitTest : public QObject {
    Q_OBJECT
private slots:
    void exitEntryEndsTheEventLoop();
    void closeDuringALongHandlerEndsOnceItReturns();
};

void QuitTest::exitEntryEndsTheEventLoop() {
    MainWindow window(options());
    App app(window.model(), QDir::tempPath().toStdString());
    window.attach(app);
    window.show();
    QTimer::singleShot(0, [&window] { window.action(Ctl::exit)->trigger(); });
    guard();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(window.quitRequested());
    QVERIFY(!window.isVisible());
}

void QuitTest::closeDuringALongHandlerEndsOnceItReturns() {
    MainWindow window(options());
    App app(window.model(), QDir::tempPath().toStdString());
    bool loopEnded = false, visibleAfterClose = false;
    // Stands in for the rectification: processes events row by row until asked to stop.
    auto rectify = [&loopEnded](App& a) {
        a.s.rectRunning = true;
        QElapsedTimer clock;
        clock.start();
        while (!a.s.stopRequest && clock.elapsed() < 5000) a.w.processEvents();
        a.s.rectRunning = false;
        loopEnded = true;
        if (a.quitRequested) a.w.quit();
    };
    window.setDispatch([rectify](App& a, const Event& e) {
        if (e.command == Command::RADDR1) rectify(a);
        else dispatch(a, e);
    });
    window.attach(app);
    window.show();
    QTimer::singleShot(0, [&window] { window.action(Ctl::start)->trigger(); });
    QTimer::singleShot(50, [&] {
        window.close();   // the exit handler only asks the loop to stop
        visibleAfterClose = window.isVisible() && !loopEnded;
    });
    guard();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(visibleAfterClose);
    QVERIFY(loopEnded);
    QCOMPARE(app.s.stopRequest, std::int16_t(1));
    QVERIFY(window.quitRequested());
}

QTEST_MAIN(QuitTest)
#include "quit_test.moc"

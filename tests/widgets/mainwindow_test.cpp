// The main window: design texts and layout, model changes reaching the widgets, every event
// running its one handler, shortcuts from the keyboard, scroll bars, the panel, dialogs, close.
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "input/app.h"
#include "ui/qt/backdrop.h"
#include "ui/qt/main_window.h"
#include "ui/qt/picture_view.h"
#include "ui/qt/spin_arrows.h"
#include "widget_testutils.h"

using namespace velta;
using velta::qt::MainWindow;

namespace {

using Log = std::vector<QString>;

// Records each event the window sends, instead of running it.
MainWindow::Dispatch recording(Log& log) {
    return [&log](App&, const Event& e) {
        const QString name = commandName(e.command);
        switch (e.command) {
        case Command::PICTURE1_MouseDown:
        case Command::Picture1_MouseMove:
        case Command::Picture1_MouseUp:
        case Command::Picture2_MouseDown:
        case Command::Picture2_MouseMove:
            log.push_back(QString("%1 %2 %3 %4 %5").arg(name).arg(e.button).arg(e.shift).arg(double(e.x)).arg(double(e.y)));
            return;
        case Command::scrollChange: log.push_back(QString("scrollChange %1 %2").arg(int(e.bar)).arg(e.value)); return;
        default: log.push_back(name);
        }
    };
}

qt::MainWindowOptions options(double twipsPerPixel) {
    return {QSize(1000, 700), 16, twipsPerPixel};
}

// A shown window with recording handlers and scripted dialogs.
struct Rig {
    explicit Rig(double twipsPerPixel = 15) : window(options(twipsPerPixel)), app(window.model(), QDir::tempPath().toStdString()) {
        window.setDispatch(recording(log));
        window.setDialogs(std::make_unique<ScriptedDialogs>());
        window.attach(app);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    template <class W> W* get(Ctl c) { return qobject_cast<W*>(window.widget(c)); }
    // A click through the window, so that the real hit test picks the widget.
    void clickAt(QWidget* w, QPoint p, bool twice = false) {
        const QPoint inWindow = w->mapTo(&window, p);
        if (twice) QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, inWindow);
        else QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, inWindow);
    }
    // A key through the window system, to whichever widget has the focus.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(window.windowHandle(), k, mods);
    }
    void enableAllMenus() {
        for (int i = 0; i <= static_cast<int>(Ctl::help1); ++i) {
            window.model().setEnabled(static_cast<Ctl>(i), true);
            window.model().setVisible(static_cast<Ctl>(i), true);
        }
    }

    MainWindow window;
    App app;
    Log log;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void designTextsReachTheWidgets();
    void menusComeInOrderWithTheirEntries();
    void modelChangesReachTheWidgets();
    void controlsSitAtTheirDesignPlaces_data();
    void controlsSitAtTheirDesignPlaces();
    void everyShortcutRunsItsEntry_data();
    void everyShortcutRunsItsEntry();
    void entriesOfADisabledMenuIgnoreTheirShortcuts();
    void frameEntryKeepsTheModelsCheckMark();
    void buttonsAndSpinArrowsRunTheirHandlers();
    void backgroundClicksRunTheirHandlersAndThePanelSwallowsItsOwn();
    void pictureMouseEventsRunThePictureHandlers();
    void scrollBarsFollowTheModelAndReportUserChangesOnce();
    void panelSitsTopRightAndFollowsTheModel();
    void closingAsksTheExitHandler();
};

void MainWindowTest::designTextsReachTheWidgets() {
    Rig r;
    QCOMPARE(r.window.windowTitle(), QString("VELTA 3.04"));
    QCOMPARE(r.get<QGroupBox>(Ctl::Frame1)->title(), QString("COMANDI"));
    QCOMPARE(r.get<QLabel>(Ctl::domanda1)->text(), QString("Caricare un'immagine "));
    QCOMPARE(r.get<QPushButton>(Ctl::RADDRIZZA)->text(), QString("Raddrizza"));
    QCOMPARE(r.get<QPushButton>(Ctl::RADDRIZZA)->toolTip(), QString("opera il raddrizzamento"));
    QCOMPARE(r.get<QPushButton>(Ctl::zoo)->text(), QString("Zoom"));
    QCOMPARE(r.get<QLineEdit>(Ctl::Text3)->toolTip(),
             QString::fromUtf8("è possibile variare la grandeza dell'immagine raddrizzata"));
    QCOMPARE(r.get<QLineEdit>(Ctl::Text6_4)->text(), QString("m4"));
    QCOMPARE(r.get<QLabel>(Ctl::Label4)->text(), QString("Immagine sorgente"));
    QCOMPARE(r.window.view(Pic::Picture1).toolTip(), QString("inserire i punti relativi alle rette"));
    QCOMPARE(r.get<QPushButton>(Ctl::RADDRIZZA)->font().pointSizeF(), 9.75);
    QCOMPARE(r.get<QLineEdit>(Ctl::Text1)->font().pointSizeF(), 9.0);
    QCOMPARE(r.get<QPushButton>(Ctl::zoo)->font().pointSizeF(), 7.0);
    QVERIFY(r.get<QLabel>(Ctl::domanda1)->font().bold());
    QVERIFY(r.get<QLineEdit>(Ctl::Text4)->font().bold());
    // Every control shows the model's text and tooltip.
    for (int i = static_cast<int>(Ctl::Frame1); i < controlCount; ++i) {
        const Ctl c = static_cast<Ctl>(i);
        QVERIFY2(r.window.widget(c), controlName(c));
        QCOMPARE(r.window.widget(c)->toolTip().toStdString(), r.window.model().control(c).toolTip);
    }
}

void MainWindowTest::menusComeInOrderWithTheirEntries() {
    Rig r;
    QStringList bar, file, edit;
    for (QAction* a : r.window.menuBar()->actions()) bar << a->text();
    QCOMPARE(bar, QStringList({"&File", "&Edit", "&Raddrizza", "&Misura", "&Print", "&?"}));
    for (QAction* a : r.window.action(Ctl::file)->menu()->actions()) file << a->text();
    QCOMPARE(file, QStringList({"&Open File", "&Save File", "Esporta &immagine...", "Esporta &relazione...", "&Exit"}));
    QStringList raddrizza, interpolazione;
    for (QAction* a : r.window.action(Ctl::raddrizza1)->menu()->actions()) raddrizza << a->text();
    QCOMPARE(raddrizza, QStringList({"&Start", "&Altra", "&Interpolazione", "&Misure..."}));
    for (QAction* a : r.window.action(Ctl::interpolazione)->menu()->actions())
        interpolazione << a->text() + (a->isChecked() ? "*" : "");
    QCOMPARE(interpolazione, QStringList({"&Pixel più vicino", "&Bilineare", "Bi&cubica*"}));
    QVERIFY(!r.window.action(Ctl::esporta)->isEnabled());
    QVERIFY(r.window.action(Ctl::esporta)->shortcut().isEmpty());
    for (QAction* a : r.window.action(Ctl::edit)->menu()->actions()) edit << a->text();
    QCOMPARE(edit, QStringList({"&Canc", "&Centro Oo", "&Area", "&Griglia", "&Parametri", "&Frame", "Aggancio ai &bordi"}));
    QVERIFY(!r.window.action(Ctl::misura)->isVisible());
    QVERIFY(r.window.action(Ctl::frame_m)->isChecked());
    // Snapping: off and out of reach until a picture is open, Ctrl+B.
    QAction* snap = r.window.action(Ctl::aggancio);
    QVERIFY(snap->isCheckable() && !snap->isChecked() && !snap->isEnabled());
    QCOMPARE(snap->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    QVERIFY(!r.window.action(Ctl::parametri)->isEnabled());
}

void MainWindowTest::modelChangesReachTheWidgets() {
    Rig r;
    Window& w = r.window.model();
    w.setText(Ctl::RADDRIZZA, "Misura");
    w.setToolTip(Ctl::RADDRIZZA, "misura");
    w.setEnabled(Ctl::RADDRIZZA, false);
    auto* b = r.get<QPushButton>(Ctl::RADDRIZZA);
    QCOMPARE(b->text(), QString("Misura"));
    QCOMPARE(b->toolTip(), QString("misura"));
    QVERIFY(!b->isEnabled());
    w.setVisible(Ctl::RADDRIZZA, false);
    QVERIFY(b->isHidden());
    w.setText(Ctl::Label4, "Immagine sorgente, molto lunga");
    QVERIFY(r.get<QLabel>(Ctl::Label4)->width() >= r.get<QLabel>(Ctl::Label4)->sizeHint().width());
    w.setEnabled(Ctl::save, true);
    QVERIFY(r.window.action(Ctl::save)->isEnabled());
    w.setVisible(Ctl::misura, true);
    QVERIFY(r.window.action(Ctl::misura)->isVisible());
    w.setChecked(Ctl::frame_m, false);
    QVERIFY(!r.window.action(Ctl::frame_m)->isChecked());
    w.setTitle("Raddrizzamento di   ' /tmp/a [*].bmp '");
    QVERIFY(r.window.windowTitle().contains("a [**].bmp"));   // shown literally
    w.setWindowCursor(Cursor::Hourglass);
    QCOMPARE(r.window.cursor().shape(), Qt::WaitCursor);
    w.setWindowCursor(Cursor::Default);
    QCOMPARE(r.window.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(r.log.empty());
}

void MainWindowTest::controlsSitAtTheirDesignPlaces_data() {
    QTest::addColumn<double>("tpp");
    QTest::newRow("96 dpi") << 15.0;
    QTest::newRow("192 dpi") << 7.5;
}

void MainWindowTest::controlsSitAtTheirDesignPlaces() {
    QFETCH(double, tpp);
    Rig r(tpp);
    auto px = [tpp](int twips) { return qRound(twips / tpp); };
    auto geo = [&r](Ctl c) { return r.window.widget(c)->geometry(); };
    QCOMPARE(geo(Ctl::zoo), QRect(px(11040), px(240), px(732), px(252)));
    QCOMPARE(geo(Ctl::RADDRIZZA).topLeft(), QPoint(px(1440), px(1200)));
    QCOMPARE(geo(Ctl::RADDRIZZA).width(), px(1575));
    QCOMPARE(geo(Ctl::RETTANG).topLeft(), QPoint(px(2280), px(2280)));
    QCOMPARE(geo(Ctl::Text3), geo(Ctl::Text4));
    QCOMPARE(geo(Ctl::Text3).topLeft(), QPoint(px(240), px(1200)));
    QCOMPARE(geo(Ctl::GRANDEZZA).topLeft(), QPoint(px(1080), px(1200)));
    QVERIFY(geo(Ctl::Label3).top() >= geo(Ctl::Text1).bottom());
    QCOMPARE(geo(Ctl::Frame1).size(), QSize(px(3135), px(4455)));
    QCOMPARE(geo(Ctl::Label4).topLeft(), QPoint(px(240), px(120)));
    QCOMPARE(r.window.view(Pic::Picture2).pos(), QPoint(px(5760), px(480)));
    // The parameter grid: two columns below the buttons, rows side by side.
    const Ctl left[] = {Ctl::tfuox, Ctl::tfuoy, Ctl::Text6_1, Ctl::Text6_2};
    const Ctl right[] = {Ctl::tfuvx, Ctl::tfuvy, Ctl::Text6_3, Ctl::Text6_4};
    int below = geo(Ctl::GRIGLIA).bottom();
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(geo(left[row]).x(), geo(Ctl::tfuox).x());
        QCOMPARE(geo(right[row]).x(), geo(Ctl::tfuvx).x());
        QCOMPARE(geo(right[row]).y(), geo(left[row]).y());
        QVERIFY(geo(left[row]).top() > below);
        QVERIFY(geo(right[row]).left() > geo(left[row]).right());
        QVERIFY(geo(Ctl::Frame1).contains(geo(right[row]).translated(geo(Ctl::Frame1).topLeft())));
        below = geo(left[row]).bottom();
    }
}

void MainWindowTest::everyShortcutRunsItsEntry_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<QString>("handler");
    const auto none = int(Qt::NoModifier), ctrl = int(Qt::ControlModifier);
    QTest::newRow("open F2") << int(Ctl::open) << int(Qt::Key_F2) << none << "openClick";
    QTest::newRow("save F3") << int(Ctl::save) << int(Qt::Key_F3) << none << "saveClick";
    QTest::newRow("exit F4") << int(Ctl::exit) << int(Qt::Key_F4) << none << "exitClick";
    QTest::newRow("canc Ctrl+C") << int(Ctl::canc) << int(Qt::Key_C) << ctrl << "CANC2";
    QTest::newRow("centro1 Ctrl+O") << int(Ctl::centro1) << int(Qt::Key_O) << ctrl << "CENTRONUOVO";
    QTest::newRow("area Ctrl+A") << int(Ctl::area) << int(Qt::Key_A) << ctrl << "RETTANG3";
    QTest::newRow("griglia2 Ctrl+G") << int(Ctl::griglia2) << int(Qt::Key_G) << ctrl << "griglia1";
    QTest::newRow("parametri Ctrl+P") << int(Ctl::parametri) << int(Qt::Key_P) << ctrl << "";
    QTest::newRow("frame_m Ctrl+F") << int(Ctl::frame_m) << int(Qt::Key_F) << ctrl << "frameToggle";
    QTest::newRow("start F6") << int(Ctl::start) << int(Qt::Key_F6) << none << "RADDR1";
    QTest::newRow("altra F7") << int(Ctl::altra) << int(Qt::Key_F7) << none << "ALTRA1";
    QTest::newRow("print F5") << int(Ctl::print) << int(Qt::Key_F5) << none << "printClick";
    QTest::newRow("help1 F1") << int(Ctl::help1) << int(Qt::Key_F1) << none << "helpClick";
}

void MainWindowTest::everyShortcutRunsItsEntry() {
    QFETCH(int, entry);
    QFETCH(int, key);
    QFETCH(int, mods);
    QFETCH(QString, handler);
    Rig r;
    r.enableAllMenus();
    // A click on a display box first: it must not take the keys from the menus.
    auto* box = r.get<QLineEdit>(Ctl::tfuox);
    r.clickAt(box, QPoint(5, 5));
    QVERIFY(QApplication::focusWidget() != box);
    QSignalSpy triggered(r.window.action(static_cast<Ctl>(entry)), &QAction::triggered);
    r.key(Qt::Key(key), Qt::KeyboardModifiers(mods));
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(r.log, handler.isEmpty() ? Log{} : Log{handler});
}

void MainWindowTest::entriesOfADisabledMenuIgnoreTheirShortcuts() {
    Rig r;
    r.window.model().setEnabled(Ctl::raddrizza1, false);
    r.key(Qt::Key_F6);
    r.key(Qt::Key_C, Qt::ControlModifier);   // canc is disabled at design
    QVERIFY(r.log.empty());
    r.window.model().setEnabled(Ctl::raddrizza1, true);
    r.key(Qt::Key_F6);
    QCOMPARE(r.log, Log{"RADDR1"});
}

void MainWindowTest::frameEntryKeepsTheModelsCheckMark() {
    Rig r;
    QAction* frame = r.window.action(Ctl::frame_m);
    r.key(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(frame->isChecked());   // the handler left the model checked
    r.window.setDispatch([record = recording(r.log)](App& app, const Event& e) {
        if (e.command == Command::frameToggle) dispatch(app, e);
        else record(app, e);
    });
    r.key(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!frame->isChecked());
    QVERIFY(r.window.widget(Ctl::Frame1)->isHidden());
    r.key(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(frame->isChecked());
    QVERIFY(r.window.widget(Ctl::Frame1)->isVisible());
}

void MainWindowTest::buttonsAndSpinArrowsRunTheirHandlers() {
    Rig r;
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::CENTRO, Ctl::cancella, Ctl::GRIGLIA, Ctl::RETTANG, Ctl::zoo})
        QTest::mouseClick(r.window.widget(c), Qt::LeftButton);
    auto* spin = qobject_cast<qt::SpinArrows*>(r.window.widget(Ctl::GRANDEZZA));
    QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    QTest::mouseClick(spin->downButton(), Qt::LeftButton);
    const Log expected{"RADDR1", "CENTRO_Click", "CANC2", "griglia1", "RETTANG3", "zooClick",
                       "GRANDEZZA_SpinUp", "GRANDEZZA_SpinDown"};
    QCOMPARE(r.log, expected);
}

void MainWindowTest::backgroundClicksRunTheirHandlersAndThePanelSwallowsItsOwn() {
    Rig r;
    r.clickAt(r.window.backdrop(), QPoint(500, 600));
    QCOMPARE(r.log, Log{"formClick"});
    r.log.clear();
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    r.clickAt(r.window.backdrop(), QPoint(500, 600), true);
    // A double click is a click, then the double click; its last release is no second click.
    QCOMPARE(r.log, (Log{"formClick", "VALORIDEFAULT"}));
    r.log.clear();
    // The panel, its prompt and a disabled button of it do nothing.
    r.window.model().setEnabled(Ctl::RADDRIZZA, false);
    r.clickAt(r.window.widget(Ctl::domanda1), QPoint(5, 5));
    r.clickAt(r.window.widget(Ctl::RADDRIZZA), QPoint(5, 5));
    r.clickAt(r.window.widget(Ctl::Frame1), QPoint(3, r.window.widget(Ctl::Frame1)->height() - 3));
    QVERIFY(r.log.empty());
}

void MainWindowTest::pictureMouseEventsRunThePictureHandlers() {
    Rig r;
    QImage img(60, 50, QImage::Format_RGB32);
    img.fill(Qt::white);
    qt::PictureView& p1 = r.window.view(Pic::Picture1);
    qt::PictureView& p2 = r.window.view(Pic::Picture2);
    p1.setPicture(img);
    p2.setPicture(img);
    QTest::mousePress(&p1, Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 30));
    QMouseEvent move(QEvent::MouseMove, QPointF(41.5, 32.25), p1.mapToGlobal(QPointF(41.5, 32.25)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&p1, &move);
    QTest::mouseRelease(&p1, Qt::LeftButton, Qt::NoModifier, QPoint(42, 33));
    // The view's name on the picture lets clicks through to it.
    const QPoint onLabel = r.window.widget(Ctl::Label4)->geometry().topLeft() + QPoint(4, 4);
    r.clickAt(&p1, onLabel);
    const Log expected1{"PICTURE1_MouseDown 1 1 40 30", "Picture1_MouseMove 0 0 41 32", "Picture1_MouseUp 1 0 42 33",
                        QString("Picture1_MouseMove 0 0 %1 %2").arg(onLabel.x()).arg(onLabel.y()),
                        QString("PICTURE1_MouseDown 1 0 %1 %2").arg(onLabel.x()).arg(onLabel.y()),
                        QString("Picture1_MouseUp 1 0 %1 %2").arg(onLabel.x()).arg(onLabel.y())};
    QCOMPARE(r.log, expected1);

    r.log.clear();
    QTest::mousePress(&p2, Qt::RightButton, Qt::ControlModifier, QPoint(7, 8));
    QTest::mouseRelease(&p2, Qt::RightButton, Qt::ControlModifier, QPoint(7, 8));
    QTest::mouseDClick(&p2, Qt::RightButton, Qt::ControlModifier, QPoint(7, 8));
    // The second press of a double click is the double click only; Picture2 has no release handler.
    QCOMPARE(r.log, (Log{"Picture2_MouseDown 2 2 7 8", "Picture2_DblClick"}));
}

void MainWindowTest::scrollBarsFollowTheModelAndReportUserChangesOnce() {
    Rig r;
    ScrollBarState h{true, 0, 492, 10, 10, 100, 684, 1008};
    r.window.model().setScroll(ScrollId::HScroll1, h);
    ScrollBarState v{true, 1, 300, 5, 7, 70, 984, 652};
    r.window.model().setScroll(ScrollId::VScroll1, v);
    QScrollBar* hb = r.window.scrollBar(ScrollId::HScroll1);
    QScrollBar* vb = r.window.scrollBar(ScrollId::VScroll1);
    QVERIFY(hb->isVisible());
    QCOMPARE(hb->maximum(), 492);
    QCOMPARE(hb->value(), 10);
    QCOMPARE(hb->pageStep(), 100);
    QCOMPARE(hb->geometry(), QRect(0, 684, 1008, 16));
    QCOMPARE(vb->geometry(), QRect(984, 0, 16, 652));
    QCOMPARE(vb->minimum(), 1);
    QCOMPARE(vb->singleStep(), 7);
    QVERIFY(r.window.scrollBar(ScrollId::VScroll2)->isHidden());
    QCOMPARE(r.window.model().scrollBarThickness(), 16);
    QVERIFY(r.log.empty());   // the model's own changes are not reported back

    hb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(r.log, Log{"scrollChange 1 20"});
    QCOMPARE(r.window.model().scroll(ScrollId::HScroll1).value, 20);
    vb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(r.log.back(), QString("scrollChange 0 75"));
    QCOMPARE(r.log.size(), std::size_t(2));

    h.visible = false;
    r.window.model().setScroll(ScrollId::HScroll1, h);
    QVERIFY(hb->isHidden());
}

void MainWindowTest::panelSitsTopRightAndFollowsTheModel() {
    Rig r;
    QWidget* panel = r.window.widget(Ctl::Frame1);
    QCOMPARE(panel->pos(), QPoint(1000 - panel->width() - 16, 10));
    QVERIFY(panel->isVisible());
    r.window.model().setVisible(Ctl::Frame1, false);
    QVERIFY(panel->isHidden());
    r.window.model().setVisible(Ctl::Frame1, true);
    QVERIFY(panel->isVisible());
    // The panel floats above the views.
    QCOMPARE(r.window.backdrop()->children().last(), panel);
}

void MainWindowTest::closingAsksTheExitHandler() {
    Rig r;
    QVERIFY(!r.window.close());   // the recorded exit handler does not quit
    QCOMPARE(r.log, Log{"exitClick"});
    QVERIFY(r.window.isVisible());
    r.window.setDispatch([record = recording(r.log)](App& app, const Event& e) {
        if (e.command == Command::exitClick) app.w.quit();
        else record(app, e);
    });
    QVERIFY(r.window.close());
    QVERIFY(r.window.quitRequested());
}

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

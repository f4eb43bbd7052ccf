#pragma once
// The whole program in its real main window, used the way a user uses it: keys for the menu
// shortcuts, mouse clicks through the window (so that the real hit test picks the control),
// modal dialogs answered from a script. Assertions read the real widgets.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <memory>
#include <string>

#include "input/app.h"
#include "input/handlers.h"
#include "scripted_dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/picture_view.h"
#include "ui/qt/spin_arrows.h"

namespace e2e {

using velta::Ctl;
using velta::Pic;

/// The screen the tests pretend to have: views 1240 x 760 pixels, 16-pixel scroll bars, 96 dpi.
inline velta::qt::MainWindowOptions screen() {
    return {QSize(1240, 760), 16, 15.0};
}

class Rig {
public:
    /// The program as main() starts it, in a fresh data directory, with an Italian decimal comma.
    Rig() : window(screen()), app(window.model(), dir.path().toStdString()) {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        window.setDialogs(std::move(scripted));
        app.decimalSep = ',';
        window.attach(app);
        velta::formLoad(app);
        window.show();
        window.activateWindow();
        ready = QTest::qWaitForWindowActive(&window);
    }

    /// A file in the data directory.
    std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }

    // What the user sees, read from the widgets.
    QString prompt() const { return label(Ctl::domanda1)->text(); }
    QString caption(Ctl c) const { return button(c)->text(); }
    QString box(Ctl c) const { return qobject_cast<QLineEdit*>(window.widget(c))->text(); }
    QLabel* label(Ctl c) const { return qobject_cast<QLabel*>(window.widget(c)); }
    QPushButton* button(Ctl c) const { return qobject_cast<QPushButton*>(window.widget(c)); }
    velta::qt::PictureView& view(Pic p) const { return window.view(p); }
    /// Shown on screen (a menu entry: listed in its menu).
    bool shown(Ctl c) const {
        if (QAction* a = window.action(c)) return a->isVisible();
        return window.widget(c)->isVisible();
    }
    /// Shown and usable: a click or a shortcut would run it.
    bool usable(Ctl c) const {
        if (QAction* a = window.action(c)) return a->isVisible() && a->isEnabled();
        const QWidget* w = window.widget(c);
        return w->isVisible() && w->isEnabled();
    }

    // Keyboard and mouse, through the window system.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(window.windowHandle(), k, mods);
    }
    /// A click at a point of a widget, through its window; fails when another control covers
    /// that point.
    void click(QWidget* target, QPoint local) {
        QWidget* top = target->window();
        const QPoint at = target->mapTo(top, local);
        QCOMPARE(top->childAt(at), target);
        QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, at);
    }
    void clickButton(Ctl c) { click(button(c), button(c)->rect().center()); }
    void spinUp() { spinArrow(spin()->upButton()); }
    void spinDown() { spinArrow(spin()->downButton()); }

    /// The window point of image pixel (x, y) of a picture, checked to be on that picture.
    QPoint onPicture(Pic p, QPoint px) {
        const QPoint at = view(p).mapTo(&window, px);
        hitOk = hitOk && window.childAt(at) == &view(p);
        return at;
    }
    void pressImage(Pic p, QPoint px) {
        QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, onPicture(p, px));
    }
    void releaseImage(Pic p, QPoint px) {
        QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, onPicture(p, px));
    }
    void moveImage(Pic p, QPoint px) { QTest::mouseMove(window.windowHandle(), onPicture(p, px)); }
    void clickImage(Pic p, QPoint px) {
        pressImage(p, px);
        releaseImage(p, px);
    }
    /// The pointer travels from one point to another in a few moves, no button held.
    void travel(Pic p, QPoint from, QPoint to) {
        for (int i = 1; i <= 4; ++i) moveImage(p, from + (to - from) * i / 4);
    }
    /// Two clicks, with the pointer travelling from the first to the second between them.
    void drag(Pic p, QPoint from, QPoint to) {
        clickImage(p, from);
        travel(p, from, to);
        clickImage(p, to);
    }

    /// Saves a picture of the main window as NAME.png when VELTA_SCREENSHOT_DIR names a directory.
    void snapshot(const char* name) {
        const char* out = std::getenv("VELTA_SCREENSHOT_DIR");
        if (!out || !*out) return;
        QApplication::processEvents();
        QDir().mkpath(QString::fromLocal8Bit(out));
        const QString file = QDir(QString::fromLocal8Bit(out)).filePath(QString::fromLatin1(name) + ".png");
        if (!window.grab().save(file)) qWarning("cannot write %s", qPrintable(file));
    }

    QTemporaryDir dir;
    velta::qt::MainWindow window;
    velta::App app;
    ScriptedDialogs* dialogs = nullptr;
    bool ready = false;  // the window is shown and active
    bool hitOk = true;   // every picture event so far landed on its picture

private:
    velta::qt::SpinArrows* spin() const { return qobject_cast<velta::qt::SpinArrows*>(window.widget(Ctl::GRANDEZZA)); }
    void spinArrow(QToolButton* arrow) { click(arrow, arrow->rect().center()); }
};

}  // namespace e2e

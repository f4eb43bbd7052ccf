#pragma once
// Helpers of the widget tests, in one place (files and bitmaps come from the logic tests'
// testutils.h):
//   1. scripted dialogs: nothing modal opens, answers come from queues, everything shown is recorded
//   2. the rig: the whole program in its real main window, used as a user uses it
//   3. reading a rectified picture of the sample façade back

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imageio/qt_image_io.h"
#include "input/app.h"
#include "input/handlers.h"
#include "sample/facade.h"
#include "state/state.h"
#include "testutils.h"
#include "ui/qt/dialog_provider.h"
#include "ui/qt/main_window.h"
#include "ui/qt/picture_view.h"
#include "ui/qt/spin_arrows.h"

// ---- 1. scripted dialogs ----------------------------------------------------------------------
// Dialogs for widget tests: nothing modal opens. Each kind of dialog answers from its own queue,
// in order; with its queue empty it answers as if cancelled (OK for an OK box, No for a
// question, Annulla for the three-button box). Everything shown is recorded, so that a test can assert on the texts a user saw.

struct ScriptedDialogs : velta::qt::DialogProvider {
    struct Message {
        std::string text;
        std::string title;
        velta::Icon icon = velta::Icon::None;
        velta::Buttons buttons = velta::Buttons::Ok;
    };

    // Answers, taken from the front.
    std::deque<velta::Answer> answers;              // message boxes
    std::deque<std::optional<std::string>> inputs;  // input boxes; nullopt = cancelled
    std::deque<std::string> openNames;              // open dialog; "" = cancelled
    std::deque<std::string> saveNames;              // save dialog; "" = cancelled
    std::deque<velta::ExportChoice> exportChoices;  // export dialog; empty name = cancelled
    std::deque<std::string> csvNames;               // CSV dialog; "" = cancelled
    std::deque<std::string> reportNames;            // report dialog; "" = cancelled
    std::deque<bool> printers;                      // printer dialog

    // What was shown.
    std::vector<Message> messages;
    std::vector<std::string> prompts;             // input box prompts
    std::vector<std::string> openDirs, saveDirs;  // starting directories of the file dialogs
    std::vector<bool> exportJpegOffered;          // one per export dialog shown
    std::vector<std::string> csvDirs, reportDirs; // starting directories of the CSV and report dialogs
    int printerDialogs = 0;
    int printedWindows = 0;
    std::vector<std::string> helpShown;

    /// Runs while a message box would be open, before it is answered.
    std::function<void(const Message&)> onMessage;

    velta::Answer messageBox(QWidget*, const std::string& text, const std::string& title, velta::Icon icon,
                             velta::Buttons buttons) override {
        messages.push_back({text, title, icon, buttons});
        if (onMessage) onMessage(messages.back());
        if (!answers.empty()) return take(answers);
        return velta::cancelAnswer(buttons);
    }
    std::optional<std::string> inputBox(QWidget*, const std::string& prompt) override {
        prompts.push_back(prompt);
        if (inputs.empty()) return std::nullopt;
        return take(inputs);
    }
    std::string openFile(QWidget*, const std::string& dir) override {
        openDirs.push_back(dir);
        return openNames.empty() ? std::string() : take(openNames);
    }
    std::string saveFile(QWidget*, const std::string& dir) override {
        saveDirs.push_back(dir);
        return saveNames.empty() ? std::string() : take(saveNames);
    }
    velta::ExportChoice exportFile(QWidget*, const std::string& dir, bool jpeg) override {
        saveDirs.push_back(dir);
        exportJpegOffered.push_back(jpeg);
        return exportChoices.empty() ? velta::ExportChoice{} : take(exportChoices);
    }
    std::string csvFile(QWidget*, const std::string& dir) override {
        csvDirs.push_back(dir);
        return csvNames.empty() ? std::string() : take(csvNames);
    }
    std::string reportFile(QWidget*, const std::string& dir) override {
        reportDirs.push_back(dir);
        return reportNames.empty() ? std::string() : take(reportNames);
    }
    bool printerDialog(QWidget*) override {
        ++printerDialogs;
        return printers.empty() ? false : take(printers);
    }
    void printWindow(QWidget&) override { ++printedWindows; }
    void showHelp(QWidget*, const std::string& path) override { helpShown.push_back(path); }

private:
    template <class T>
    static T take(std::deque<T>& queue) {
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
};

// ---- 2. the rig -------------------------------------------------------------------------------
// The whole program in its real main window, used the way a user uses it: keys for the menu
// shortcuts, mouse clicks through the window (so that the real hit test picks the control),
// modal dialogs answered from a script. Assertions read the real widgets.

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
        app.io = &imageIO;
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
    velta::imageio::QtImageIO imageIO;   // declared before the program that uses it
    velta::App app;
    ScriptedDialogs* dialogs = nullptr;
    bool ready = false;  // the window is shown and active
    bool hitOk = true;   // every picture event so far landed on its picture

private:
    velta::qt::SpinArrows* spin() const { return qobject_cast<velta::qt::SpinArrows*>(window.widget(Ctl::GRANDEZZA)); }
    void spinArrow(QToolButton* arrow) { click(arrow, arrow->rect().center()); }
};

/// Scrolls a view so that image pixel px lies well inside the viewport, clear of the command panel.
inline void bringIntoView(Rig& r, Pic p, QPoint px) {
    const bool source = p == Pic::Picture1;
    QScrollBar* h = r.window.scrollBar(source ? velta::ScrollId::HScroll1 : velta::ScrollId::HScroll2);
    QScrollBar* v = r.window.scrollBar(source ? velta::ScrollId::VScroll1 : velta::ScrollId::VScroll2);
    if (h->isVisible()) h->setValue(std::clamp(px.x() - 400, h->minimum(), h->maximum()));
    if (v->isVisible()) v->setValue(std::clamp(px.y() - 350, v->minimum(), v->maximum()));
}

/// A click at image pixel px of a picture larger than its view: scrolled into view first.
inline void clickAt(Rig& r, Pic p, QPoint px) {
    bringIntoView(r, p, px);
    r.moveImage(p, px);
    r.clickImage(p, px);
}

/// The whole pixel holding an image point.
inline QPoint whole(velta::sample::ImagePoint p) {
    return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
}

/// Marks the façade seen as `q` on a large picture: its top, bottom, left and right edges, each
/// end brought into view before its click, then the calculation area `margin` pixels around it.
inline void markFacadeEdges(Rig& r, const velta::sample::Quad& q) {
    const std::pair<velta::sample::ImagePoint, velta::sample::ImagePoint> edges[] = {
        {q.topLeft, q.topRight}, {q.bottomLeft, q.bottomRight}, {q.bottomLeft, q.topLeft}, {q.bottomRight, q.topRight}};
    for (const auto& [a, b] : edges) {
        clickAt(r, Pic::Picture1, whole(a));
        clickAt(r, Pic::Picture1, whole(b));
    }
}

inline void markAreaAround(Rig& r, const velta::sample::Quad& q, double margin) {
    const double left = std::min(q.topLeft.x, q.bottomLeft.x) - margin;
    const double right = std::max(q.topRight.x, q.bottomRight.x) + margin;
    const double top = std::min(q.topLeft.y, q.topRight.y) - margin;
    const double bottom = std::max(q.bottomLeft.y, q.bottomRight.y) + margin;
    r.key(Qt::Key_A, Qt::ControlModifier);
    clickAt(r, Pic::Picture1, whole({left, top}));
    clickAt(r, Pic::Picture1, whole({right, bottom}));
}

inline void markFacadeAndArea(Rig& r, const velta::sample::Quad& q, double margin) {
    markFacadeEdges(r, q);
    markAreaAround(r, q, margin);
}

}  // namespace e2e

// ---- 3. the sample façade read back -----------------------------------------------------------
// Reading a rectified picture of the sample façade back: which surface each pixel shows, the
// glass of its windows as boxes, the boxes in rows and columns, and the façade's outline with
// straight lines fitted to its edges.

namespace e2e {

namespace sample = velta::sample;
using velta::SourceImage;
using velta::sample::Material;

/// A rectangle of pixels, bounds included, and how many pixels were found in it.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // inclusive
    int pixels = 0;
    double width() const { return right - left + 1; }
    double height() const { return bottom - top + 1; }
    double cx() const { return (left + right) / 2.0; }
    double cy() const { return (top + bottom) / 2.0; }
};

/// The surface shown by each pixel of a picture.
struct MaterialMap {
    int width = 0, height = 0;
    std::vector<Material> material;  // row 0 at the top
    Material at(int x, int y) const { return material[static_cast<std::size_t>(y * width + x)]; }
};

/// The surfaces of a bitmap in the sample's palette.
inline MaterialMap materials(const SourceImage& img) {
    MaterialMap p;
    p.width = static_cast<int>(img.fileWidth);
    p.height = img.fileHeight;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            p.material.push_back(
                sample::materialOfIndex(img.sourceRows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]));
    return p;
}

/// Whether a surface belongs to the façade (not the sky or the ground around it).
inline bool isFacade(Material m) {
    return m == Material::Wall || m == Material::Stone || m == Material::Frame || m == Material::Glass;
}

/// The glass of each window: its panes (the transom splits each window's glass in two) joined
/// into one box; windows cut by the picture's edge are left out.
inline std::vector<Box> windowBoxes(const MaterialMap& p) {
    std::vector<int> seen(p.material.size(), 0);
    std::vector<Box> panes;
    for (int y0 = 0; y0 < p.height; ++y0)
        for (int x0 = 0; x0 < p.width; ++x0) {
            const auto i0 = static_cast<std::size_t>(y0 * p.width + x0);
            if (seen[i0] || p.material[i0] != Material::Glass) continue;
            Box b{x0, y0, x0, y0, 0};
            std::vector<QPoint> stack{{x0, y0}};
            seen[i0] = 1;
            while (!stack.empty()) {
                const QPoint q = stack.back();
                stack.pop_back();
                ++b.pixels;
                b.left = std::min(b.left, q.x()), b.right = std::max(b.right, q.x());
                b.top = std::min(b.top, q.y()), b.bottom = std::max(b.bottom, q.y());
                for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint n = q + d;
                    if (n.x() < 0 || n.y() < 0 || n.x() >= p.width || n.y() >= p.height) continue;
                    const auto i = static_cast<std::size_t>(n.y() * p.width + n.x());
                    if (seen[i] || p.material[i] != Material::Glass) continue;
                    seen[i] = 1;
                    stack.push_back(n);
                }
            }
            if (b.pixels >= 12) panes.push_back(b);
        }
    // The two panes of a window lie one above the other, a transom apart.
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < panes.size() && !merged; ++i)
            for (std::size_t j = i + 1; j < panes.size() && !merged; ++j) {
                Box& a = panes[i];
                const Box& b = panes[j];
                const double overlap = std::min(a.right, b.right) - std::max(a.left, b.left) + 1;
                const double gap = std::max(a.top, b.top) - std::min(a.bottom, b.bottom) - 1;
                if (overlap < 0.5 * std::min(a.width(), b.width()) || gap > 0.25 * std::max(a.width(), b.width()))
                    continue;
                a = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom), a.pixels + b.pixels};
                panes.erase(panes.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
            }
    }
    std::erase_if(panes, [&p](const Box& b) {
        return b.left <= 0 || b.top <= 0 || b.right >= p.width - 1 || b.bottom >= p.height - 1;
    });
    return panes;
}

/// Boxes grouped into lines by one coordinate (centre y for rows, centre x for columns).
inline std::vector<std::vector<Box>> lines(std::vector<Box> boxes, bool rows) {
    auto key = [rows](const Box& b) { return rows ? b.cy() : b.cx(); };
    std::sort(boxes.begin(), boxes.end(), [&](const Box& a, const Box& b) { return key(a) < key(b); });
    std::vector<std::vector<Box>> out;
    for (const Box& b : boxes) {
        const double size = rows ? b.height() : b.width();
        if (out.empty() || key(b) - key(out.back().back()) > 0.5 * size) out.emplace_back();
        out.back().push_back(b);
    }
    return out;
}

/// Largest value minus smallest.
inline double spread(const std::vector<double>& v) {
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return *hi - *lo;
}

/// A straight line fitted to positions p[i] at steps i: how far it runs off parallel over its
/// length, and how far the worst position lies from it.
struct Fit {
    double drift = 0;     // |slope| x length, in pixels
    double residual = 0;  // largest distance of a position from the line, in pixels
};

inline Fit fit(const std::vector<double>& p) {
    const double n = double(p.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double x = double(i);
        sx += x, sy += p[i], sxx += x * x, sxy += x * p[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), icept = (sy - slope * sx) / n;
    Fit f{std::fabs(slope) * n, 0};
    for (std::size_t i = 0; i < p.size(); ++i)
        f.residual = std::max(f.residual, std::fabs(p[i] - (icept + slope * double(i))));
    return f;
}

struct Frame {
    int left = 0, top = 0, right = 0, bottom = 0;
    std::array<Fit, 4> edges;  // left, right, top, bottom
};

/// The façade's outline: its four edges traced along their inner 80 %, each fitted by a line.
inline Frame facadeFrame(const MaterialMap& p) {
    auto rowCount = [&p](int y) {
        int n = 0;
        for (int x = 0; x < p.width; ++x) n += isFacade(p.at(x, y));
        return n;
    };
    auto colCount = [&p](int x) {
        int n = 0;
        for (int y = 0; y < p.height; ++y) n += isFacade(p.at(x, y));
        return n;
    };
    Frame f;
    f.top = 0, f.bottom = p.height - 1, f.left = 0, f.right = p.width - 1;
    while (f.top < p.height - 1 && rowCount(f.top) < p.width / 4) ++f.top;
    while (f.bottom > 0 && rowCount(f.bottom) < p.width / 4) --f.bottom;
    while (f.left < p.width - 1 && colCount(f.left) < p.height / 4) ++f.left;
    while (f.right > 0 && colCount(f.right) < p.height / 4) --f.right;
    std::vector<double> lefts, rights, tops, bottoms;
    const int dy = (f.bottom - f.top) / 10, dx = (f.right - f.left) / 10;
    for (int y = f.top + dy; y <= f.bottom - dy; ++y) {
        int x = 0;
        while (x < p.width - 1 && !isFacade(p.at(x, y))) ++x;
        lefts.push_back(x);
        x = p.width - 1;
        while (x > 0 && !isFacade(p.at(x, y))) --x;
        rights.push_back(x);
    }
    for (int x = f.left + dx; x <= f.right - dx; ++x) {
        int y = 0;
        while (y < p.height - 1 && !isFacade(p.at(x, y))) ++y;
        tops.push_back(y);
        y = p.height - 1;
        while (y > 0 && !isFacade(p.at(x, y))) --y;
        bottoms.push_back(y);
    }
    f.edges = {fit(lefts), fit(rights), fit(tops), fit(bottoms)};
    return f;
}

}  // namespace e2e

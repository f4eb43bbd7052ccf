#pragma once
// The main window velta3 on screen: the menu bar, the two picture views with their scroll
// bars, the zoom button and the floating command panel, each mirroring the window model.
// Every event of a control runs exactly one handler of the program.

#include <QMainWindow>
#include <QSize>
#include <array>
#include <memory>
#include <optional>

#include <functional>

#include "input/dispatch.h"
#include "ui/qt/twips.h"
#include "ui/window.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace velta {
struct App;
}

namespace velta::qt {

class Backdrop;
class CommandPanel;
class DialogProvider;
class LogWindow;
class Menus;
class PictureView;
class ZoomView;

/// What the window would otherwise read from the screen and the style (tests set these).
struct MainWindowOptions {
    std::optional<QSize> viewport;           // the views' area below the menu bar, in pixels
    std::optional<int> scrollBarThickness;   // in pixels
    std::optional<double> twipsPerPixel;     // 1440 / the screen's logical dots per inch
};

/// The main window. It holds the window model the handlers talk to (model()), mirrors every
/// change of the model onto its widgets and sends every event of a control to the program.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// Builds the window in its design state; the screen sizes are read here, once.
    explicit MainWindow(const MainWindowOptions& options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// The window model the program is built over; its changes show on this window.
    velta::Window& model();
    const velta::Window& model() const;

    /// Connects the program: from now on the window's events run its handlers.
    void attach(App& app);
    /// What the window's events are sent to: the program's command dispatch by default; tests
    /// put a recorder in its place to see which event sends what.
    using Dispatch = std::function<void(App&, const Event&)>;
    void setDispatch(Dispatch dispatch) { dispatch_ = std::move(dispatch); }
    /// Replaces the dialogs (tests install scripted ones).
    void setDialogs(std::unique_ptr<DialogProvider> dialogs);
    /// The dialogs in use.
    DialogProvider& dialogs() { return *dialogs_; }
    /// True once the program asked to end.
    bool quitRequested() const { return quitRequested_; }

    /// The action of a menu or menu entry; null for other controls.
    QAction* action(Ctl c) const;
    /// The widget of a control that is not a menu (Frame1 is the panel); null for menus.
    QWidget* widget(Ctl c) const;
    /// A picture view.
    PictureView& view(Pic p) const;
    /// A scroll bar.
    QScrollBar* scrollBar(ScrollId id) const;
    /// The window background (the central widget).
    Backdrop* backdrop() const { return backdrop_; }
    /// The zoom window, made hidden and unloaded on first use.
    ZoomView& zoomView();
    /// The measurement log window; null until the log is first shown.
    LogWindow* logWindow() const { return log_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    /// The zoom button.
    void zooClicked();

private:
    class Model;

    // What the model's changes do to the widgets.
    void controlChanged(Ctl c);
    void titleChanged();
    void scrollChanged(ScrollId id);
    void windowCursorChanged();
    /// Asks the program to end; safe inside a handler, also one running in nested event processing.
    void quit();

    void buildViews();
    void buildScrollBars();
    void buildCommands();
    void placePanel();
    void syncAll();
    static std::optional<Command> commandFor(Ctl c);
    void runCommand(Ctl c);
    void run(const Event& e);
    void run(Command c) { run(Event{c}); }
    void userScrolled(ScrollId id, int value);
    /// Makes the log window on first use, shows it anew and raises it.
    void showLog();
    /// Shows the program's log in the log window, when there is one.
    void logChanged();
    /// The window the CSV dialog opens over: the log window while it is shown, else this one.
    QWidget* dialogParent();
    QSize screenViewport() const;

    std::unique_ptr<Model> model_;
    TwipScale scale_;
    QSize viewport_;
    int thickness_ = 0;
    Backdrop* backdrop_ = nullptr;
    PictureView* pic1_ = nullptr;
    PictureView* pic2_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label1_ = nullptr;
    QPushButton* zoo_ = nullptr;
    std::array<QScrollBar*, 4> bars_{};
    CommandPanel* panel_ = nullptr;
    ZoomView* zoom_ = nullptr;
    LogWindow* log_ = nullptr;
    std::unique_ptr<Menus> menus_;
    std::unique_ptr<DialogProvider> dialogs_;
    Dispatch dispatch_ = [](App& app, const Event& e) { velta::dispatch(app, e); };
    App* app_ = nullptr;
    bool quitRequested_ = false;
};

}  // namespace velta::qt

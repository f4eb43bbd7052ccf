#include "ui/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

#include "input/app.h"
#include "ui/qt/backdrop.h"
#include "ui/qt/command_panel.h"
#include "ui/qt/control_sync.h"
#include "ui/qt/fonts.h"
#include "ui/qt/log_window.h"
#include "ui/qt/menus.h"
#include "ui/qt/picture_view.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/spin_arrows.h"
#include "ui/qt/zoom_view.h"

namespace velta::qt {

namespace {

constexpr ScrollId allBars[] = {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2};
constexpr const char* barNames[] = {"VScroll1", "HScroll1", "VScroll2", "HScroll2"};

bool isVertical(ScrollId id) { return id == ScrollId::VScroll1 || id == ScrollId::VScroll2; }
std::size_t slot(ScrollId id) { return static_cast<std::size_t>(id); }

QLabel* viewName(QWidget* view, const char* name, QPoint at) {
    auto* label = new QLabel(view);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    // The name sits on the picture; clicks through it still reach the picture.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(at);
    return label;
}

}  // namespace

/// The window model of this window: its changes and requests go to the widgets and the dialogs.
class MainWindow::Model final : public velta::Window {
public:
    explicit Model(MainWindow& window) : w_(window) {}

    Surface& picture(Pic p) override { return w_.view(p); }
    float viewportWidth() const override { return static_cast<float>(w_.viewport_.width()); }
    float viewportHeight() const override { return static_cast<float>(w_.viewport_.height()); }
    int scrollBarThickness() const override { return w_.thickness_; }
    Answer messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override {
        return w_.dialogs_->messageBox(&w_, text, title, icon, buttons);
    }
    std::optional<std::string> inputBox(const std::string& prompt) override {
        return w_.dialogs_->inputBox(&w_, prompt);
    }
    std::string openFileDialog(const std::string& dir) override { return w_.dialogs_->openFile(&w_, dir); }
    std::string saveFileDialog(const std::string& dir) override { return w_.dialogs_->saveFile(&w_, dir); }
    ExportChoice exportFileDialog(const std::string& dir, bool jpeg) override {
        return w_.dialogs_->exportFile(&w_, dir, jpeg);
    }
    bool printerDialog() override { return w_.dialogs_->printerDialog(&w_); }
    void printWindow() override { w_.dialogs_->printWindow(w_); }
    void showHelp(const std::string& path) override { w_.dialogs_->showHelp(&w_, path); }
    void beep() override { QApplication::beep(); }
    void processEvents() override { QCoreApplication::processEvents(); }
    void quit() override { w_.quit(); }
    ZoomWindow* zoom() override { return &w_.zoomView(); }
    void showLog() override { w_.showLog(); }
    void logChanged() override { w_.logChanged(); }
    void setClipboardText(const std::string& text) override {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(QString::fromStdString(text));
    }
    std::string csvFileDialog(const std::string& dir) override { return w_.dialogs_->csvFile(w_.dialogParent(), dir); }
    std::string reportFileDialog(const std::string& dir) override { return w_.dialogs_->reportFile(&w_, dir); }

protected:
    void controlChanged(Ctl c) override { w_.controlChanged(c); }
    void titleChanged() override { w_.titleChanged(); }
    void scrollChanged(ScrollId id) override { w_.scrollChanged(id); }
    void windowCursorChanged() override { w_.windowCursorChanged(); }

private:
    MainWindow& w_;
};

MainWindow::MainWindow(const MainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent),
      model_(std::make_unique<Model>(*this)),
      scale_(options.twipsPerPixel ? TwipScale(*options.twipsPerPixel) : TwipScale::fromScreen()),
      dialogs_(std::make_unique<QtDialogs>()) {
    setObjectName(QStringLiteral("velta3"));
    menus_ = std::make_unique<Menus>(*menuBar());
    backdrop_ = new Backdrop(this);
    backdrop_->setObjectName(QStringLiteral("background"));
    backdrop_->setFont(windowFont());
    setCentralWidget(backdrop_);

    buildViews();
    buildScrollBars();
    thickness_ = options.scrollBarThickness.value_or(
        style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bars_[slot(ScrollId::HScroll1)]));
    panel_ = new CommandPanel(scale_, backdrop_);
    buildCommands();
    syncAll();
    // Read once the menus have their captions, which give the menu bar its height.
    viewport_ = options.viewport.value_or(screenViewport());
    placePanel();
    // The window's own size is the whole viewport, also where nothing maximises it (no
    // window manager).
    resize(viewport_.width(), viewport_.height() + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() = default;

velta::Window& MainWindow::model() { return *model_; }

const velta::Window& MainWindow::model() const { return *model_; }

void MainWindow::buildViews() {
    pic1_ = new PictureView(backdrop_);
    pic1_->setObjectName(QStringLiteral("Picture1"));
    pic1_->setToolTip(QStringLiteral("inserire i punti relativi alle rette"));
    pic2_ = new PictureView(backdrop_);
    pic2_->setObjectName(QStringLiteral("Picture2"));
    pic2_->setToolTip(QStringLiteral("immagine raddrizzata"));
    // The rectified view's design place; the rectification moves it to the corner.
    const QPoint design = scale_.point(5760, 480);
    pic2_->setPosition(design.x(), design.y());
    label4_ = viewName(pic1_, "Label4", scale_.point(240, 120));
    label1_ = viewName(pic2_, "Label1", scale_.point(120, 120));

    auto mouse = [this](Command c) {
        return [this, c](int b, int s, float x, float y) { run({c, b, s, x, y}); };
    };
    pic1_->onPress = mouse(Command::PICTURE1_MouseDown);
    pic1_->onMove = mouse(Command::Picture1_MouseMove);
    pic1_->onRelease = mouse(Command::Picture1_MouseUp);
    pic2_->onPress = mouse(Command::Picture2_MouseDown);
    pic2_->onMove = mouse(Command::Picture2_MouseMove);
    pic2_->onDoubleClick = [this] { run(Command::Picture2_DblClick); };
}

void MainWindow::buildScrollBars() {
    for (ScrollId id : allBars) {
        auto* bar = new QScrollBar(isVertical(id) ? Qt::Vertical : Qt::Horizontal, backdrop_);
        bar->setObjectName(QString::fromLatin1(barNames[slot(id)]));
        connect(bar, &QScrollBar::valueChanged, this, [this, id](int v) { userScrolled(id, v); });
        bars_[slot(id)] = bar;
    }
}

void MainWindow::buildCommands() {
    zoo_ = new QPushButton(backdrop_);
    zoo_->setObjectName(QStringLiteral("zoo"));
    zoo_->setFont(smallFont());
    zoo_->setGeometry(scale_.rect(11040, 240, 732, 252));
    connect(zoo_, &QPushButton::clicked, this, &MainWindow::zooClicked);

    for (Ctl c : {Ctl::RADDRIZZA, Ctl::CENTRO, Ctl::cancella, Ctl::GRIGLIA, Ctl::RETTANG})
        connect(panel_->button(c), &QPushButton::clicked, this, [this, c] { runCommand(c); });
    connect(panel_->spin(), &SpinArrows::up, this, [this] { run(Command::GRANDEZZA_SpinUp); });
    connect(panel_->spin(), &SpinArrows::down, this, [this] { run(Command::GRANDEZZA_SpinDown); });
    for (Ctl c : Menus::entries())
        connect(menus_->action(c), &QAction::triggered, this, [this, c] { runCommand(c); });

    connect(backdrop_, &Backdrop::clicked, this, [this] { run(Command::formClick); });
    connect(backdrop_, &Backdrop::doubleClicked, this, [this] { run(Command::VALORIDEFAULT); });
}

void MainWindow::placePanel() {
    // Top right, just left of the place of the vertical scroll bar.
    panel_->move(viewport_.width() - panel_->width() - thickness_, 10);
    panel_->raise();
}

void MainWindow::syncAll() {
    for (int i = 0; i < controlCount; ++i) controlChanged(static_cast<Ctl>(i));
    for (ScrollId id : allBars) scrollChanged(id);
    titleChanged();
    windowCursorChanged();
}

QSize MainWindow::screenViewport() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {area.width(), area.height() - menuBar()->sizeHint().height()};
}

void MainWindow::attach(App& app) { app_ = &app; }

void MainWindow::setDialogs(std::unique_ptr<DialogProvider> dialogs) {
    if (dialogs) dialogs_ = std::move(dialogs);
}

QAction* MainWindow::action(Ctl c) const { return menus_->action(c); }

QWidget* MainWindow::widget(Ctl c) const {
    switch (c) {
    case Ctl::Frame1: return panel_;
    case Ctl::zoo: return zoo_;
    case Ctl::Label1: return label1_;
    case Ctl::Label4: return label4_;
    default: return panel_->widget(c);
    }
}

PictureView& MainWindow::view(Pic p) const { return p == Pic::Picture1 ? *pic1_ : *pic2_; }

QScrollBar* MainWindow::scrollBar(ScrollId id) const { return bars_[slot(id)]; }

std::optional<Command> MainWindow::commandFor(Ctl c) {
    switch (c) {
    case Ctl::open: return Command::openClick;
    case Ctl::save: return Command::saveClick;
    case Ctl::esporta: return Command::exportClick;
    case Ctl::relazione: return Command::reportClick;
    case Ctl::misure: return Command::misureClick;
    case Ctl::vicino: return Command::interpNearest;
    case Ctl::bilineare: return Command::interpBilinear;
    case Ctl::bicubica: return Command::interpBicubic;
    case Ctl::exit: return Command::exitClick;
    case Ctl::canc:
    case Ctl::cancella: return Command::CANC2;
    case Ctl::centro1: return Command::CENTRONUOVO;
    case Ctl::CENTRO: return Command::CENTRO_Click;
    case Ctl::area:
    case Ctl::RETTANG: return Command::RETTANG3;
    case Ctl::griglia2:
    case Ctl::GRIGLIA: return Command::griglia1;
    case Ctl::frame_m: return Command::frameToggle;
    case Ctl::aggancio: return Command::edgeSnapToggle;
    case Ctl::start:
    case Ctl::RADDRIZZA: return Command::RADDR1;
    case Ctl::altra: return Command::ALTRA1;
    case Ctl::duepunti: return Command::duepuntiClick;
    case Ctl::print: return Command::printClick;
    case Ctl::help1: return Command::helpClick;
    default: return std::nullopt;   // parametri does nothing
    }
}

void MainWindow::runCommand(Ctl c) {
    if (const std::optional<Command> command = commandFor(c)) run(*command);
    // A checkable entry toggles itself when triggered; the model decides its check mark.
    menus_->apply(c, *model_);
}

void MainWindow::run(const Event& e) {
    if (app_ && dispatch_) dispatch_(*app_, e);
}

void MainWindow::userScrolled(ScrollId id, int value) {
    // The model follows the bar, so that a later layout keeps the value the user chose.
    ScrollBarState s = model_->scroll(id);
    s.value = value;
    model_->setScroll(id, s);
    Event e{Command::scrollChange};
    e.bar = id;
    e.value = value;
    run(e);
}

void MainWindow::zooClicked() { run(Command::zooClick); }

ZoomView& MainWindow::zoomView() {
    if (zoom_) return *zoom_;
    // A window of its own, owned by this one: closing the main window ends the program with it.
    zoom_ = new ZoomView(scale_, [this](Pic p) { return view(p).picture(); }, this);
    zoom_->onSpinDown = [this] { run(Command::zoomSpinDown); };
    zoom_->onSpinUp = [this] { run(Command::zoomSpinUp); };
    zoom_->onResize = [this] { run(Command::zoomFormResize); };
    zoom_->onMouseUp = [this] { run(Command::zoomFormMouseUp); };
    zoom_->onDoubleClick = [this] { run(Command::zoomImageDblClick); };
    auto scrolled = [this](Command c) {
        return [this, c](int v) {
            Event e{c};
            e.value = v;
            run(e);
        };
    };
    zoom_->onHScroll = scrolled(Command::zoomHScrollChange);
    zoom_->onVScroll = scrolled(Command::zoomVScrollChange);
    return *zoom_;
}

void MainWindow::showLog() {
    if (!log_) {
        // A window of its own, owned by this one and closed with it.
        log_ = new LogWindow(this);
        log_->onKnownLength = [this](std::size_t row, const std::string& text) {
            run(Event{.command = Command::logKnownLength, .value = static_cast<int>(row), .text = text});
            // The cell shows what the log holds now, also when the typed text was refused.
            logChanged();
        };
        log_->onCopy = [this] { run(Command::logCopy); };
        log_->onExportCsv = [this] { run(Command::logExportCsv); };
        logChanged();
        log_->placeBeside(*this);
    } else {
        logChanged();
    }
    log_->show();
    log_->raise();
}

void MainWindow::logChanged() {
    if (log_ && app_) log_->refresh(app_->log, app_->decimalSep);
}

QWidget* MainWindow::dialogParent() {
    if (log_ && log_->isVisible()) return log_;
    return this;
}

void MainWindow::controlChanged(Ctl c) {
    if (action(c)) {
        menus_->apply(c, *model_);
        return;
    }
    QWidget* w = widget(c);
    if (!w) return;
    applyControlState(*w, model_->control(c));
    if (c == Ctl::Label1 || c == Ctl::Label4) w->adjustSize();
}

void MainWindow::titleChanged() {
    // "[*]" in a title would be taken for the modified-document mark.
    QString t = QString::fromStdString(model_->title());
    t.replace(QStringLiteral("[*]"), QStringLiteral("[**]"));
    setWindowTitle(t);
}

void MainWindow::scrollChanged(ScrollId id) {
    QScrollBar* bar = bars_[slot(id)];
    const ScrollBarState& s = model_->scroll(id);
    const QSignalBlocker quiet(bar);   // a change from the model is not a user's change
    bar->setRange(s.minimum, s.maximum);
    bar->setSingleStep(s.smallStep);
    bar->setPageStep(s.largeStep);
    bar->setValue(s.value);
    if (isVertical(id)) bar->setGeometry(s.position, 0, thickness_, s.length);
    else bar->setGeometry(0, s.position, s.length, thickness_);
    bar->setVisible(s.visible);
}

void MainWindow::windowCursorChanged() {
    switch (model_->windowCursor()) {
    case Cursor::Default: unsetCursor(); break;
    case Cursor::Cross: setCursor(Qt::CrossCursor); break;
    case Cursor::Hourglass: setCursor(Qt::WaitCursor); break;
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!quitRequested_) run(Command::exitClick);
    // Without the program attached there is nothing to ask; otherwise the exit handler decides.
    if (quitRequested_ || !app_) {
        event->accept();
        if (log_) log_->close();
    } else {
        event->ignore();
    }
}

void MainWindow::quit() {
    quitRequested_ = true;
    QCoreApplication::quit();
}

}  // namespace velta::qt

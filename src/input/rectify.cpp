// RADDR1: the rectification command. The first press computes the rectified image row by row
// into the working file and shows it; every later press starts a measurement.
#include <chrono>
#include <string>

#include "bitmap/writer.h"
#include "input/handlers.h"
#include "input/phases.h"
#include "input/unsaved.h"
#include "input/view.h"
#include "rectify/rectifier.h"
#include "rectify/row_order.h"
#include "text/numtext.h"

namespace velta {

namespace {

void refuseSize(App& app, const char* text) {
    app.w.messageBox(text, "IMPOSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
    --app.s.raddrCount;
}

// The measuring phase is offered; from a later press it starts.
void finalControlState(App& app) {
    State& s = app.s;
    Window& w = app.w;
    enterPhase(w, Phase::MeasuringOffered);
    w.setText(Ctl::domanda1, "Vuoi misurare ?");
    if (s.raddrCount > 1) {
        w.setText(Ctl::domanda1, "Definire due punti");
        for (int n = 1; n <= 4; ++n) w.setText(text6(n), "");
        for (Ctl c : {Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy}) w.setText(c, "");
        s.measureState = 0;
    }
    // A press while the rows are still computed: what the computation uses stays locked.
    if (s.rectRunning) enterPhase(w, Phase::CommandsLocked);
}

// A rectification that could not be written or shown: say so, and give the source view and its
// commands back, as before the press.
void failRectification(App& app, const std::string& why) {
    State& s = app.s;
    Window& w = app.w;
    w.picture(Pic::Picture1).setCursor(Cursor::Cross);
    w.setWindowCursor(Cursor::Default);
    enterPhase(w, Phase::RectificationFailed);
    s.rectDone = 0;
    s.raddrCount = 0;
    s.workingFileFresh = false;
    w.setText(Ctl::domanda1, "Impossibile raddrizzare");
    w.messageBox("Il raddrizzamento non è riuscito.\n" + why, "IMPOSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
}

void prepare(App& app) {
    State& s = app.s;
    Window& w = app.w;
    w.setText(Ctl::tfuox, text::shortNumber(text::Int(s.frame.rectWidth)) + "x");
    w.setText(Ctl::tfuoy, text::shortNumber(text::Int(s.frame.rectHeight)) + "y");
    s.rectDone = 1;
    w.picture(Pic::Picture1).setCursor(Cursor::Hourglass);
    enterPhase(w, Phase::RectificationRunning);
    w.setText(Ctl::domanda1, "Sto calcolando...");
}

// The row loop: rows in the order of the construction, the stop test before each, pending
// events about every 10 ms, progress only when its figure changes. False with a reason when
// the file could not be written.
bool computeRows(App& app, bitmap::BitmapWriter& out, std::string& error) {
    State& s = app.s;
    Window& w = app.w;
    const rectify::Rectifier rectifier({s.frame, vanishingPoints(s), calculationArea(s), s.image});
    const rectify::RowOrder order = rectify::rowOrder(s.frame, vanishingPoints(s));
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastEvents{};
    int shownFigure = -1;
    int k = 0;
    for (; k < order.count; ++k) {
        const int i = order.at(k);
        const int figure = rectify::progressFigure(s.frame, vanishingPoints(s), i);
        if (figure != shownFigure) {
            w.setText(Ctl::Text4, text::shortNumber(static_cast<double>(figure)) + "%");
            shownFigure = figure;
        }
        if (s.stopRequest == 1) break;
        const Clock::time_point now = Clock::now();
        if (k == 0 || now - lastEvents >= std::chrono::milliseconds(10)) {
            w.processEvents();
            lastEvents = Clock::now();
        }
        RowRecord& row = s.rectRows[1];
        rectifier.computeRow(i, row);
        if (!out.writeRow(row)) break;
        row.fill(0);
    }
    s.rectRows[1].fill(0);
    // A stopped rectification still yields a complete file: the missing rows are index 0.
    out.writeZeroRows(order.count - k);
    return out.end(error);
}

// The checks of every press: a size the program can hold. False (and the press not counted)
// when the size is refused.
bool sizeAccepted(App& app) {
    const State& s = app.s;
    if (s.frame.rectWidth > 3000 || s.frame.rectHeight > 32767) {
        refuseSize(app, "Immagine troppo grande; selezionare un'area più piccola");
        return false;
    }
    if (!(s.frame.rectWidth >= 1) || !(s.frame.rectHeight >= 1)) {
        refuseSize(app, "Area di calcolo troppo piccola; selezionare un'area più grande");
        return false;
    }
    return true;
}

// Computes the rows into the working file. False when the program is to end instead (exit was
// asked while the rows ran, and the user let the image go or saved it).
bool rectifyIntoWorkingFile(App& app, bool& written, std::string& error) {
    State& s = app.s;
    Window& w = app.w;
    const int width = static_cast<int>(text::Int(s.frame.rectWidth));
    const int height = static_cast<int>(text::Int(s.frame.rectHeight));
    bitmap::BitmapWriter out;
    s.workingFileFresh = false;
    if (!out.begin(app.workingFile(), s.image.bmpHeader, s.image.bmpPalette, width, height, error)) {
        --s.raddrCount;
        w.messageBox("Impossibile scrivere il file di lavoro.\n" + error, "IMPOSSIBILE RADDRIZZARE", Icon::Critical,
                     Buttons::Ok);
        return false;
    }
    prepare(app);
    s.rectRunning = true;
    enterPhase(w, Phase::CommandsLocked);
    written = computeRows(app, out, error);
    s.rectRunning = false;
    enterPhase(w, Phase::RectificationEnded);
    w.beep();
    if (!app.quitRequested) return true;
    // Exit was asked while the rows ran: the stopped image is complete in the working file, so
    // it is offered for saving before the program ends. Cancelled, the program goes on.
    app.quitRequested = false;
    s.workingFileFresh = written;
    if (!mayDiscardUnsaved(app)) return true;
    w.quit();
    return false;
}

// Puts the rectified image on show in place of the source.
void present(App& app) {
    State& s = app.s;
    Window& w = app.w;
    Surface& p2 = w.picture(Pic::Picture2);
    std::string why;
    s.rectViewHeight = s.frame.rectHeight;
    s.rectViewWidth = static_cast<std::int16_t>(text::Int(s.frame.rectWidth));
    if (!p2.loadPicture(app.workingFile(), why)) {
        failRectification(app, "Il file \"" + app.workingFile() + "\" non si lascia visualizzare: " + why);
        return;
    }
    s.workingFileFresh = true;
    w.picture(Pic::Picture1).setCursor(Cursor::Cross);
    w.setWindowCursor(Cursor::Default);
    w.setText(Ctl::domanda1, "Ho finito.");
    s.rectDone = 1;
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2}) {
        ScrollBarState sb = w.scroll(id);
        if (id == ScrollId::VScroll1 || id == ScrollId::HScroll1) sb.visible = false;
        else sb.value = 0;   // the new picture starts unscrolled
        w.setScroll(id, sb);
    }
    layoutRectifiedView(app);
    enterPhase(w, Phase::RectifiedImageShown);
    p2.setPosition(0, 0);
    p2.toBack();
    p2.setDrawMode(DrawMode::Blackness);
    // A point pending on the source (an area corner) must not become the first point of a
    // measurement on the rectified picture.
    s.pointPending = 0;
    s.bandFresh = 1;
    finalControlState(app);
}

}  // namespace

void RADDR1(App& app) {
    State& s = app.s;
    Window& w = app.w;
    if (s.raddrCount == 0 && !s.constructionValid) return;   // nothing to rectify yet
    // The working file would go where others could put a link or read it: refused before anything.
    if (s.raddrCount == 0 && !app.workingDirProblem.empty()) {
        w.messageBox(app.workingDirProblem, "IMPOSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
        return;
    }
    ++s.raddrCount;
    w.picture(Pic::Picture1).setDrawMode(DrawMode::Invert);
    // A press during the computation must not take back a stop already asked for.
    if (!s.rectRunning) s.stopRequest = 0;
    if (!sizeAccepted(app)) return;
    if (s.raddrCount > 1) {
        s.rectDone = 1;
        finalControlState(app);
        return;
    }
    // A new rectification rewrites the working file: an image there not yet saved is asked about.
    if (!mayDiscardUnsaved(app)) {
        --s.raddrCount;
        return;
    }
    bool written = false;
    std::string error;
    if (!rectifyIntoWorkingFile(app, written, error)) return;
    if (!written) {
        failRectification(app, error);
        return;
    }
    present(app);
}

}  // namespace velta

// RADDR1: the rectification command. The first press computes the rectified image row by row
// into the working file and shows it; every later press starts a measurement.
#include <chrono>
#include <string>

#include "bitmap/writer.h"
#include "input/handlers.h"
#include "input/unsaved.h"
#include "input/view.h"
#include "rectify/rectifier.h"
#include "rectify/row_order.h"
#include "text/numtext.h"

namespace velta {

namespace {

// Commands that would replace or free what the running rectification reads or writes.
constexpr Ctl lockedWhileRunning[] = {Ctl::open, Ctl::save, Ctl::altra, Ctl::centro1, Ctl::area, Ctl::griglia2,
                                      Ctl::GRANDEZZA};

void lockCommands(Window& w, bool locked) {
    for (Ctl c : lockedWhileRunning) w.setEnabled(c, !locked);
}

void refuseSize(App& app, const char* text) {
    app.w.messageBox(text, "IMPOSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
    --app.s.raddrCount;
}

// Section 8 of the command: the measuring phase is offered; from a later press it starts.
void finalControlState(App& app) {
    State& s = app.s;
    Window& w = app.w;
    for (Ctl c : {Ctl::CENTRO, Ctl::RETTANG, Ctl::GRIGLIA}) w.setVisible(c, false);
    w.setVisible(Ctl::Text3, true);
    w.setVisible(Ctl::GRANDEZZA, true);
    w.setVisible(Ctl::Text4, false);
    w.setVisible(Ctl::misura, false);
    w.setEnabled(Ctl::start, false);
    for (Ctl c : {Ctl::raddrizza1, Ctl::save, Ctl::print1}) w.setEnabled(c, true);
    w.setVisible(Ctl::edit, true);
    for (Ctl c : {Ctl::centro1, Ctl::canc, Ctl::area, Ctl::griglia2, Ctl::CENTRO}) w.setEnabled(c, false);
    w.setVisible(Ctl::altra, true);
    w.setText(Ctl::RADDRIZZA, "Misura");
    w.setToolTip(Ctl::RADDRIZZA, " Stabilisce una scala per le misurazioni dell'immagine");
    w.setEnabled(Ctl::RADDRIZZA, true);
    w.setVisible(Ctl::RADDRIZZA, true);
    w.setVisible(Ctl::zoo, true);
    w.setText(Ctl::domanda1, "Vuoi misurare ?");
    if (s.raddrCount > 1) {
        w.setText(Ctl::domanda1, "Definire due punti");
        for (int n = 1; n <= 4; ++n) w.setText(text6(n), "");
        for (Ctl c : {Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy}) w.setText(c, "");
        s.measureState = 0;
    }
    // A press while the rows are still computed: what the computation uses stays locked.
    if (s.rectRunning) lockCommands(w, true);
}

// A rectification that could not be written or shown: say so, and give the source view and its
// commands back, as before the press.
void failRectification(App& app, const std::string& why) {
    State& s = app.s;
    Window& w = app.w;
    Surface& p1 = w.picture(Pic::Picture1);
    p1.setCursor(Cursor::Cross);
    p1.setEnabled(true);
    w.setWindowCursor(Cursor::Default);
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::RETTANG, Ctl::zoo, Ctl::CENTRO, Ctl::GRIGLIA, Ctl::Text3, Ctl::GRANDEZZA}) w.setVisible(c, true);
    w.setVisible(Ctl::Text4, false);
    s.rectDone = 0;
    s.raddrCount = 0;
    s.workingFileFresh = false;
    w.setText(Ctl::domanda1, "Impossibile raddrizzare");
    w.messageBox("Il raddrizzamento non è riuscito.\n" + why, "IMPOSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
}

void prepare(App& app) {
    State& s = app.s;
    Window& w = app.w;
    for (Ctl c : {Ctl::RADDRIZZA, Ctl::RETTANG, Ctl::zoo, Ctl::CENTRO, Ctl::GRIGLIA, Ctl::Text3, Ctl::GRANDEZZA})
        w.setVisible(c, false);
    w.setVisible(Ctl::Text4, true);
    w.setText(Ctl::tfuox, text::shortNumber(text::Int(s.rectWidth)) + "x");
    w.setText(Ctl::tfuoy, text::shortNumber(text::Int(s.rectHeight)) + "y");
    w.setToolTip(Ctl::tfuox, "Dimensione in X dell'immagine raddrizzata");
    w.setToolTip(Ctl::tfuoy, "Dimensione in Y dell'immagine raddrizzata");
    s.rectDone = 1;
    Surface& p1 = w.picture(Pic::Picture1);
    p1.setCursor(Cursor::Hourglass);
    p1.setEnabled(false);
    w.setText(Ctl::domanda1, "Sto calcolando...");
}

// The row loop: rows in the order of the construction, the stop test before each, pending
// events about every 10 ms, progress only when its figure changes. False with a reason when
// the file could not be written.
bool computeRows(App& app, bitmap::BitmapWriter& out, std::string& error) {
    State& s = app.s;
    Window& w = app.w;
    const rectify::Rectifier rectifier(s);
    const rectify::RowOrder order = rectify::rowOrder(s);
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastEvents{};
    int shownFigure = -1;
    int k = 0;
    for (; k < order.count; ++k) {
        const int i = order.at(k);
        const int figure = rectify::progressFigure(s, i);
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
    if (s.rectWidth > 3000 || s.rectHeight > 32767) {
        refuseSize(app, "Immagine troppo grande; selezionare un'area più piccola");
        return;
    }
    if (!(s.rectWidth >= 1) || !(s.rectHeight >= 1)) {
        refuseSize(app, "Area di calcolo troppo piccola; selezionare un'area più grande");
        return;
    }
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

    const int width = static_cast<int>(text::Int(s.rectWidth));
    const int height = static_cast<int>(text::Int(s.rectHeight));
    bitmap::BitmapWriter out;
    std::string error;
    s.workingFileFresh = false;
    if (!out.begin(app.workingFile(), s.image.bmpHeader, s.image.bmpPalette, width, height, error)) {
        --s.raddrCount;
        w.messageBox("Impossibile scrivere il file di lavoro.\n" + error, "IMPOSSIBILE RADDRIZZARE", Icon::Critical,
                     Buttons::Ok);
        return;
    }
    prepare(app);
    s.rectRunning = true;
    lockCommands(w, true);
    const bool written = computeRows(app, out, error);
    s.rectRunning = false;
    lockCommands(w, false);
    w.beep();
    if (app.quitRequested) {
        // Exit was asked while the rows ran: the stopped image is complete in the working file,
        // so it is offered for saving before the program ends.
        app.quitRequested = false;
        s.workingFileFresh = written;
        if (mayDiscardUnsaved(app)) {
            w.quit();
            return;
        }
        // Cancelled: the program goes on and shows the stopped rectification.
    }
    if (!written) {
        failRectification(app, error);
        return;
    }

    // Presentation of the rectified image.
    Surface& p1 = w.picture(Pic::Picture1);
    Surface& p2 = w.picture(Pic::Picture2);
    std::string why;
    s.rectViewHeight = s.rectHeight;
    s.rectViewWidth = static_cast<std::int16_t>(width);
    if (!p2.loadPicture(app.workingFile(), why)) {
        failRectification(app, "Il file \"" + app.workingFile() + "\" non si lascia visualizzare: " + why);
        return;
    }
    s.workingFileFresh = true;
    p1.setCursor(Cursor::Cross);
    p1.setEnabled(true);
    w.setWindowCursor(Cursor::Default);
    w.setText(Ctl::domanda1, "Ho finito.");
    s.rectDone = 1;
    w.setText(Ctl::cancella, "Altra ?");
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2}) {
        ScrollBarState sb = w.scroll(id);
        if (id == ScrollId::VScroll1 || id == ScrollId::HScroll1) sb.visible = false;
        else sb.value = 0;   // the new picture starts unscrolled
        w.setScroll(id, sb);
    }
    layoutRectifiedView(app);
    p1.setVisible(false);
    p2.setPosition(0, 0);
    p2.setVisible(true);
    p2.toBack();
    w.setVisible(Ctl::zoo, true);
    p2.setDrawMode(DrawMode::Blackness);
    w.setVisible(Ctl::Label1, true);
    w.setText(Ctl::Label1, "Immagine raddrizzata");
    // A point pending on the source (an area corner) must not become the first point of a
    // measurement on the rectified picture.
    s.pointPending = 0;
    s.bandFresh = 1;
    finalControlState(app);
}

}  // namespace velta

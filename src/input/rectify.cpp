// RADDR1: the rectification command. The first press computes the rectified image row by row
// into the working file and shows it; every later press starts a measurement.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "bitmap/writer.h"
#include "input/construction.h"
#include "input/handlers.h"
#include "input/phases.h"
#include "input/unsaved.h"
#include "input/view.h"
#include "rectify/colour.h"
#include "rectify/rectifier.h"
#include "rectify/row_order.h"
#include "text/numtext.h"

namespace velta {

namespace {

void refuseSize(App& app, const std::string& text) {
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
    s.rectified = RectifiedImage{};
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
// events about every 10 ms, progress only when its figure changes. Each row goes to the file
// and into the image kept for export. False with a reason when the file could not be written.
bool computeRows(App& app, bitmap::BitmapWriter& out, std::string& error) {
    State& s = app.s;
    Window& w = app.w;
    const rectify::Input input{s.frame, vanishingPoints(s), calculationArea(s), s.image};
    const rectify::RowOrder order = rectify::rowOrder(s.frame, vanishingPoints(s));
    RectifiedImage& kept = s.rectified;
    const bool colour = s.image.road == Road::colour;
    // Only the road's own rectifier is built: each precomputes its column tables.
    std::optional<rectify::Rectifier> plain;
    std::optional<rectify::ColourRectifier> coloured;
    if (colour) coloured.emplace(input, s.interpolation);
    else plain.emplace(input);
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
        // The file is written bottom row first: the k-th row written is row H - 1 - k from the top.
        const int top = kept.height - 1 - k;
        if (colour) {
            std::uint32_t* row = kept.picture.row(top);
            coloured->computeRow(i, row);
            if (!out.writeColourRow(row)) break;
            continue;
        }
        RowRecord& row = s.rectRows[1];
        plain->computeRow(i, row);
        std::copy_n(row.begin(), kept.width,
                    kept.indices.begin() + static_cast<std::ptrdiff_t>(top) * kept.width);
        if (!out.writeRow(row)) break;
        row.fill(0);
    }
    s.rectRows[1].fill(0);
    // A stopped rectification still yields a complete file: the missing rows are index 0 (black
    // on the colour road), as they are in the kept image.
    out.writeZeroRows(order.count - k);
    return out.end(error);
}

// Whole pixels of a frame side, for a message.
std::string wholePixels(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e15 ? std::to_string(static_cast<long long>(std::floor(v))) : "?";
}

// The checks of every press: a size the program can hold. False (and the press not counted)
// when the size is refused.
bool sizeAccepted(App& app) {
    const State& s = app.s;
    if (s.image.road == Road::colour) {
        const double w = s.frame.rectWidth, h = s.frame.rectHeight;
        if (w > 32767 || h > 32767 || text::Int(w) * text::Int(h) > 200e6) {
            refuseSize(app, "Immagine troppo grande (" + wholePixels(w) + " × " + wholePixels(h) +
                                " pixel; al massimo 32767 per lato e 200 milioni in tutto): selezionare un'area più "
                                "piccola o aumentare il passo");
            return false;
        }
    } else if (s.frame.rectWidth > 3000 || s.frame.rectHeight > 32767) {
        refuseSize(app, "Immagine troppo grande; selezionare un'area più piccola");
        return false;
    }
    if (!(s.frame.rectWidth >= 1) || !(s.frame.rectHeight >= 1)) {
        refuseSize(app, "Area di calcolo troppo piccola; selezionare un'area più grande");
        return false;
    }
    return true;
}

// Makes room for the rectified image kept for export, all black (index 0); false when the
// memory cannot be had.
bool keepImage(App& app, int width, int height) {
    State& s = app.s;
    RectifiedImage kept;
    kept.road = s.image.road;
    kept.width = width;
    kept.height = height;
    if (kept.road == Road::colour) {
        kept.picture = Picture::allocate(width, height);
        if (kept.picture.empty()) return false;
        for (int r = 0; r < height; ++r) std::fill_n(kept.picture.row(r), width, 0xFF000000u);
    } else {
        try {
            kept.indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        kept.palette = s.image.bmpPalette;
    }
    s.rectified = std::move(kept);
    return true;
}

// Computes the rows into the working file. False when the program is to end instead (exit was
// asked while the rows ran, and the user let the image go or saved it).
bool rectifyIntoWorkingFile(App& app, bool& written, std::string& error) {
    State& s = app.s;
    Window& w = app.w;
    const int width = static_cast<int>(text::Int(s.frame.rectWidth));
    const int height = static_cast<int>(text::Int(s.frame.rectHeight));
    const bool colour = s.image.road == Road::colour;
    bitmap::BitmapWriter out;
    s.workingFileFresh = false;
    // The image kept for export: the previous one goes first, so that both are never held.
    s.rectified = RectifiedImage{};
    if (!keepImage(app, width, height)) {
        --s.raddrCount;
        w.messageBox("Memoria insufficiente per un'immagine raddrizzata di " + std::to_string(width) + " x " +
                         std::to_string(height) + " pixel.",
                     "IMPOSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
        return false;
    }
    const bool begun = colour ? out.beginColour(app.workingFile(), width, height, error)
                              : out.begin(app.workingFile(), s.image.bmpHeader, s.image.bmpPalette, width, height, error);
    if (!begun) {
        s.rectified = RectifiedImage{};
        --s.raddrCount;
        w.messageBox("Impossibile scrivere il file di lavoro.\n" + error, "IMPOSSIBILE RADDRIZZARE", Icon::Critical,
                     Buttons::Ok);
        return false;
    }
    prepare(app);
    app.log = {};   // the pairs measured on the previous image no longer apply
    noteLineSnaps(app);
    w.logChanged();
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
    s.rectViewWidth = s.rectified.width;
    // A colour image is shown from the pixels kept in memory, which the file holds too; a plain
    // one from its file, as before.
    const bool shown = s.rectified.road == Road::colour ? p2.showPicture(s.rectified.picture, why)
                                                         : p2.loadPicture(app.workingFile(), why);
    if (!shown) {
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

// The open command: choose a bitmap, check and read it, show it 1:1 and start line marking.
#include <cstdint>
#include <utility>

#include "bitmap/reader.h"
#include "input/handlers.h"
#include "input/phases.h"
#include "input/view.h"
#include "text/numtext.h"

namespace velta {

namespace {

void refuse(App& app, const std::string& name, const std::string& reason) {
    app.w.messageBox("Impossibile aprire il file \"" + name + "\".\n" + reason, "FILE NON ACCETTATO",
                     Icon::Critical, Buttons::Ok);
}

// Takes the buffers of a file that was read and checked (the bitmap-reading step).
void LEGGI_img(App& app, SourceImage&& image) {
    State& s = app.s;
    Window& w = app.w;
    w.setText(Ctl::domanda1, "Sto caricando...");
    image.sourceFileName = s.image.sourceFileName;
    s.image = std::move(image);

    w.setText(Ctl::tfuox, text::wholeNumberText(s.image.fileWidth) + " x");
    w.setText(Ctl::tfuoy, text::wholeNumberText(s.image.fileHeight) + " y");
    w.setText(Ctl::domanda1, "Definire due rette orizz.");
}

// Reads the file and puts its picture on the source surface. Everything is decided before
// anything of the work changes: a refused file leaves the previous image, its lines, area and
// the whole working state as they were. False (and the user told) when the file is refused.
//
// A bitmap in the plain format takes the plain road exactly as before. A file the plain reader
// refuses only for being outside its format goes to the colour road, decoded once and shown from
// the same pixels; one it refuses as damaged or unreadable is refused here and never decoded.
bool readAndShow(App& app, const std::string& name, bitmap::ReadResult& read) {
    const State& s = app.s;
    read = bitmap::readBitmapFile(name);
    if (!read.ok && (!read.outsideFormat || !app.io)) {
        refuse(app, name, read.error);
        return false;
    }
    Surface& p1 = app.w.picture(Pic::Picture1);
    std::string why;
    if (!read.ok) {
        DecodeResult decoded = app.io->decode(name);
        if (!decoded.ok) {
            refuse(app, name, decoded.error);
            return false;
        }
        if (!p1.showPicture(decoded.picture, why)) {
            refuse(app, name, "Il file non si lascia visualizzare: " + why);
            return false;
        }
        read.ok = true;
        read.error.clear();
        read.image = SourceImage{};
        read.image.road = Road::colour;
        read.image.fileWidth = decoded.picture.width;
        read.image.fileHeight = static_cast<std::int16_t>(decoded.picture.height);
        read.image.picture = std::move(decoded.picture);
        return true;
    }
    if (!p1.loadPicture(name, why)) {
        refuse(app, name, "Il file non si lascia visualizzare: " + why);
        return false;
    }
    if (p1.pictureWidth() == static_cast<int>(read.image.fileWidth) && p1.pictureHeight() == read.image.fileHeight)
        return true;
    // The surface has already taken the refused picture: the open image goes back on show
    // (without its marks), or, with none open or its file no longer the same, nothing does.
    const std::string& previous = s.image.sourceFileName;
    std::string ignored;
    const bool back = !previous.empty() &&
                      (s.image.road == Road::colour ? p1.showPicture(s.image.picture, ignored)
                                                    : p1.loadPicture(previous, ignored)) &&
                      p1.pictureWidth() == static_cast<int>(s.imageWidth) &&
                      p1.pictureHeight() == static_cast<int>(s.imageHeight);
    if (!back) p1.setVisible(false);
    refuse(app, name, "L'immagine visualizzata non corrisponde ai dati del file.");
    return false;
}

// The per-image values start afresh: no lines, no construction, no rectification.
void resetWork(App& app) {
    State& s = app.s;
    s.inputMode = 0;
    s.lineCount = 0;
    // A first click left pending on the previous picture must not become half of a line here.
    s.pointPending = 0;
    s.bandFresh = 1;
    for (int n = 1; n <= 4; ++n) app.w.setText(text6(n), "m" + std::to_string(n));
    s.raddrCount = 0;
    s.rectDone = 0;
    // The frame of the previous image means nothing for this one.
    s.constructionValid = false;
    s.vanishingValid = false;
    s.refusedInputs.clear();
}

// The centre mark: a small circle and the two lines through the middle of the picture.
void drawDefaultCentre(App& app, Surface& p1) {
    State& s = app.s;
    s.centreX = static_cast<double>(s.imageWidth) / 2;
    s.centreY = static_cast<double>(s.imageHeight) / 2;
    app.w.setText(Ctl::tfuvy, "");
    p1.circle(s.centreX, s.centreY, 2);
    p1.line(s.centreX, 0, s.centreX, s.imageHeight);
    p1.line(0, s.centreY, s.imageWidth, s.centreY);
}

}  // namespace

void openClick(App& app) {
    State& s = app.s;
    Window& w = app.w;
    const std::string name = w.openFileDialog(app.dataDir);
    s.scrollBarSize = static_cast<std::int16_t>(w.scrollBarThickness());
    if (name.empty() || name == "*.bmp") return;
    bitmap::ReadResult read;
    if (!readAndShow(app, name, read)) return;

    Surface& p1 = w.picture(Pic::Picture1);
    p1.setCursor(Cursor::Hourglass);
    w.setWindowCursor(Cursor::Hourglass);
    s.image.sourceFileName = name;
    w.setText(Ctl::tfuox, "fuox");
    w.setText(Ctl::tfuoy, "fuoy");
    w.setText(Ctl::tfuvx, "fuvx");
    w.setText(Ctl::tfuvy, "fuvy");
    w.setTitle("Raddrizzamento di   ' " + name + " '");
    LEGGI_img(app, std::move(read.image));
    s.imageHeight = static_cast<float>(p1.pictureHeight());
    s.imageWidth = static_cast<float>(p1.pictureWidth());
    enterPhase(w, Phase::ImageOpened);

    // The rectified view's bars go with it; the source view gets its own.
    for (ScrollId id : {ScrollId::VScroll2, ScrollId::HScroll2}) {
        ScrollBarState sb = w.scroll(id);
        sb.visible = false;
        w.setScroll(id, sb);
    }
    layoutSourceView(app);
    resetWork(app);

    p1.setCursor(Cursor::Cross);
    w.setWindowCursor(Cursor::Default);
    p1.refresh();
    p1.setForeColor(pureRed);
    p1.setDrawMode(DrawMode::CopyPen);
    drawDefaultCentre(app, p1);
    s.pixelStep = 1.0;
    setDefaultArea(s);
    // The rectified image of the previous picture is no longer on show, nor exported.
    s.rectified = RectifiedImage{};
    app.log = {};   // and the measurements taken on it
    w.logChanged();
    showInterpolation(app);
}

}  // namespace velta

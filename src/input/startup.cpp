// Start-up, the window background, the panel toggle, exit, print and help.
#include "input/handlers.h"
#include "input/marks.h"
#include "input/phases.h"
#include "input/unsaved.h"
#include "text/numtext.h"

namespace velta {

void formLoad(App& app) {
    State& s = app.s;
    Window& w = app.w;
    enterPhase(w, Phase::StartUp);

    s.screenHeightPx = w.viewportHeight();
    s.screenWidthPx = w.viewportWidth();

    s.bandFresh = 1;
    s.pointPending = 0;

    s.pixelStep = 1.0;
    w.setText(Ctl::Text3, text::localeNumber(s.pixelStep, app.decimalSep));

    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1, ScrollId::VScroll2, ScrollId::HScroll2}) {
        ScrollBarState sb = w.scroll(id);
        sb.visible = false;
        w.setScroll(id, sb);
    }
}

void formClick(App& app) {
    State& s = app.s;
    Surface& p = app.w.picture(Pic::Picture1);
    p.refresh();
    p.setForeColor(pureRed);
    p.setDrawMode(DrawMode::CopyPen);
    p.rect(s.areaCorners[1][1], s.areaCorners[1][2], s.areaCorners[3][1], s.areaCorners[3][2]);
    drawCentreCross(p, s.centreX, s.centreY);

    static constexpr const char* prompts[] = {"Definire la 1°retta orizz.", "Definire la 2°retta orizz.",
                                              "Definire la 1° retta vertic.", "Definire la 2° retta vertic."};
    app.w.setText(Ctl::domanda1, " REFRESH ");
    if (s.lineCount >= 0 && s.lineCount <= 3) app.w.setText(Ctl::domanda1, prompts[s.lineCount]);
}

void VALORIDEFAULT(App& app) {
    State& s = app.s;
    const double w = s.imageWidth, h = s.imageHeight;
    s.areaStarts = 0;
    double oppX = 0, oppY = 0;
    if (s.fuvy > s.fuoy) {
        if (s.fuox > s.fuvx) {
            s.frame.refCornerX = 1, s.frame.refCornerY = 1, oppX = w - 1, oppY = h - 1;
        } else {
            s.frame.refCornerX = w - 1, s.frame.refCornerY = 1, oppX = 1, oppY = h - 1;
        }
    } else {
        if (s.fuox > s.fuvx) {
            s.frame.refCornerX = 1, s.frame.refCornerY = h - 1, oppX = w - 1, oppY = 1;
        } else {
            s.frame.refCornerX = w - 1, s.frame.refCornerY = h - 1, oppX = 1, oppY = 1;
        }
    }
    s.frame.oppCornerX = oppX;
    s.frame.oppCornerY = text::toInt16(oppY).value_or(0);   // image heights are below 32768

    app.w.messageBox("VALORI DI DEFAULT", "", Icon::None, Buttons::Ok);

    setDefaultArea(s);
    s.centreX = w / 2;
    s.centreY = h / 2;

    Surface& p = app.w.picture(Pic::Picture1);
    p.refresh();
    p.setForeColor(pureRed);
    p.setDrawMode(DrawMode::CopyPen);
    drawCentreCross(p, s.centreX, s.centreY);

    if (s.lineCount == 4) FUGHE(app);
    app.w.setText(Ctl::domanda1, "valori di DEFAULT ");
}

void frameToggle(App& app) {
    if (app.s.frameHidden == 0) {
        app.w.setVisible(Ctl::Frame1, false);
        app.w.setChecked(Ctl::frame_m, false);
        app.s.frameHidden = 1;
    } else {
        app.w.setVisible(Ctl::Frame1, true);
        app.w.setChecked(Ctl::frame_m, true);
        app.s.frameHidden = 0;
    }
}

void exitClick(App& app) {
    if (app.s.rectRunning) {
        // The row loop is below us on the stack: let it stop, then end.
        app.s.stopRequest = 1;
        app.quitRequested = true;
        return;
    }
    if (!mayDiscardUnsaved(app)) return;
    app.w.quit();
}

void printClick(App& app) {
    // A cancelled printer dialog prints nothing.
    if (app.w.printerDialog()) app.w.printWindow();
}

void helpClick(App& app) { app.w.showHelp(app.helpFile); }

}  // namespace velta

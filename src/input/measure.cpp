// Measuring on the rectified image: pairs of points, the scale from a typed length, and the
// reference grid of the double click.
#include <cmath>

#include "input/construction.h"
#include "input/handlers.h"
#include "measure/measure.h"
#include "text/numtext.h"

namespace velta {

namespace {

void MISURA1(App& app) {
    State& s = app.s;
    Window& w = app.w;
    ++s.measureState;
    const double p = measure::pixelLength(s.firstX, s.firstY, s.secondX, s.secondY);
    if (s.measureState == 1) {
        // No usable length, or a pair of no length, sets no scale: the next pair asks again.
        s.measureState = 0;
        if (!(p > 0)) {
            w.messageBox("I due punti coincidono: definire due punti distinti per stabilire la scala.",
                         "MISURA", Icon::Critical, Buttons::Ok);
            return;
        }
        const std::optional<std::string> typed = w.inputBox("Inserire la misura in cm.");
        s.measureEntry = typed.value_or("");
        const std::optional<double> scale = measure::scaleFrom(s.measureEntry, p);
        if (!scale) {
            if (typed && s.measureEntry.find_first_not_of(" \t") != std::string::npos)
                w.messageBox("\"" + s.measureEntry + "\" non è una misura valida: inserire una lunghezza "
                             "positiva in centimetri, per esempio 125,5.",
                             "MISURA", Icon::Critical, Buttons::Ok);
            w.setText(Ctl::domanda1, "Definire due punti");
            return;
        }
        s.measureState = 1;
        s.measureScale = *scale;
        // A new scale starts a new log, this pair its reference.
        app.log = {};
        app.log.scale = *scale;
    } else if (s.measureState == 5) {
        s.measureState = 1;
    }
    s.measureDist = s.measureScale * p;
    const double dx = std::fabs(static_cast<double>(s.secondX) - static_cast<double>(s.firstX));
    const double dy = std::fabs(static_cast<double>(s.secondY) - static_cast<double>(s.firstY));
    w.setText(text6(1), "d" + measure::figure(s.measureDist));
    w.setText(Ctl::tfuvx, "x2 " + measure::figure(s.secondX));
    w.setText(Ctl::tfuvy, "y2 " + measure::figure(s.secondY));
    w.setText(text6(2), "dx" + measure::figure(s.measureScale * dx));
    w.setText(text6(3), "dy" + measure::figure(s.measureScale * dy));
    w.setText(text6(4), "a" + measure::figure(measure::angleDegrees(s.firstX, s.firstY, s.secondX, s.secondY)));
    w.setText(Ctl::domanda1, "Altra misura ?");

    // Every pair measured on the scale goes into the log, numbered on from its reference pair.
    measure::LogRow row{.x1 = static_cast<double>(s.firstX), .y1 = static_cast<double>(s.firstY),
                        .x2 = static_cast<double>(s.secondX), .y2 = static_cast<double>(s.secondY),
                        .d = s.measureDist, .dx = s.measureScale * dx, .dy = s.measureScale * dy,
                        .angle = measure::angleDegrees(s.firstX, s.firstY, s.secondX, s.secondY),
                        .reference = app.log.empty(), .known = {}, .errorBar = {}};
    app.log.rows.push_back(row);
    updateErrorBars(app);
    w.logChanged();
}

}  // namespace

void Picture2_MouseDown(App& app, int, int, float x, float y) {
    State& s = app.s;
    Window& w = app.w;
    Surface& p = w.picture(Pic::Picture2);
    p.refresh();
    p.setDrawMode(DrawMode::Invert);
    p.setForeColor(pureRed);
    if (s.raddrCount <= 1) return;
    if (s.pointPending == 1) {
        s.pointPending = 0;
        s.bandFresh = 0;
        s.secondX = x;
        s.secondY = y;
        p.setDrawMode(DrawMode::CopyPen);
        p.circle(x, y, 2);
        p.line(s.firstX, s.firstY, s.secondX, s.secondY);
        p.circle(s.firstX, s.firstY, 2);
        p.setDrawMode(DrawMode::Invert);
        MISURA1(app);
    } else {
        s.pointPending = 1;
        s.bandFresh = 1;
        s.firstX = x;
        s.firstY = y;
        p.setDrawMode(DrawMode::CopyPen);
        p.circle(x, y, 2);
        w.setText(Ctl::tfuox, "x1 " + text::shortNumber(s.firstX));
        w.setText(Ctl::tfuoy, "y1 " + text::shortNumber(s.firstY));
        w.setText(Ctl::tfuvx, "");
        w.setText(Ctl::tfuvy, "");
    }
}

void Picture2_MouseMove(App& app, int, int, float x, float y) {
    State& s = app.s;
    Window& w = app.w;
    Surface& p = w.picture(Pic::Picture2);
    w.setText(Ctl::Text1, text::localeNumber(x, app.decimalSep));
    w.setText(Ctl::Text2, text::localeNumber(y, app.decimalSep));
    p.setDrawMode(DrawMode::Invert);
    if (s.pointPending != 1) return;
    if (s.bandFresh == 0)
        p.line(s.firstX, s.firstY, s.bandX, s.bandY);
    else
        s.bandFresh = 0;
    p.line(s.firstX, s.firstY, x, y);
    s.bandX = x;
    s.bandY = y;
}

void Picture2_DblClick(App& app) {
    const State& s = app.s;
    Surface& p = app.w.picture(Pic::Picture2);
    for (double x = 1; x <= s.frame.rectWidth; x += 80) p.line(x, 1, x, s.frame.rectHeight, Color{0x4000});
    for (double y = 1; y <= s.frame.rectHeight; y += 80) p.line(1, y, s.frame.rectWidth, y, Color{0x404000});
}

void duepuntiClick(App& app) { app.s.measureState = 0; }

}  // namespace velta

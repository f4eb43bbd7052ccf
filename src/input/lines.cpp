// Mouse input on the source image: the four lines, the calculation area and the centre pick.
#include <cmath>
#include <string>

#include "edges/snap.h"
#include "input/dispatch.h"
#include "input/handlers.h"
#include "input/phases.h"
#include "text/numtext.h"

namespace velta {

namespace {

std::string loc(float v, const App& app) { return text::localeNumber(v, app.decimalSep); }

void showPointer(App& app, float x, float y) {
    app.w.setText(Ctl::Text1, loc(x, app));
    app.w.setText(Ctl::Text2, loc(y, app));
}

// What snapping makes of the line from (x1, y1) to (x2, y2) on the open picture's grey levels.
edges::Snap snapToEdge(const SourceImage& image, double x1, double y1, double x2, double y2) {
    if (image.road == Road::colour) {
        if (image.picture.empty()) return edges::Snap{false, x1, y1, x2, y2};
        const edges::PictureGrey grey(image.picture);
        return edges::snapLine(grey, x1, y1, x2, y2);
    }
    const int width = static_cast<int>(image.fileWidth), height = image.fileHeight;
    if (width < 1 || width > rowRecordSize || height < 1 || image.sourceRows.size() < static_cast<std::size_t>(height))
        return edges::Snap{false, x1, y1, x2, y2};
    const edges::PaletteGrey grey(std::span<const RowRecord>(image.sourceRows).first(static_cast<std::size_t>(height)),
                                  width, height, image.bmpPalette);
    return edges::snapLine(grey, x1, y1, x2, y2);
}

// The line from the first click to the second, snapped to the edge it was drawn along when
// snapping is on; what snapping made of it is kept in `snap`.
struct LineEnds {
    double x1, y1, x2, y2;
};

LineEnds markedEnds(const State& s, LineSnap& snap) {
    snap = {};
    if (!s.edgeSnap) return {s.firstX, s.firstY, s.secondX, s.secondY};
    const edges::Snap found = snapToEdge(s.image, s.firstX, s.firstY, s.secondX, s.secondY);
    snap = {true, found.snapped, found.rms, found.centreX, found.centreY, found.sigmaOffset, found.sigmaAngle};
    return {found.x1, found.y1, found.x2, found.y2};
}

void lineClick(App& app, float x, float y) {
    State& s = app.s;
    Window& w = app.w;
    Surface& p = w.picture(Pic::Picture1);
    showPointer(app, x, y);
    if (s.pointPending == 1) {
        s.pointPending = 0;
        s.bandFresh = 0;
        s.secondX = x;
        s.secondY = y;
        LineSnap snap;
        const LineEnds ends = markedEnds(s, snap);
        p.circle(x, y, 2);
        p.setForeColor(pureRed);
        // The band left by the last movement is not erased: the segment covers it.
        p.line(ends.x2, ends.y2, ends.x1, ends.y1);
        switch (s.lineCount) {
        case 0: w.setText(Ctl::domanda1, "Definire la 2°retta orizz."); break;
        case 1: w.setText(Ctl::domanda1, "Definire la 1° retta vertic."); break;
        case 2: w.setText(Ctl::domanda1, "Definire la 2° retta vertic."); break;
        case 3:
            w.setText(Ctl::domanda1, "Definisco le fughe");
            enterPhase(w, Phase::LinesMarked);
            break;
        default: break;
        }
        if (s.lineCount < 4) ++s.lineCount;
        enterPhase(w, Phase::LineMarked);
        const int n = s.lineCount;
        s.lineSnaps[n] = snap;
        s.lineEnds[n][1] = ends.x1;
        s.lineEnds[n][2] = ends.y1;
        s.lineEnds[n][3] = ends.x2;
        s.lineEnds[n][4] = ends.y2;
        w.setText(Ctl::tfuvx, loc(s.secondX, app));
        w.setText(Ctl::tfuvy, loc(s.secondY, app));
        // A clicked line reads its angle from the clicks; a snapped one, never exactly upright,
        // from its fitted ends.
        if (!snap.snapped && s.secondX - s.firstX == 0) {
            w.setText(text6(n), "90");
        } else {
            s.lineSlope = snap.snapped ? (ends.y2 - ends.y1) / (ends.x2 - ends.x1)
                                       : static_cast<double>(s.secondY - s.firstY) / static_cast<double>(s.secondX - s.firstX);
            w.setText(text6(n), text::localeNumber(std::atan(s.lineSlope) * 180 / 3.14159265358979, app.decimalSep));
        }
    } else {
        s.pointPending = 1;
        s.bandFresh = 1;
        s.firstX = x;
        s.firstY = y;
        p.circle(x, y, 2);
        w.setText(Ctl::tfuox, loc(s.firstX, app));
        w.setText(Ctl::tfuoy, loc(s.firstY, app));
        w.setText(Ctl::tfuvx, "");
        w.setText(Ctl::tfuvy, "");
    }
}

void areaCorner(App& app, float x, float y) {
    State& s = app.s;
    Window& w = app.w;
    Surface& p = w.picture(Pic::Picture1);
    double (&c)[7][3] = s.areaCorners;
    if (s.pointPending != 1) {
        if (s.areaStarts > 0) p.refresh();
        s.pointPending = 1;
        s.bandFresh = 1;
        c[1][1] = x;
        c[1][2] = y;
        w.setText(Ctl::tfuox, loc(x, app));
        w.setText(Ctl::tfuoy, loc(y, app));
        w.setText(Ctl::tfuvx, "");
        w.setText(Ctl::tfuvy, "");
        return;
    }
    s.pointPending = 0;
    s.bandFresh = 0;
    c[3][1] = x, c[3][2] = y;
    c[2][1] = c[1][1], c[2][2] = y;
    c[4][1] = x, c[4][2] = c[1][2];
    if (c[1][1] > c[4][1]) {   // corners 1 and 2 take the smaller x
        std::swap(c[1][1], c[4][1]);
        c[2][1] = c[1][1];
        c[3][1] = c[4][1];
    }
    if (c[1][2] > c[2][2]) {   // corners 1 and 4 take the smaller y
        std::swap(c[1][2], c[2][2]);
        c[4][2] = c[1][2];
        c[3][2] = c[2][2];
    }
    w.setText(Ctl::tfuvx, loc(x, app));
    w.setText(Ctl::tfuvy, loc(y, app));
    p.setDrawMode(DrawMode::CopyPen);
    p.rect(c[1][1], c[1][2], c[3][1], c[3][2]);
    // Without a construction standing there is nothing to rectify yet.
    if (s.constructionValid) w.setEnabled(Ctl::RADDRIZZA, true);
}

void centrePick(App& app, float x, float y) {
    State& s = app.s;
    Surface& p = app.w.picture(Pic::Picture1);
    p.refresh();
    s.centreX = x;
    s.centreY = y;
    const Color cyan = paletteColor(11);
    p.line(x, y - 20, x, y + 20, cyan);
    p.line(x - 20, y, x + 20, y, cyan);
    p.circle(x, y, 4, cyan);
    app.w.setText(Ctl::domanda1, s.lineCount < 2 ? "Definire due rette orizz." : "Definire due rette vert.");
    s.inputMode = 0;
}

}  // namespace

void PICTURE1_MouseDown(App& app, int, int, float x, float y) {
    State& s = app.s;
    Surface& p = app.w.picture(Pic::Picture1);
    p.setForeColor(pureRed);
    p.setDrawMode(DrawMode::CopyPen);
    if (s.inputMode == 2) {
        centrePick(app, x, y);
        return;
    }
    if (s.inputMode == 1) {
        areaCorner(app, x, y);
        return;
    }
    if (s.lineCount < 0) s.lineCount = 0;
    if (s.lineCount >= 4) {
        s.lineCount = 4;
        return;
    }
    if (s.inputMode == 0) lineClick(app, x, y);
}

void Picture1_MouseMove(App& app, int, int, float x, float y) {
    State& s = app.s;
    Surface& p = app.w.picture(Pic::Picture1);
    showPointer(app, x, y);
    p.setDrawMode(DrawMode::Invert);
    if (s.pointPending != 1 || (s.inputMode != 0 && s.inputMode != 1)) return;
    const bool lines = s.inputMode == 0;
    const double ax = lines ? static_cast<double>(s.firstX) : s.areaCorners[1][1];
    const double ay = lines ? static_cast<double>(s.firstY) : s.areaCorners[1][2];
    auto band = [&](double bx, double by) {
        if (lines)
            p.line(ax, ay, bx, by);
        else
            p.rect(ax, ay, bx, by);
    };
    if (s.bandFresh == 0)
        band(s.bandX, s.bandY);   // drawn again in invert mode, it disappears
    else
        s.bandFresh = 0;
    band(x, y);
    s.bandX = x;
    s.bandY = y;
}

void Picture1_MouseUp(App& app, int, int, float x, float y) {
    State& s = app.s;
    showPointer(app, x, y);
    if (s.inputMode == 0 && s.lineCount == 4) FUGHE(app);
    if (s.inputMode == 1 && s.lineCount == 4 && s.pointPending == 0) {
        CERCHIONUOVO(app);
        griglia1(app);
    }
    if (s.inputMode == 2 && s.lineCount == 4) CERCHIONUOVO(app);
}

void RETTANG3(App& app) {
    app.w.setText(Ctl::domanda1, "Definisci un'area di calcolo");
    app.s.inputMode = 1;
    ++app.s.areaStarts;
    // The grid is drawn from the construction: none stands after a refused one, or on a new image.
    if (app.s.constructionValid) app.w.setEnabled(Ctl::GRIGLIA, true);
}

void toggleEdgeSnap(App& app) {
    app.s.edgeSnap = !app.s.edgeSnap;
    app.w.setChecked(Ctl::aggancio, app.s.edgeSnap);
}

void CENTRO_Click(App& app) {
    app.s.inputMode = 2;
    dispatch(app, Command::CENTRONUOVO);
}

void CENTRONUOVO(App& app) {
    app.w.setText(Ctl::domanda1, "Definire il nuovo CENTRO");
    app.s.inputMode = 2;
    CERCHIONUOVO(app);
}

}  // namespace velta

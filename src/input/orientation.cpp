// FUGHE and CERCHIONUOVO: the vanishing points from the four lines, then the orientation
// construction, stored in the working state and drawn over the source image.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "geometry/orientation.h"
#include "geometry/vanishing.h"
#include "input/construction.h"
#include "input/handlers.h"
#include "input/phases.h"
#include "text/numtext.h"

namespace velta {

namespace {

bool within(double v, double limit) { return -limit < v && v < limit; }

// Everything the construction is built from that the user can change.
std::vector<double> constructionInputs(const State& s) {
    std::vector<double> in;
    for (int n = 1; n <= 4; ++n)
        for (int k = 1; k <= 4; ++k) in.push_back(s.lineEnds[n][k]);
    in.insert(in.end(), {s.centreX, s.centreY, static_cast<double>(s.areaStarts != 0), s.areaCorners[1][1],
                         s.areaCorners[1][2], s.areaCorners[3][1], s.areaCorners[3][2], s.pixelStep,
                         static_cast<double>(s.imageWidth), static_cast<double>(s.imageHeight)});
    return in;
}

// The construction cannot be made: say so, keep the previous frame, and keep the commands
// that would use it (which no longer matches the points and centre) disabled. The box says
// what helps, and only once for the same inputs: a release, the centre command or a spin
// press that changed nothing keeps the prompt without repeating it.
void refuseConstruction(App& app, const std::string& why) {
    Window& w = app.w;
    app.s.constructionValid = false;
    enterPhase(w, Phase::ConstructionRefused);
    w.setText(Ctl::domanda1, "Impossibile raddrizzare");
    std::vector<double> inputs = constructionInputs(app.s);
    if (inputs == app.s.refusedInputs) return;
    app.s.refusedInputs = std::move(inputs);
    w.messageBox(std::string("La costruzione prospettica non si può eseguire con queste rette e questo centro.\n") +
                     (geom::refusedForCentre(why) ? "Spostare il centro di un pixel." : "Definire di nuovo le rette."),
                 "NON E' POSSIBILE RADDRIZZARE", Icon::Critical, Buttons::Ok);
}

// The construction over the picture, with the limits that keep far-away figures undrawn.
void drawConstruction(Surface& p, const State& s) {
    const geom::Orientation& o = s.frame;
    const Color blue{0xFF0000}, lightRed = paletteColor(12);
    const geom::Point q = o.rabattedEyeV, pf = o.horizonFoot;
    if (within(q.x, 10000) && within(q.y, 10000)) {
        p.line(s.centreX, s.centreY, q.x, q.y, blue);
        p.circle(q.x, q.y, 2, lightRed);
    }
    if (within(s.fuox, 10000)) p.line(pf.x, pf.y, s.fuox, s.fuoy, blue);
    if (within(o.eyeToV, 10000)) {
        p.circle(s.fuvx, s.fuvy, o.eyeToV, lightRed);
        p.circle(o.pvx, o.pvy, 3, lightRed);
    }
    if (within(pf.x, 10000) && within(pf.y, 10000) && within(s.fuvx, 10000) && within(s.fuvy, 10000)) {
        p.line(s.fuvx, s.fuvy, pf.x, pf.y, blue);
        p.circle(pf.x, pf.y, 2, lightRed);
        p.line(o.pox, o.poy, pf.x, pf.y, blue);
    }
}

void drawFrameMarks(Surface& p, const State& s) {
    const geom::Orientation& o = s.frame;
    if (std::fabs(s.fuox) < 20000 && std::fabs(o.eyeToH) < 10000) p.circle(s.fuox, s.fuoy, o.eyeToH);
    if (s.fuvy > -20000) p.circle(s.centreX, s.centreY, 3);
    if (within(o.pvx, 10000) && within(o.pvy, 10000)) p.circle(o.pvx, o.pvy, 4, paletteColor(3));
}

std::string whole(double v) { return text::wholeNumberText(std::floor(v)); }

}  // namespace

geom::OrientationInput orientationInputOf(const State& s) {
    return {.centreX = s.centreX, .centreY = s.centreY,
            .fuox = s.fuox, .fuoy = s.fuoy, .fuvx = s.fuvx, .fuvy = s.fuvy,
            .areaStarts = s.areaStarts,
            .areaXmin = s.areaCorners[1][1], .areaYmin = s.areaCorners[1][2],
            .areaXmax = s.areaCorners[3][1], .areaYmax = s.areaCorners[3][2],
            .imageWidth = s.imageWidth, .imageHeight = s.imageHeight,
            .pixelStep = s.pixelStep,
            .columnMarks = s.image.road == Road::colour ? geom::maxColourColumnMarks : geom::maxColumnMarks};
}

void FUGHE(App& app) {
    State& s = app.s;
    Window& w = app.w;
    w.setText(Ctl::Text3, text::localeNumber(s.pixelStep, app.decimalSep));
    w.picture(Pic::Picture1).setDrawMode(DrawMode::CopyPen);
    w.setText(Ctl::domanda1, "Devi definire l'area di calcolo");

    const geom::VanishingResult v = geom::vanishingPoints(s.lineEnds);
    for (int n = 1; n <= 4; ++n) {
        s.lineSlopes[n] = v.slopes[n];
        w.setText(text6(n), text::localeNumber(geom::angleDegrees(v.slopes[n]), app.decimalSep));
    }
    if (!v.horizontalPairMeets || !v.verticalPairMeets) {
        // The frame still standing belongs to lines that are no longer marked: nothing may
        // rectify, draw a grid or rebuild the construction from it until the lines meet again.
        app.s.constructionValid = false;
        app.s.vanishingValid = false;
        w.setText(Ctl::domanda1, "Impossibile raddrizzare");
        enterPhase(w, Phase::LinesDoNotMeet);
        w.messageBox("Fuga verticale o orizzontale all'infinito !!", "NON E' POSSIBILE RADDRIZZARE", Icon::Critical,
                     Buttons::Ok);
        return;
    }
    s.fuox = v.fuox, s.fuoy = v.fuoy, s.fuvx = v.fuvx, s.fuvy = v.fuvy;
    s.vanishingValid = true;
    enterPhase(w, Phase::VanishingPointsFound);
    CERCHIONUOVO(app);
}

void CERCHIONUOVO(App& app) {
    State& s = app.s;
    Window& w = app.w;
    // The output step and the centre command rebuild the construction; from vanishing points of
    // lines that no longer meet (or of another image) there is nothing to build.
    if (!s.vanishingValid) return;

    const geom::OrientationInput in = orientationInputOf(s);
    std::string why;
    std::optional<geom::Orientation> o = geom::orient(in, &why);
    if (!o) {
        refuseConstruction(app, why);
        return;
    }
    s.frame = std::move(*o);
    s.constructionValid = true;
    s.refusedInputs.clear();
    enterPhase(w, Phase::OrientationFound);

    Surface& p = w.picture(Pic::Picture1);
    // The construction is a permanent mark: after a pointer movement the picture is still in
    // the rubber band's invert mode, which would show none of its colours.
    p.setDrawMode(DrawMode::CopyPen);
    drawConstruction(p, s);

    if (s.bandFresh == 0) w.setText(Ctl::domanda1, "Vuoi definire la griglia ?");
    s.stopRequest = 0;
    for (auto& r : s.rectRows) r.fill(0);

    w.setText(Ctl::tfuox, text::wholeNumberText(s.frame.rectWidth) + " x");
    w.setText(Ctl::tfuoy, text::wholeNumberText(s.frame.rectHeight) + " y");

    drawFrameMarks(p, s);

    if (s.areaStarts == 0) {
        w.setText(text6(1), "pox" + whole(s.frame.pox));
        w.setText(text6(2), "poy" + whole(s.frame.poy));
        w.setText(text6(3), "pvx" + whole(s.frame.pvx));
        w.setText(Ctl::tfuvx, "maxay" + whole(s.frame.maxay));
        w.setText(Ctl::tfuvy, "maxbx" + whole(s.frame.maxbx));
    }
    w.setText(text6(4), "DIS" + whole(s.frame.principalDistance));
}

}  // namespace velta

// The interpolation entries: the colour road's kernel, chosen once and kept until the program
// ends. A plain bitmap is always sampled by truncation, so while one is open only "Pixel più
// vicino" is checked and the other two are out of reach.
#include "input/handlers.h"

namespace velta {

void showInterpolation(App& app) {
    const State& s = app.s;
    Window& w = app.w;
    const bool plainOpen = !s.image.sourceFileName.empty() && s.image.road == Road::plain;
    const Interpolation shown = plainOpen ? Interpolation::nearest : s.interpolation;
    w.setChecked(Ctl::vicino, shown == Interpolation::nearest);
    w.setChecked(Ctl::bilineare, shown == Interpolation::bilinear);
    w.setChecked(Ctl::bicubica, shown == Interpolation::bicubic);
    w.setEnabled(Ctl::bilineare, !plainOpen);
    w.setEnabled(Ctl::bicubica, !plainOpen);
}

void chooseInterpolation(App& app, Interpolation k) {
    const bool plainOpen = !app.s.image.sourceFileName.empty() && app.s.image.road == Road::plain;
    if (!plainOpen) app.s.interpolation = k;
    showInterpolation(app);
}

}  // namespace velta

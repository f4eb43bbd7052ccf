// The output step: the spin button GRANDEZZA moves pixelStep between 1.0 and 1.9.
#include "input/handlers.h"
#include "text/numtext.h"

namespace velta {

namespace {

void showStepAndRebuild(App& app) {
    app.w.setText(Ctl::Text3, text::localeNumber(app.s.pixelStep, app.decimalSep));
    CERCHIONUOVO(app);
}

}  // namespace

void GRANDEZZA_SpinDown(App& app) {
    app.s.pixelStep = app.s.pixelStep - 0.1;
    if (app.s.pixelStep <= 1.0) app.s.pixelStep = 1.0;
    showStepAndRebuild(app);
}

void GRANDEZZA_SpinUp(App& app) {
    app.s.pixelStep = app.s.pixelStep + 0.1;
    if (app.s.pixelStep >= 2.0) app.s.pixelStep = 1.9;
    showStepAndRebuild(app);
}

}  // namespace velta

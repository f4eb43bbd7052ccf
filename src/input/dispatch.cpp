#include "input/dispatch.h"

#include <array>

#include "input/handlers.h"
#include "input/zoom.h"

namespace velta {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Command::count)> names = {
    "formLoad", "formClick", "VALORIDEFAULT", "frameToggle", "exitClick",
    "openClick", "saveClick", "exportClick", "reportClick", "printClick", "helpClick",
    "interpNearest", "interpBilinear", "interpBicubic", "edgeSnapToggle",
    "misureClick", "logKnownLength", "logCopy", "logExportCsv",
    "PICTURE1_MouseDown", "Picture1_MouseMove", "Picture1_MouseUp",
    "RETTANG3", "CENTRO_Click", "CENTRONUOVO", "griglia1", "CANC2", "ALTRA1",
    "RADDR1", "GRANDEZZA_SpinDown", "GRANDEZZA_SpinUp",
    "Picture2_MouseDown", "Picture2_MouseMove", "Picture2_DblClick", "duepuntiClick",
    "scrollChange", "zooClick",
    "zoomFormResize", "zoomFormMouseUp", "zoomSpinDown", "zoomSpinUp", "zoomHScrollChange", "zoomVScrollChange",
    "zoomImageDblClick",
};
static_assert(names.back() != nullptr, "every command has its name");

}  // namespace

const char* commandName(Command c) {
    const auto i = static_cast<std::size_t>(c);
    return i < names.size() ? names[i] : "";
}

bool lockedWhileRectifying(Command c) {
    switch (c) {
    // The row records, the working file, the construction and the marks the rows are computed from.
    case Command::openClick:
    case Command::saveClick:
    case Command::exportClick:
    case Command::reportClick:
    case Command::logKnownLength:
    case Command::logExportCsv:
    case Command::interpNearest:
    case Command::interpBilinear:
    case Command::interpBicubic:
    case Command::ALTRA1:
    case Command::RETTANG3:
    case Command::CENTRONUOVO:
    case Command::GRANDEZZA_SpinDown:
    case Command::GRANDEZZA_SpinUp:
    case Command::VALORIDEFAULT: return true;
    default: return false;
    }
}

void dispatch(App& app, const Event& e) {
    if (app.s.rectRunning && lockedWhileRectifying(e.command)) return;
    switch (e.command) {
    case Command::formLoad: return formLoad(app);
    case Command::formClick: return formClick(app);
    case Command::VALORIDEFAULT: return VALORIDEFAULT(app);
    case Command::frameToggle: return frameToggle(app);
    case Command::exitClick: return exitClick(app);
    case Command::openClick: return openClick(app);
    case Command::saveClick: return saveClick(app);
    case Command::exportClick: return exportClick(app);
    case Command::reportClick: return reportClick(app);
    case Command::misureClick: return misureClick(app);
    case Command::logKnownLength: return setKnownLength(app, static_cast<std::size_t>(e.value), e.text);
    case Command::logCopy: return copyLog(app);
    case Command::logExportCsv: return exportLogCsv(app);
    case Command::interpNearest: return chooseInterpolation(app, Interpolation::nearest);
    case Command::interpBilinear: return chooseInterpolation(app, Interpolation::bilinear);
    case Command::interpBicubic: return chooseInterpolation(app, Interpolation::bicubic);
    case Command::edgeSnapToggle: return toggleEdgeSnap(app);
    case Command::printClick: return printClick(app);
    case Command::helpClick: return helpClick(app);
    case Command::PICTURE1_MouseDown: return PICTURE1_MouseDown(app, e.button, e.shift, e.x, e.y);
    case Command::Picture1_MouseMove: return Picture1_MouseMove(app, e.button, e.shift, e.x, e.y);
    case Command::Picture1_MouseUp: return Picture1_MouseUp(app, e.button, e.shift, e.x, e.y);
    case Command::RETTANG3: return RETTANG3(app);
    case Command::CENTRO_Click: return CENTRO_Click(app);
    case Command::CENTRONUOVO: return CENTRONUOVO(app);
    case Command::griglia1: return griglia1(app);
    case Command::CANC2: return CANC2(app);
    case Command::ALTRA1: return ALTRA1(app);
    case Command::RADDR1: return RADDR1(app);
    case Command::GRANDEZZA_SpinDown: return GRANDEZZA_SpinDown(app);
    case Command::GRANDEZZA_SpinUp: return GRANDEZZA_SpinUp(app);
    case Command::Picture2_MouseDown: return Picture2_MouseDown(app, e.button, e.shift, e.x, e.y);
    case Command::Picture2_MouseMove: return Picture2_MouseMove(app, e.button, e.shift, e.x, e.y);
    case Command::Picture2_DblClick: return Picture2_DblClick(app);
    case Command::duepuntiClick: return duepuntiClick(app);
    case Command::scrollChange: return scrollChange(app, e.bar, e.value);
    case Command::zooClick: return zooClick(app);
    default: break;
    }
    // The zoom window's own events, when the window has one (asked only now: the Qt window makes
    // its zoom window on first use).
    ZoomWindow* z = app.w.zoom();
    if (!z) return;
    switch (e.command) {
    case Command::zoomFormResize: return zoomFormResize(app, *z);
    case Command::zoomFormMouseUp: return zoomFormMouseUp(app, *z);
    case Command::zoomSpinDown: return zoomSpinDown(app, *z);
    case Command::zoomSpinUp: return zoomSpinUp(app, *z);
    case Command::zoomHScrollChange: return zoomHScrollChange(app, *z, e.value);
    case Command::zoomVScrollChange: return zoomVScrollChange(app, *z, e.value);
    case Command::zoomImageDblClick: return zoomImageDblClick(app, *z);
    default: return;
    }
}

}  // namespace velta

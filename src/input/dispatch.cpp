#include "input/dispatch.h"

#include <array>

#include "input/handlers.h"
#include "input/zoom.h"

namespace velta {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Command::count)> names = {
    "formLoad", "formClick", "VALORIDEFAULT", "frameToggle", "exitClick",
    "openClick", "saveClick", "printClick", "helpClick",
    "PICTURE1_MouseDown", "Picture1_MouseMove", "Picture1_MouseUp",
    "RETTANG3", "CENTRO_Click", "CENTRONUOVO", "griglia1", "CANC2", "ALTRA1",
    "RADDR1", "GRANDEZZA_SpinDown", "GRANDEZZA_SpinUp",
    "Picture2_MouseDown", "Picture2_MouseMove", "Picture2_DblClick", "duepuntiClick",
    "scrollChange", "zooClick",
    "zoomFormResize", "zoomFormMouseUp", "zoomSpinDown", "zoomSpinUp", "zoomHScrollChange", "zoomVScrollChange",
    "zoomImageDblClick",
};
static_assert(names.back() != nullptr, "every command has its name");

using Plain = void (*)(App&);
using Mouse = void (*)(App&, int, int, float, float);
using Zoom = void (*)(App&, ZoomWindow&);
using ZoomScroll = void (*)(App&, ZoomWindow&, int);

Plain plainHandler(Command c) {
    switch (c) {
    case Command::formLoad: return formLoad;
    case Command::formClick: return formClick;
    case Command::VALORIDEFAULT: return VALORIDEFAULT;
    case Command::frameToggle: return frameToggle;
    case Command::exitClick: return exitClick;
    case Command::openClick: return openClick;
    case Command::saveClick: return saveClick;
    case Command::printClick: return printClick;
    case Command::helpClick: return helpClick;
    case Command::RETTANG3: return RETTANG3;
    case Command::CENTRO_Click: return CENTRO_Click;
    case Command::CENTRONUOVO: return CENTRONUOVO;
    case Command::griglia1: return griglia1;
    case Command::CANC2: return CANC2;
    case Command::ALTRA1: return ALTRA1;
    case Command::RADDR1: return RADDR1;
    case Command::GRANDEZZA_SpinDown: return GRANDEZZA_SpinDown;
    case Command::GRANDEZZA_SpinUp: return GRANDEZZA_SpinUp;
    case Command::Picture2_DblClick: return Picture2_DblClick;
    case Command::duepuntiClick: return duepuntiClick;
    case Command::zooClick: return zooClick;
    default: return nullptr;
    }
}

Mouse mouseHandler(Command c) {
    switch (c) {
    case Command::PICTURE1_MouseDown: return PICTURE1_MouseDown;
    case Command::Picture1_MouseMove: return Picture1_MouseMove;
    case Command::Picture1_MouseUp: return Picture1_MouseUp;
    case Command::Picture2_MouseDown: return Picture2_MouseDown;
    case Command::Picture2_MouseMove: return Picture2_MouseMove;
    default: return nullptr;
    }
}

Zoom zoomHandler(Command c) {
    switch (c) {
    case Command::zoomFormResize: return zoomFormResize;
    case Command::zoomFormMouseUp: return zoomFormMouseUp;
    case Command::zoomSpinDown: return zoomSpinDown;
    case Command::zoomSpinUp: return zoomSpinUp;
    case Command::zoomImageDblClick: return zoomImageDblClick;
    default: return nullptr;
    }
}

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
    if (const Plain h = plainHandler(e.command)) return h(app);
    if (const Mouse h = mouseHandler(e.command)) return h(app, e.button, e.shift, e.x, e.y);
    if (e.command == Command::scrollChange) return scrollChange(app, e.bar, e.value);
    ZoomWindow* z = app.w.zoom();
    if (!z) return;
    if (const Zoom h = zoomHandler(e.command)) return h(app, *z);
    if (e.command == Command::zoomHScrollChange) return zoomHScrollChange(app, *z, e.value);
    if (e.command == Command::zoomVScrollChange) return zoomVScrollChange(app, *z, e.value);
}

}  // namespace velta

#pragma once
// The handlers the main window's events run, one entry per handler. By default each entry is
// the program's handler of that name; tests replace entries to see which event ran what.

#include <functional>

#include "input/handlers.h"
#include "input/zoom.h"

namespace velta::qt {

struct HandlerTable {
    using Command = std::function<void(App&)>;
    using Mouse = std::function<void(App&, int button, int shift, float x, float y)>;
    using Scroll = std::function<void(App&, ScrollId, int value)>;
    using Zoom = std::function<void(App&, ZoomWindow&)>;
    using ZoomScroll = std::function<void(App&, ZoomWindow&, int value)>;

    Command formClick = velta::formClick;
    Command VALORIDEFAULT = velta::VALORIDEFAULT;
    Command frameToggle = velta::frameToggle;
    Command exitClick = velta::exitClick;
    Command openClick = velta::openClick;
    Command saveClick = velta::saveClick;
    Command printClick = velta::printClick;
    Command helpClick = velta::helpClick;
    Mouse PICTURE1_MouseDown = velta::PICTURE1_MouseDown;
    Mouse Picture1_MouseMove = velta::Picture1_MouseMove;
    Mouse Picture1_MouseUp = velta::Picture1_MouseUp;
    Command RETTANG3 = velta::RETTANG3;
    Command CENTRO_Click = velta::CENTRO_Click;
    Command CENTRONUOVO = velta::CENTRONUOVO;
    Command griglia1 = velta::griglia1;
    Command CANC2 = velta::CANC2;
    Command ALTRA1 = velta::ALTRA1;
    Command RADDR1 = velta::RADDR1;
    Command GRANDEZZA_SpinDown = velta::GRANDEZZA_SpinDown;
    Command GRANDEZZA_SpinUp = velta::GRANDEZZA_SpinUp;
    Mouse Picture2_MouseDown = velta::Picture2_MouseDown;
    Mouse Picture2_MouseMove = velta::Picture2_MouseMove;
    Command Picture2_DblClick = velta::Picture2_DblClick;
    Command duepuntiClick = velta::duepuntiClick;
    Scroll scrollChange = velta::scrollChange;
    Command zooClick = velta::zooClick;

    // The zoom window's events (its load step runs inside zooClick)
    Zoom zoomFormResize = velta::zoomFormResize;
    Zoom zoomFormMouseUp = velta::zoomFormMouseUp;
    Zoom zoomSpinDown = velta::zoomSpinDown;
    Zoom zoomSpinUp = velta::zoomSpinUp;
    ZoomScroll zoomHScrollChange = velta::zoomHScrollChange;
    ZoomScroll zoomVScrollChange = velta::zoomVScrollChange;
    Zoom zoomImageDblClick = velta::zoomImageDblClick;
};

}  // namespace velta::qt

#pragma once
// The one way in for the program's commands: the window layer and the tests send every event
// here, and here, in one place, the commands that would disturb a running rectification are
// refused.

#include <string>

#include "input/app.h"

namespace velta {

/// Every command and event handler of the two windows, by the handler's name.
enum class Command {
    formLoad, formClick, VALORIDEFAULT, frameToggle, exitClick,
    openClick, saveClick, exportClick, reportClick, printClick, helpClick,
    interpNearest, interpBilinear, interpBicubic, edgeSnapToggle,
    misureClick, logKnownLength, logCopy, logExportCsv,
    PICTURE1_MouseDown, Picture1_MouseMove, Picture1_MouseUp,
    RETTANG3, CENTRO_Click, CENTRONUOVO, griglia1, CANC2, ALTRA1,
    RADDR1, GRANDEZZA_SpinDown, GRANDEZZA_SpinUp,
    Picture2_MouseDown, Picture2_MouseMove, Picture2_DblClick, duepuntiClick,
    scrollChange, zooClick,
    zoomFormResize, zoomFormMouseUp, zoomSpinDown, zoomSpinUp, zoomHScrollChange, zoomVScrollChange,
    zoomImageDblClick,
    count
};

/// A command with what its event carries: the mouse position and buttons, or a scroll bar and
/// its new value.
struct Event {
    Command command = Command::formClick;
    int button = 0, shift = 0;
    float x = 0, y = 0;
    ScrollId bar = ScrollId::VScroll1;
    int value = 0;          // a scroll bar's value; the log row of a known length
    std::string text{};     // a known length as typed in the log
};

/// The handler's name of a command ("RADDR1").
const char* commandName(Command c);

/// Whether the command is refused while the rows of a rectification are computed: it would
/// replace or free what the computation reads or writes.
bool lockedWhileRectifying(Command c);

/// Runs the command's handler, unless the running rectification locks it out.
void dispatch(App& app, const Event& e);
inline void dispatch(App& app, Command c) { dispatch(app, Event{c}); }

}  // namespace velta

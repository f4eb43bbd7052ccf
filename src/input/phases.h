#pragma once
// The phases of the work and what each one shows: which commands and controls are enabled,
// visible, checked, and what their captions and tooltips say. Every handler that moves the work
// to another phase calls enterPhase at that step; what depends on a condition of the moment
// (a construction standing, the panel toggled) stays in the handler.

#include <cstdint>
#include <span>

#include "ui/window.h"

namespace velta {

enum class Phase {
    StartUp,               // the program has started, no image yet
    ImageOpened,           // a photograph was opened; line marking starts
    LineMarked,            // a line is complete
    LinesMarked,           // the fourth line is complete
    LinesDoNotMeet,        // a pair of lines is parallel: no vanishing point
    VanishingPointsFound,  // both pairs meet
    OrientationFound,      // the construction and the rectified frame stand
    ConstructionRefused,   // the construction cannot be made with these lines and centre
    RectificationRunning,  // the rows are being computed
    CommandsLocked,        // while they are: what the computation reads or writes is out of reach
    RectificationEnded,    // the row loop has returned (the file is complete or failed)
    RectificationFailed,   // the result could not be written or shown: the source view is back
    RectifiedImageShown,   // the rectified image is on show in place of the source
    MeasuringOffered,      // the rectify command has become the measure command
    CancelPressed,         // the cancel command, before it decides what to take back
    BackToSource,          // "Altra": the source image again, for another area
    count
};

/// A cell of the table: what a phase sets on one control or picture surface. An entry left
/// as `keep` (or a null text) leaves that property as it is.
struct PhaseCell {
    enum class Target : std::uint8_t { Control, Surface };
    static constexpr std::int8_t keep = -1;

    Target target = Target::Control;
    Ctl ctl = Ctl::count;
    Pic pic = Pic::Picture1;
    std::int8_t enabled = keep;
    std::int8_t visible = keep;
    const char* caption = nullptr;
    const char* toolTip = nullptr;
    std::int8_t checked = keep;   // the check mark of a menu entry (no phase sets one yet)
};

/// The cells of one phase, in the order they are applied.
std::span<const PhaseCell> phaseCells(Phase p);

/// Sets the controls and surfaces of the window as the phase wants them; others stay as they are.
void enterPhase(Window& w, Phase p);

}  // namespace velta

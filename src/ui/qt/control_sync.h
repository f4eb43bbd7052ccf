#pragma once
// Mirrors the model's state of one control onto its widget.

#include "ui/window.h"

class QWidget;

namespace velta::qt {

/// Sets the caption or text (by the kind of widget), tooltip, enabling and visibility of a widget.
void applyControlState(QWidget& widget, const ControlState& state);

}  // namespace velta::qt

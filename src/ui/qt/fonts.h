#pragma once
// The design's fonts mapped to free faces that are installed on Debian: Liberation Sans is
// metric-compatible with Arial, and no face is used below 7 points, where they become unreadable.

#include <QFont>

namespace velta::qt {

/// The window font ("MS Sans Serif" 9.75 pt bold): the panel title, the prompt and the view names.
QFont windowFont();
/// "Arial" at the given size in points: buttons and text boxes.
QFont arialFont(double points, bool bold = false);
/// "Small Fonts" 6 pt: the zoom button and the progress box.
QFont smallFont(bool bold = false);
/// "MS Serif" 6 pt: the captions under the coordinate boxes.
QFont smallSerifFont();

}  // namespace velta::qt

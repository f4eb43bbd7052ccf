#pragma once
// The zoom window's events: it shows the rectified image, or the source image before any
// rectification, magnified or reduced in compounding steps, in twips.

#include "input/app.h"
#include "ui/zoom_window.h"

namespace velta {

/// Largest picture size and scroll range the zoom window keeps on the plain road (16-bit values).
inline constexpr double zoomLimit = 32767;
/// On the colour road the values are 32-bit and the picture may grow to this many times the
/// size of the picture shown on screen, never to less than the plain road's range ...
inline constexpr double colourMagnification = 8;
/// ... nor beyond this many twips, the largest whole number a float holds exactly (the vertical
/// maxima are kept as floats).
inline constexpr double colourZoomCeiling = 16777215;

void zooClick(App& app);                          // the main window's zoo button
void zoomFormLoad(App& app, ZoomWindow& z);       // the window is loaded
void zoomFormResize(App& app, ZoomWindow& z);     // the window was resized
void zoomFormMouseUp(App& app, ZoomWindow& z);    // a button released outside the picture: fit
void zoomSpinDown(App& app, ZoomWindow& z);       // one step larger
void zoomSpinUp(App& app, ZoomWindow& z);         // one step smaller
void zoomHScrollChange(App& app, ZoomWindow& z, int value);
void zoomVScrollChange(App& app, ZoomWindow& z, int value);
void zoomImageDblClick(App& app, ZoomWindow& z);  // the reference grid

}  // namespace velta

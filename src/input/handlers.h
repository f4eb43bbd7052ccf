#pragma once
// Entry points of the main window's events: each menu entry, button, mouse event and scroll
// bar of the window calls exactly one of these. The window layer converts its events (mouse
// positions floored to whole image pixels) and calls them; they act on the App.

#include <cstddef>
#include <string>

#include "input/app.h"

namespace velta {

// Start-up, window background, panel toggle, exit
void formLoad(App& app);                 // the start-up sequence
void formClick(App& app);                // click on the window background: redraw the fixed marks
void VALORIDEFAULT(App& app);            // double click on the window background
void frameToggle(App& app);              // menu frame_m
void exitClick(App& app);                // menu exit, and closing the window

// Files, print, help
void openClick(App& app);                // menu open
void saveClick(App& app);                // menu save
void exportClick(App& app);              // menu esporta
void reportClick(App& app);              // menu relazione: the one-page PDF report
void printClick(App& app);               // menu print
void helpClick(App& app);                // menu help1

// Perspective input and orientation
void PICTURE1_MouseDown(App& app, int button, int shift, float x, float y);
void Picture1_MouseMove(App& app, int button, int shift, float x, float y);
void Picture1_MouseUp(App& app, int button, int shift, float x, float y);
void FUGHE(App& app);
void CERCHIONUOVO(App& app);
void RETTANG3(App& app);                 // button RETTANG, menu area
void CENTRO_Click(App& app);             // button CENTRO
void CENTRONUOVO(App& app);              // menu centro1
void griglia1(App& app);                 // button GRIGLIA, menu griglia2
void CANC2(App& app);                    // button cancella, menu canc
void ALTRA1(App& app);                   // menu altra

// Rectification, output size, measurement
void RADDR1(App& app);                   // button RADDRIZZA, menu start
void GRANDEZZA_SpinDown(App& app);
void GRANDEZZA_SpinUp(App& app);
void Picture2_MouseDown(App& app, int button, int shift, float x, float y);
void Picture2_MouseMove(App& app, int button, int shift, float x, float y);
void Picture2_DblClick(App& app);
void duepuntiClick(App& app);            // menu duepunti
void chooseInterpolation(App& app, Interpolation k);   // menus vicino, bilineare, bicubica
void toggleEdgeSnap(App& app);           // menu aggancio: snapping of marked lines on or off

// The measurement log window
void misureClick(App& app);              // menu misure: shows the log window
/// The known length typed for log row `row` (0-based; the reference row takes none); an empty
/// text takes the check away.
void setKnownLength(App& app, std::size_t row, const std::string& text);
void copyLog(App& app);                  // button "Copia": the table on the clipboard
void exportLogCsv(App& app);             // button "Esporta CSV..."
/// Sets the check marks and enabling of the interpolation entries for the image open.
void showInterpolation(App& app);

// View scrolling
void scrollChange(App& app, ScrollId id, int value);

}  // namespace velta

#pragma once
// The façade drawn in the sample, in plane metres (u from the left edge, v up from the ground):
// a 24 m x 14 m front with a stone plinth, a stone string course above the ground floor, a stone
// cornice along the top, and 7 x 4 square windows of 1.6 m, each a white frame around glass
// with a transom in its upper part.

namespace velta::sample::layout {

inline constexpr double widthM = 24.0;
inline constexpr double heightM = 14.0;

inline constexpr int columns = 7;
inline constexpr int rows = 4;
inline constexpr double windowM = 1.6;        // outer side of a window frame
inline constexpr double columnPitchM = 3.2;   // centre to centre, across
inline constexpr double rowPitchM = 3.2;      // centre to centre, up
inline constexpr double firstLeftU = 1.6;     // left edge of the leftmost column
inline constexpr double lowestBottomV = 1.4;  // sill line of the ground-floor windows

inline constexpr double frameM = 0.12;        // width of the frame around the glass
inline constexpr double transomBottomM = 1.06;  // transom, measured up from the window's bottom
inline constexpr double transomTopM = 1.14;

inline constexpr double plinthTopV = 0.5;
inline constexpr double stringCourseBottomV = 3.7;
inline constexpr double stringCourseTopV = 3.9;
inline constexpr double corniceBottomV = 13.3;

/// Left edge (u) of window column `col`, 0 = leftmost.
constexpr double windowLeftU(int col) { return firstLeftU + columnPitchM * col; }

/// Bottom edge (v) of window row `row`, 0 = top row.
constexpr double windowBottomV(int row) { return lowestBottomV + rowPitchM * (rows - 1 - row); }

/// Where a plane point falls within the window grid.
struct WindowHit {
    bool inside = false;  // within the outer square of some window
    bool glass = false;   // on its glass (not on the frame or the transom)
    double localU = 0;    // metres from the window's left edge
    double localV = 0;    // metres from the window's bottom edge
};

/// The window (if any) under plane point (u, v), found by its place in the grid.
constexpr WindowHit windowAt(double u, double v) {
    WindowHit hit;
    if (!(u >= firstLeftU && v >= lowestBottomV)) return hit;
    const double cu = (u - firstLeftU) / columnPitchM;
    const double cv = (v - lowestBottomV) / rowPitchM;
    if (!(cu < columns && cv < rows)) return hit;
    const int col = static_cast<int>(cu);
    const int fromBottom = static_cast<int>(cv);
    const double lu = u - (firstLeftU + columnPitchM * col);
    const double lv = v - (lowestBottomV + rowPitchM * fromBottom);
    if (!(lu >= 0 && lu < windowM && lv >= 0 && lv < windowM)) return hit;
    hit.inside = true;
    hit.localU = lu;
    hit.localV = lv;
    const bool onFrame = lu < frameM || lu >= windowM - frameM || lv < frameM || lv >= windowM - frameM ||
                         (lv >= transomBottomM && lv < transomTopM);
    hit.glass = !onFrame;
    return hit;
}

}  // namespace velta::sample::layout

#pragma once
// The working state: everything the commands, mouse handlers and the two windows share.
// There is exactly one record, owned by the program object and passed by reference.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/frame.h"
#include "state/picture.h"

namespace velta {

/// Bytes in one row record: the widest image the program holds.
inline constexpr int rowRecordSize = 3000;
using RowRecord = std::array<std::uint8_t, rowRecordSize>;

/// How the source picture is held and sampled. The plain road: an 8-bit palette bitmap in the
/// program's own format, held as row records and sampled by truncation. The colour road: any
/// other picture, decoded into 32-bit pixels and sampled with the chosen interpolation.
enum class Road : std::uint8_t { plain, colour };

/// How the colour road samples the source between its pixel centres.
enum class Interpolation : std::uint8_t { nearest, bilinear, bicubic };

/// The source picture as read from its file (the main window's image buffers).
struct SourceImage {
    Road road = Road::plain;
    std::string sourceFileName;              // path of the open source bitmap
    std::int32_t fileLength = 0;             // length of that file in bytes
    double fileWidth = 0;                    // width from the header
    std::int16_t fileHeight = 0;             // height from the header
    std::int16_t rowPadding = 0;             // bytes after each pixel row in the file
    std::array<std::uint8_t, 54> bmpHeader{};     // the 54 header bytes (normalised layout)
    std::array<std::uint8_t, 1024> bmpPalette{};  // 256 palette entries, blue green red reserved
    std::vector<RowRecord> sourceRows;       // 0 .. fileHeight, row 0 at the top; the last is never filled
                                             // (plain road only)
    Picture picture;                         // the decoded pixels (colour road only), shared with the view
};

/// The rectified image of the last rectification, kept in memory for export: palette indices
/// with the source's palette on the plain road, 32-bit pixels on the colour road.
struct RectifiedImage {
    Road road = Road::plain;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;       // plain road: width x height indices, top row first
    std::array<std::uint8_t, 1024> palette{};  // plain road: blue, green, red, reserved
    Picture picture;                         // colour road

    bool empty() const { return width < 1 || height < 1; }
};

/// What edge snapping made of one marked line.
struct LineSnap {
    bool tried = false;                      // snapping was on when the line was completed
    bool snapped = false;                    // the edge was found: the line's ends lie on it
    double rms = 0;                          // residual rms of the edge positions about it, pixels
    double centreX = 0, centreY = 0;         // the fitted line's point over the positions' mean place
    double sigmaOffset = 0;                  // standard error across the line at that point, pixels
    double sigmaAngle = 0;                   // standard error of its direction, radians
};

struct State {
    // Screen and view
    float screenWidthPx = 0;                 // width of the viewport area offered to the views
    float screenHeightPx = 0;                // height of that area
    std::int16_t scrollBarSize = 0;          // thickness of a scroll bar, read by the open command
    float imageWidth = 0;                    // W: width of Picture1 after load
    float imageHeight = 0;                   // H: height of Picture1 after load
    std::int16_t frameHidden = 0;            // 1 while the command panel is hidden

    // Line, area and centre input
    std::int16_t inputMode = 0;              // 0 lines, 1 calculation area, 2 centre pick
    std::int16_t lineCount = 0;              // completed lines (may read -1, -2 after cancels)
    std::int16_t pointPending = 0;           // 1 while the second click of a pair is awaited
    std::int16_t bandFresh = 1;              // 1 right after a first click, before any band is drawn
    float firstX = 0, firstY = 0;            // first point of the pair being marked
    float secondX = 0, secondY = 0;          // second point of the pair just completed
    float bandX = 0, bandY = 0;              // free end of the rubber band on screen
    double lineEnds[6][6] = {};              // lineEnds[n][1..4] = x1, y1, x2, y2 of line n = 1..4
    double lineSlope = 0;                    // slope of the line just completed
    bool edgeSnap = false;                   // lines are snapped to the edge they were drawn along
                                             // ("Aggancio ai bordi"); kept until the program ends
    LineSnap lineSnaps[6] = {};              // lineSnaps[n]: what snapping made of line n = 1..4

    // Vanishing points
    double lineSlopes[5] = {};               // slope of line n = 1..4 (90 for a vertical line)
    double fuox = 0, fuoy = 0;               // vanishing point of the horizontal pair
    double fuvx = 0, fuvy = 0;               // vanishing point of the vertical pair
    bool vanishingValid = false;             // the points belong to the four lines now marked

    // Calculation area and centre
    double areaCorners[7][3] = {};           // areaCorners[i][1] = x, [i][2] = y of corner i = 1..4
    std::int16_t areaStarts = 0;             // area commands given; 0 = default area
    double centreX = 0, centreY = 0;         // image centre (principal point)

    // Orientation (distance circle, measuring points, frame)
    geom::Orientation frame;                 // the construction last made (kept when one is refused)
    bool constructionValid = false;          // the frame and marks match the current points and centre
    std::vector<double> refusedInputs;       // lines, centre, area and step of the last refused
                                             // construction (empty after a good one)

    // Rectification
    double pixelStep = 1.0;                  // source pixels per output pixel
    std::int16_t raddrCount = 0;             // rectify presses since the image was opened
    std::int16_t rectDone = 0;               // 1 once a rectification has run in this phase
    std::int16_t stopRequest = 0;            // 1 asks a running rectification to stop
    bool rectRunning = false;                // the row loop is running (pending events inside it)
    bool workingFileFresh = false;           // this run wrote the working file and it is not saved yet
    int rectViewWidth = 0;                   // width of the rectified image shown in Picture2
    double rectViewHeight = 0;               // height of the rectified image shown in Picture2
    std::array<RowRecord, 2> rectRows{};     // output row records; record 1 is the row under construction
    Interpolation interpolation = Interpolation::bicubic;  // the colour road's kernel, kept until exit
    RectifiedImage rectified;                // the last rectified image, for export

    // Measurement
    std::int16_t measureState = 0;           // pairs measured in this series; 0 = no scale yet
    std::string measureEntry;                // the real length as typed
    double measureScale = 0;                 // centimetres per rectified pixel
    double measureDist = 0;                  // length of the last segment in centimetres
    std::string saveFileName;                // name chosen in the save dialog

    // Zoom window
    std::int16_t zoomPercent = 0;            // percentage of the current zoom step
    double zoomFactor = 0;                   // zoomPercent / 100
    std::int16_t zoomDir = 0;                // -1 down, 1 up, 0 none yet
    float gridRatio = 0;                     // design width of Image1 / width of the image shown
    // The bars' maxima and positions hold 16-bit values on the plain road and 32-bit ones on
    // the colour road (a float holds the colour road's vertical maxima exactly: below 2^24).
    std::int32_t hScrollMax = 0;             // current maximum of the horizontal bar
    float vScrollMax = 0;                    // current maximum of the vertical bar
    std::int32_t prevHScrollMax = 0;         // maxima before the current zoom step
    float prevVScrollMax = 0;
    std::int32_t zoomHPos = 0, zoomVPos = 0; // positions of the zoom window's bars

    SourceImage image;                       // the open source bitmap
};

/// Sets the default calculation area: the image less a one-pixel border, corners 1..4 =
/// top-left, bottom-left, bottom-right, top-right.
void setDefaultArea(State& s);

/// The vanishing points as the grid and the rectifier take them.
geom::VanishingPoints vanishingPoints(const State& s);

/// Corners 1..4 of the calculation area as the grid and the rectifier take them.
geom::AreaCorners calculationArea(const State& s);

}  // namespace velta

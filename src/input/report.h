#pragma once
// The one-page report of a rectification: the source picture with the marks redrawn over it, the
// rectified image, the construction's figures, the scale and the measurement log, gathered from
// the working state as pictures, figures and finished Italian texts. The writer that lays them
// out on the page (src/imageio/report.h) adds nothing of its own but the page.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "state/picture.h"
#include "state/state.h"

namespace velta {

struct App;

/// A figure drawn over the source picture, in source pixels.
struct ReportMark {
    enum class Kind : std::uint8_t { line, circle };
    Kind kind = Kind::line;
    double x1 = 0, y1 = 0;   // a line's first end; a circle's centre
    double x2 = 0, y2 = 0;   // a line's second end; a circle's radius in x2
    std::uint32_t rgb = 0;   // 0xRRGGBB
};

struct ReportData {
    std::string title;        // the page's heading and the document's title
    std::string date;         // the day the report was made, "dd/mm/yyyy"
    std::string sourceName;   // the source picture's file name, without its folder
    Picture source;           // the source picture at 32 bits
    std::vector<ReportMark> marks;   // the four lines, the construction, the centre cross, the area
    RectifiedImage rectified;
    std::vector<std::pair<std::string, std::string>> parameters;   // label, value
    std::vector<std::string> scale;        // the scale and its reference pair, one line each
    std::vector<std::string> logTitles;    // the log's column titles
    std::vector<std::vector<std::string>> logRows;   // the log's cells, as the log window shows them
    std::vector<std::string> notes;        // the log's foot and the aspect ratio's bar, one line each
};

/// The report's title, also the PDF document's.
inline constexpr const char* reportTitle = "Relazione di raddrizzamento";

/// The report of the rectification now shown, with `date` as its date.
ReportData reportDataOf(const App& app, const std::string& date);

}  // namespace velta

#pragma once
// The measurement log: every pair measured since the scale was set, in order, the first being
// the reference pair that set it; a known length may be typed for any later pair to check the
// image against it. Pure data and its texts, for the log window, the clipboard, the CSV file and
// the report.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velta::measure {

/// One measured pair.
struct LogRow {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;   // the two points, rectified pixels
    double d = 0, dx = 0, dy = 0;             // length and extents, centimetres
    double angle = 0;                         // degrees, as angleDegrees gives it
    bool reference = false;                   // the pair whose typed length set the scale
    std::optional<double> known;              // the known length typed for a check (cm)
    std::optional<double> errorBar;           // the first-order worst case, relative (0.012 = 1.2 %)

    /// d - known, when a known length is typed.
    std::optional<double> difference() const;
    /// 100 (d - known) / known, when a known length is typed.
    std::optional<double> differencePercent() const;
};

/// What edge snapping made of one of the four lines the rectification was made from.
struct LineSnapNote {
    bool tried = false;     // snapping was on when the line was marked
    bool snapped = false;   // it found the edge
    double rms = 0;         // the residual rms of the edge about the snapped line, pixels
};

struct Log {
    std::vector<LogRow> rows;   // rows[0] is the reference pair once a scale is set
    std::array<LineSnapNote, 4> lines{};   // lines 1..4
    double scale = 0;           // centimetres per rectified pixel; 0 before a scale is set
    bool poorlyDetermined = false;   // half a pixel on a line moves the principal distance by > 5 %

    bool empty() const { return rows.empty(); }
    /// The checked pairs' mean and largest absolute difference (cm); nothing without a check.
    std::optional<double> meanError() const;
    std::optional<double> maxError() const;
};

/// The column titles: "N.", "x1", "y1", "x2", "y2", "d (cm)", "dx (cm)", "dy (cm)", "a (°)",
/// "Misura nota (cm)", "Differenza (cm)", "Differenza (%)", "± (%)".
const std::vector<std::string>& columnTitles();

/// The cells of row `index` (0-based; shown as N. = index + 1) as the table shows them, with
/// `decimal` as the decimal separator: pixels whole or as they are, lengths and angle with two
/// decimals (whole, never cut), "riferimento" in the known-length column of the reference pair,
/// empty cells where there is nothing to show. The differences are signed (d - known), the
/// difference in % with two decimals; the "± (%)" cell holds the bar as "± n,n %" (per cent,
/// one decimal; "indeterminato" when half a pixel breaks the construction).
std::vector<std::string> rowCells(const Log& log, std::size_t index, char decimal);

/// The foot under the table: "Errore medio: … cm   Errore massimo: … cm" once a pair is checked,
/// then the warning on poorly determined proportions when it holds, then what snapping made of
/// the lines when it was on for any of them; lines joined by "\n".
std::string footText(const Log& log, char decimal);

/// The lines of the foot, each on its own; without what snapping made of the lines unless
/// `withSnaps`.
std::vector<std::string> footLines(const Log& log, char decimal, bool withSnaps);

/// What snapping made of a line: "agganciata ai bordi, scarto 0,08 px" (the residual rms, two
/// decimals), "non agganciata", or nothing when snapping was off for it.
std::string lineSnapText(const LineSnapNote& line, char decimal);

/// The whole table, titles first, fields separated by tabs, each row ended by "\n": for the
/// clipboard. The foot is not part of it.
std::string tableText(const Log& log, char decimal);

/// The whole table as a CSV file: UTF-8 with a byte-order mark, `fieldSep` between fields,
/// `decimal` as decimal separator, a field holding the separator, a quote or a line break quoted
/// (quotes doubled), rows ended by "\r\n". Titles and rows only: the foot is not part of it, so
/// that a spreadsheet reads a plain table.
std::string csvText(const Log& log, char fieldSep, char decimal);

}  // namespace velta::measure

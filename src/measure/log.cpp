#include "measure/log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/numtext.h"

namespace velta::measure {

namespace {

// A figure with `decimals` decimals and every integer digit, `decimal` as the separator; a
// figure that rounds to zero shows no minus ("0,00", not "-0,00").
std::string fixed(double v, int decimals, char decimal) {
    if (!std::isfinite(v)) return text::localeNumber(v, decimal);
    const int size = std::snprintf(nullptr, 0, "%.*f", decimals, v);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), "%.*f", decimals, v);
    out.resize(static_cast<std::size_t>(size));
    if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    if (const std::size_t point = out.find('.'); point != std::string::npos) out[point] = decimal;
    return out;
}

std::string twoDecimals(double v, char decimal) { return fixed(v, 2, decimal); }

// The checked pairs' absolute differences (the reference pair takes no check).
std::vector<double> checkedErrors(const Log& log) {
    std::vector<double> errors;
    for (const LogRow& r : log.rows)
        if (!r.reference)
            if (const std::optional<double> d = r.difference()) errors.push_back(std::fabs(*d));
    return errors;
}

// A CSV field, quoted (quotes doubled) when it holds the separator, a quote or a line break.
std::string csvField(const std::string& field, char fieldSep) {
    if (field.find_first_of(std::string{fieldSep, '"', '\r', '\n'}) == std::string::npos) return field;
    std::string out = "\"";
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

// Titles and rows, each row's fields joined by `sep`, each field passed through `field`, each
// row ended by `end`.
template <class Field>
std::string joinedTable(const Log& log, char sep, char decimal, const std::string& end, Field field) {
    std::string out;
    const auto addRow = [&](const std::vector<std::string>& cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (k > 0) out += sep;
            out += field(cells[k]);
        }
        out += end;
    };
    addRow(columnTitles());
    for (std::size_t i = 0; i < log.rows.size(); ++i) addRow(rowCells(log, i, decimal));
    return out;
}

}  // namespace

std::optional<double> LogRow::difference() const { return known ? std::optional<double>(d - *known) : std::nullopt; }

std::optional<double> LogRow::differencePercent() const {
    if (!known || !(*known > 0)) return std::nullopt;
    return 100 * (d - *known) / *known;
}

std::optional<double> Log::meanError() const {
    const std::vector<double> errors = checkedErrors(*this);
    if (errors.empty()) return std::nullopt;
    double sum = 0;
    for (const double e : errors) sum += e;
    return sum / static_cast<double>(errors.size());
}

std::optional<double> Log::maxError() const {
    const std::vector<double> errors = checkedErrors(*this);
    if (errors.empty()) return std::nullopt;
    double largest = 0;
    for (const double e : errors) largest = std::fmax(largest, e);
    return largest;
}

const std::vector<std::string>& columnTitles() {
    static const std::vector<std::string> titles = {
        "N.", "x1", "y1", "x2", "y2", "d (cm)", "dx (cm)", "dy (cm)", "a (\xc2\xb0)", "Misura nota (cm)",
        "Differenza (cm)", "Differenza (%)", "\xc2\xb1 (%)"};
    return titles;
}

std::vector<std::string> rowCells(const Log& log, std::size_t index, char decimal) {
    if (index >= log.rows.size()) return {};
    const LogRow& r = log.rows[index];
    std::vector<std::string> cells = {std::to_string(index + 1),
                                      text::localeNumber(r.x1, decimal),
                                      text::localeNumber(r.y1, decimal),
                                      text::localeNumber(r.x2, decimal),
                                      text::localeNumber(r.y2, decimal),
                                      twoDecimals(r.d, decimal),
                                      twoDecimals(r.dx, decimal),
                                      twoDecimals(r.dy, decimal),
                                      twoDecimals(r.angle, decimal)};
    // The reference pair's length is the typed one by construction: no check, no difference.
    if (r.reference) {
        cells.insert(cells.end(), {"riferimento", "", ""});
    } else {
        const std::optional<double> diff = r.difference(), percent = r.differencePercent();
        cells.push_back(r.known ? twoDecimals(*r.known, decimal) : "");
        cells.push_back(diff ? twoDecimals(*diff, decimal) : "");
        cells.push_back(percent ? twoDecimals(*percent, decimal) : "");
    }
    // "± n,n %"; a bar without a finite value (a half-pixel move breaks the construction) says so.
    if (!r.errorBar) cells.emplace_back();
    else if (!std::isfinite(*r.errorBar)) cells.emplace_back("indeterminato");
    else cells.push_back("\xc2\xb1 " + fixed(100 * *r.errorBar, 1, decimal) + " %");
    return cells;
}

std::vector<std::string> footLines(const Log& log, char decimal, bool withSnaps) {
    std::vector<std::string> lines;
    const std::optional<double> mean = log.meanError(), largest = log.maxError();
    if (mean && largest)
        lines.push_back("Errore medio: " + twoDecimals(*mean, decimal) + " cm   Errore massimo: " +
                        twoDecimals(*largest, decimal) + " cm");
    if (log.poorlyDetermined)
        lines.emplace_back("Proporzioni poco determinate: mezzo pixel su una retta sposta la distanza principale di "
                           "oltre il 5 %");
    if (withSnaps && std::ranges::any_of(log.lines, [](const LineSnapNote& l) { return l.tried; })) {
        std::string snaps = "Aggancio ai bordi:";
        for (int n = 1; n <= 4; ++n) {
            const std::string note = lineSnapText(log.lines[static_cast<std::size_t>(n - 1)], decimal);
            snaps += (n > 1 ? "; retta " : " retta ") + std::to_string(n) + " " + (note.empty() ? "senza aggancio" : note);
        }
        lines.push_back(snaps);
    }
    return lines;
}

std::string footText(const Log& log, char decimal) {
    const std::vector<std::string> lines = footLines(log, decimal, true);
    std::string out;
    for (std::size_t k = 0; k < lines.size(); ++k) out += (k > 0 ? "\n" : "") + lines[k];
    return out;
}

std::string lineSnapText(const LineSnapNote& l, char decimal) {
    if (!l.tried) return {};
    if (!l.snapped) return "non agganciata";
    return "agganciata ai bordi, scarto " + twoDecimals(l.rms, decimal) + " px";
}

std::string tableText(const Log& log, char decimal) {
    return joinedTable(log, '\t', decimal, "\n", [](const std::string& f) { return f; });
}

std::string csvText(const Log& log, char fieldSep, char decimal) {
    return "\xEF\xBB\xBF" +
           joinedTable(log, fieldSep, decimal, "\r\n", [fieldSep](const std::string& f) { return csvField(f, fieldSep); });
}

}  // namespace velta::measure

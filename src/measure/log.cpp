#include "measure/log.h"

namespace velta::measure {

std::optional<double> LogRow::difference() const { return known ? std::optional<double>(d - *known) : std::nullopt; }

std::optional<double> LogRow::differencePercent() const {
    if (!known || !(*known > 0)) return std::nullopt;
    return 100 * (d - *known) / *known;
}

std::optional<double> Log::meanError() const { return std::nullopt; }
std::optional<double> Log::maxError() const { return std::nullopt; }

const std::vector<std::string>& columnTitles() {
    static const std::vector<std::string> titles = {
        "N.", "x1", "y1", "x2", "y2", "d (cm)", "dx (cm)", "dy (cm)", "a (\xc2\xb0)", "Misura nota (cm)",
        "Differenza (cm)", "Differenza (%)", "\xc2\xb1 (%)"};
    return titles;
}

std::vector<std::string> rowCells(const Log&, std::size_t, char) { return {}; }
std::string footText(const Log&, char) { return {}; }
std::string tableText(const Log&, char) { return {}; }
std::string csvText(const Log&, char, char) { return {}; }

}  // namespace velta::measure

// The measurement log window's commands and the report command.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "bitmap/os_error.h"
#include "bitmap/safe_write.h"
#include "bitmap/save.h"
#include "input/construction.h"
#include "input/handlers.h"
#include "measure/error_bars.h"
#include "text/numtext.h"

namespace velta {

namespace {

constexpr const char* logTitle = "MISURE";
constexpr const char* exportTitle = "ESPORTA MISURE";

bool blank(const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; }

// Whether the name already ends in ".csv", in any case.
bool hasCsvExtension(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".csv";
}

}  // namespace

measure::LineFits lineFitsOf(const State& s) {
    measure::LineFits fits;
    for (std::size_t n = 1; n <= 4; ++n) {
        const LineSnap& l = s.lineSnaps[n];
        if (l.snapped) fits[n] = measure::FittedLine{l.centreX, l.centreY, l.sigmaOffset, l.sigmaAngle};
    }
    return fits;
}

void noteLineSnaps(App& app) {
    for (std::size_t n = 1; n <= 4; ++n) {
        const LineSnap& l = app.s.lineSnaps[n];
        app.log.lines[n - 1] = {l.tried, l.snapped, l.rms};
    }
}

void updateErrorBars(App& app) {
    noteLineSnaps(app);
    measure::Log& log = app.log;
    std::vector<measure::Pair> pairs;
    pairs.reserve(log.rows.size());
    for (const measure::LogRow& r : log.rows) pairs.push_back({r.x1, r.y1, r.x2, r.y2});
    std::optional<measure::ErrorBars> bars;
    // Bars of a construction that no longer stands would mean nothing.
    if (!pairs.empty() && log.rows.front().reference && app.s.constructionValid)
        bars = measure::errorBars(app.s.lineEnds, orientationInputOf(app.s), pairs, 0, lineFitsOf(app.s));
    log.poorlyDetermined = bars && bars->poorlyDetermined;
    for (std::size_t i = 0; i < log.rows.size(); ++i) {
        measure::LogRow& r = log.rows[i];
        // The reference pair's length is the typed one: it carries no bar of its own.
        if (bars && !r.reference && i < bars->pairs.size()) r.errorBar = bars->pairs[i];
        else r.errorBar.reset();
    }
}

void misureClick(App& app) { app.w.showLog(); }

void setKnownLength(App& app, std::size_t row, const std::string& text) {
    measure::Log& log = app.log;
    if (row == 0 || row >= log.rows.size() || log.rows[row].reference) return;
    if (blank(text)) {
        log.rows[row].known.reset();
    } else {
        const std::optional<double> known = text::parseDecimal(text);
        if (known && *known > 0 && std::isfinite(*known)) {
            log.rows[row].known = *known;
        } else {
            app.w.messageBox("\"" + text + "\" non è una misura valida: inserire una lunghezza positiva in "
                             "centimetri, per esempio 125,5.",
                             logTitle, Icon::Critical, Buttons::Ok);
        }
    }
    updateErrorBars(app);
    // Also after a refusal: the table shows the row as it stands again, not the refused text.
    app.w.logChanged();
}

void copyLog(App& app) {
    if (app.log.empty()) return;
    app.w.setClipboardText(measure::tableText(app.log, app.decimalSep));
}

void exportLogCsv(App& app) {
    Window& w = app.w;
    if (app.log.empty()) {
        w.messageBox("Non ci sono misure da esportare: misurare prima una coppia di punti sull'immagine raddrizzata.",
                     exportTitle, Icon::Information, Buttons::Ok);
        return;
    }
    std::string name = w.csvFileDialog(app.dataDir);
    if (name.empty()) return;
    if (!bitmap::namesAFile(name)) {
        w.messageBox("\"" + name + "\" è il nome di una cartella, non di un file.\nScegliere un nome di file.",
                     exportTitle, Icon::Critical, Buttons::Ok);
        return;
    }
    if (!hasCsvExtension(name)) name += ".csv";
    // Asked once, for the final name (the dialog does not ask).
    std::error_code ec;
    if (std::filesystem::exists(name, ec) &&
        w.messageBox("Il file \"" + name + "\" esiste già.\nSostituirlo?", exportTitle, Icon::Question,
                     Buttons::YesNo) != Answer::Yes)
        return;
    // A spreadsheet of a locale with the decimal comma separates its fields with semicolons.
    const char fieldSep = app.decimalSep == ',' ? ';' : ',';
    const std::string bytes = measure::csvText(app.log, fieldSep, app.decimalSep);
    std::string error;
    if (!bitmap::safeWriteBytes(name, bytes, error)) {
        w.messageBox("Impossibile esportare le misure in \"" + name + "\".\n" + error, exportTitle, Icon::Critical,
                     Buttons::Ok);
        return;
    }
    w.messageBox("Misure esportate in \"" + name + "\" (" + std::to_string(app.log.rows.size()) +
                     (app.log.rows.size() == 1 ? " coppia)." : " coppie)."),
                 exportTitle, Icon::Information, Buttons::Ok);
}

}  // namespace velta

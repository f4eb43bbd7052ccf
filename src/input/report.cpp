// The report command: one A4 page in PDF with the source picture and its marks, the rectified
// image, the construction's figures, the scale and the measurement log with its checks and bars.
#include "input/report.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "bitmap/save.h"
#include "input/construction.h"
#include "input/handlers.h"
#include "input/image_io.h"
#include "measure/error_bars.h"
#include "measure/log.h"

namespace velta {

namespace {

constexpr const char* title = "ESPORTA RELAZIONE";

// Colours of the figures over the source picture.
constexpr std::uint32_t lineRgb = 0xE00000, constructionRgb = 0x0000FF, circleRgb = 0xFF5050,
                        centreRgb = 0x00A000, areaRgb = 0x00A0A0;

bool within(double v, double limit) { return -limit < v && v < limit; }

// `v` with `decimals` decimals and `sep` as the decimal separator, whatever the C locale.
std::string fixed(double v, int decimals, char sep) {
    if (!std::isfinite(v)) return "-";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc{}) return "-";
    std::string t(buf, r.ptr);
    if (t[0] == '-' && t.find_first_not_of("-0.") == std::string::npos) t.erase(0, 1);   // no "-0,00"
    std::ranges::replace(t, '.', sep);
    return t;
}

// `v` with up to `digits` significant digits, no trailing zeros.
std::string significant(double v, int digits, char sep) {
    if (!std::isfinite(v)) return "-";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    std::string t(buf, r.ptr);
    std::ranges::replace(t, '.', sep);
    return t;
}

// A coordinate: whole as a click gives it, or with two decimals.
std::string coordinate(double v, char sep) { return fixed(v, v == std::round(v) ? 0 : 2, sep); }

std::string point(double x, double y, char sep) { return "(" + coordinate(x, sep) + "; " + coordinate(y, sep) + ")"; }

void line(ReportData& r, double x1, double y1, double x2, double y2, std::uint32_t rgb) {
    r.marks.push_back({ReportMark::Kind::line, x1, y1, x2, y2, rgb});
}

void circle(ReportData& r, double x, double y, double radius, std::uint32_t rgb) {
    r.marks.push_back({ReportMark::Kind::circle, x, y, radius, 0, rgb});
}

// The source picture at 32 bits: the colour road's own pixels, the plain road's indices through
// its palette.
Picture sourcePicture(const SourceImage& img, int width, int height) {
    if (img.road == Road::colour) return img.picture;
    if (width < 1 || height < 1) return {};
    Picture p = Picture::allocate(width, height);
    const auto& pal = img.bmpPalette;
    for (int y = 0; y < height; ++y) {
        std::uint32_t* out = p.row(y);
        const bool stored = static_cast<std::size_t>(y) < img.sourceRows.size();
        for (int x = 0; x < width; ++x) {
            if (!stored || x >= rowRecordSize) {
                out[x] = 0xFFFFFFFFu;
                continue;
            }
            const std::size_t e = 4u * img.sourceRows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            out[x] = 0xFF000000u | std::uint32_t{pal[e + 2]} << 16 | std::uint32_t{pal[e + 1]} << 8 | pal[e];
        }
    }
    return p;
}

// The figures the program draws over the source picture, with its limits on far-away ones.
void addMarks(ReportData& r, const State& s) {
    for (int n = 1; n <= std::min<int>(s.lineCount, 4); ++n)
        line(r, s.lineEnds[n][1], s.lineEnds[n][2], s.lineEnds[n][3], s.lineEnds[n][4], lineRgb);
    if (s.constructionValid) {
        const geom::Orientation& o = s.frame;
        const geom::Point q = o.rabattedEyeV, pf = o.horizonFoot;
        if (within(q.x, 10000) && within(q.y, 10000)) {
            line(r, s.centreX, s.centreY, q.x, q.y, constructionRgb);
            circle(r, q.x, q.y, 2, circleRgb);
        }
        if (within(s.fuox, 10000)) line(r, pf.x, pf.y, s.fuox, s.fuoy, constructionRgb);
        if (within(o.eyeToV, 10000)) circle(r, s.fuvx, s.fuvy, o.eyeToV, circleRgb);
        if (within(pf.x, 10000) && within(pf.y, 10000) && within(s.fuvx, 10000) && within(s.fuvy, 10000)) {
            line(r, s.fuvx, s.fuvy, pf.x, pf.y, constructionRgb);
            circle(r, pf.x, pf.y, 2, circleRgb);
            line(r, o.pox, o.poy, pf.x, pf.y, constructionRgb);
        }
        if (within(s.fuox, 20000) && within(o.eyeToH, 10000)) circle(r, s.fuox, s.fuoy, o.eyeToH, circleRgb);
        if (within(o.pvx, 10000) && within(o.pvy, 10000)) circle(r, o.pvx, o.pvy, 4, circleRgb);
    }
    circle(r, s.centreX, s.centreY, 2, centreRgb);
    line(r, s.centreX, s.centreY - 20, s.centreX, s.centreY + 20, centreRgb);
    line(r, s.centreX - 20, s.centreY, s.centreX + 20, s.centreY, centreRgb);
    for (int i = 1; i <= 4; ++i) {
        const int j = i % 4 + 1;
        line(r, s.areaCorners[i][1], s.areaCorners[i][2], s.areaCorners[j][1], s.areaCorners[j][2], areaRgb);
    }
}

std::string kernelName(const State& s) {
    if (s.image.road == Road::plain) return "pixel più vicino (immagine a 256 colori)";
    switch (s.interpolation) {
    case Interpolation::nearest: return "pixel più vicino";
    case Interpolation::bilinear: return "bilineare";
    case Interpolation::bicubic: break;
    }
    return "bicubica";
}

void addParameters(ReportData& r, const State& s, char sep) {
    const char* names[5] = {"", "Retta 1 (orizzontale)", "Retta 2 (orizzontale)", "Retta 3 (verticale)",
                            "Retta 4 (verticale)"};
    for (int n = 1; n <= 4; ++n) {
        const LineSnap& l = s.lineSnaps[n];
        const std::string snap = measure::lineSnapText({l.tried, l.snapped, l.rms}, sep);
        r.parameters.emplace_back(names[n], point(s.lineEnds[n][1], s.lineEnds[n][2], sep) + " - " +
                                                point(s.lineEnds[n][3], s.lineEnds[n][4], sep) +
                                                (snap.empty() ? "" : " (" + snap + ")"));
    }
    r.parameters.emplace_back("Punto di fuga orizzontale", point(s.fuox, s.fuoy, sep));
    r.parameters.emplace_back("Punto di fuga verticale", point(s.fuvx, s.fuvy, sep));
    r.parameters.emplace_back("Centro", point(s.centreX, s.centreY, sep));
    r.parameters.emplace_back("Distanza principale (DIS)", fixed(s.frame.principalDistance, 2, sep) + " pixel");
    r.parameters.emplace_back("Punto di misura verticale", point(s.frame.pvx, s.frame.pvy, sep));
    r.parameters.emplace_back("Punto di misura orizzontale", point(s.frame.pox, s.frame.poy, sep));
    std::string area;
    for (int i = 1; i <= 4; ++i) area += (i > 1 ? " " : "") + point(s.areaCorners[i][1], s.areaCorners[i][2], sep);
    r.parameters.emplace_back("Area di calcolo", area);
    r.parameters.emplace_back("Passo", significant(s.pixelStep, 6, sep) + " pixel dell'immagine per pixel");
    r.parameters.emplace_back("Interpolazione", kernelName(s));
    r.parameters.emplace_back("Immagine raddrizzata", std::to_string(s.rectified.width) + " x " +
                                                          std::to_string(s.rectified.height) + " pixel");
}

void addScaleAndLog(ReportData& r, const App& app) {
    const measure::Log& log = app.log;
    const char sep = app.decimalSep;
    const bool scaled = log.scale > 0 && !log.empty();
    if (scaled) {
        r.scale.push_back("Scala: 1 pixel = " + significant(log.scale, 6, sep) + " cm (" +
                          significant(100 / log.scale, 6, sep) + " pixel per metro)");
        const std::vector<std::string> ref = measure::rowCells(log, 0, sep);
        if (ref.size() > 5)
            r.scale.push_back("Coppia di riferimento: (" + ref[1] + "; " + ref[2] + ") - (" + ref[3] + "; " + ref[4] +
                              "), misura " + ref[5] + " cm");
    } else {
        r.scale.push_back("Scala non impostata: nessuna coppia di punti misurata con la sua lunghezza.");
    }
    r.logTitles = measure::columnTitles();
    for (std::size_t i = 0; i < log.rows.size(); ++i) r.logRows.push_back(measure::rowCells(log, i, sep));
    // What snapping made of the lines stands beside each line among the parameters.
    for (std::string& line : measure::footLines(log, sep, false)) r.notes.push_back(std::move(line));

    // The aspect ratio's bar needs a reference pair only as a yardstick: without a log, the
    // frame's width stands for it.
    std::vector<measure::Pair> pairs;
    for (const measure::LogRow& row : log.rows) pairs.push_back({row.x1, row.y1, row.x2, row.y2});
    if (pairs.empty()) pairs.push_back({0, 0, static_cast<double>(app.s.rectified.width), 0});
    const State& s = app.s;
    const std::optional<measure::ErrorBars> bars =
        s.constructionValid ? measure::errorBars(s.lineEnds, orientationInputOf(s), pairs, 0, lineFitsOf(s))
                            : std::nullopt;
    const double ratio = s.frame.rectHeight > 0 ? s.frame.rectWidth / s.frame.rectHeight : 0;
    if (bars) {
        r.notes.push_back("Rapporto larghezza / altezza del quadro " + fixed(ratio, 4, sep) + ": ± " +
                          fixed(bars->aspect * 100, 1, sep) + " %");
        const std::string warning =
            "Proporzioni poco determinate: mezzo pixel su una retta sposta la distanza principale di oltre il 5 %";
        if (bars->poorlyDetermined && std::ranges::find(r.notes, warning) == r.notes.end()) r.notes.push_back(warning);
    } else {
        r.notes.push_back("Rapporto larghezza / altezza del quadro " + fixed(ratio, 4, sep) +
                          ": barra d'errore non calcolabile dalle rette attuali");
    }
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return {};
    char buf[32];
    return std::strftime(buf, sizeof buf, "%d/%m/%Y", &local) > 0 ? std::string(buf) : std::string();
}

bool hasPdfExtension(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".pdf";
}

}  // namespace

ReportData reportDataOf(const App& app, const std::string& date) {
    const State& s = app.s;
    ReportData r;
    r.title = reportTitle;
    r.date = date;
    r.sourceName = std::filesystem::path(s.image.sourceFileName).filename().string();
    r.source = sourcePicture(s.image, static_cast<int>(s.imageWidth), static_cast<int>(s.imageHeight));
    addMarks(r, s);
    r.rectified = s.rectified;
    addParameters(r, s, app.decimalSep);
    addScaleAndLog(r, app);
    return r;
}

void reportClick(App& app) {
    Window& w = app.w;
    auto refuse = [&](const std::string& text) { w.messageBox(text, title, Icon::Critical, Buttons::Ok); };
    if (app.s.rectified.empty()) {
        refuse("Non c'è un raddrizzamento di cui fare la relazione.");
        return;
    }
    if (!app.io) {
        refuse("Questa versione del programma non sa scrivere la relazione in PDF.");
        return;
    }
    std::string name = w.reportFileDialog(app.dataDir);
    if (name.empty()) return;
    if (!bitmap::namesAFile(name)) {
        refuse("\"" + name + "\" è il nome di una cartella, non di un file.\nScegliere un nome di file.");
        return;
    }
    if (!hasPdfExtension(name)) name += ".pdf";
    // Asked once, for the final name (the dialog does not ask).
    std::error_code ec;
    if (std::filesystem::exists(name, ec) &&
        w.messageBox("Il file \"" + name + "\" esiste già.\nSostituirlo?", title, Icon::Question, Buttons::YesNo) !=
            Answer::Yes)
        return;
    std::string error;
    if (!app.io->writeReport(reportDataOf(app, today()), name, error)) {
        refuse("Impossibile scrivere la relazione in \"" + name + "\".\n" + error);
        return;
    }
    w.messageBox("Relazione scritta in \"" + name + "\".", title, Icon::Information, Buttons::Ok);
}

}  // namespace velta

// The export command: writes the rectified image kept in memory since the rectification to a
// common image format. A plain image keeps its palette (PNG, TIFF or BMP); a colour image is
// written in 24 bits (PNG, TIFF, BMP or JPEG). Once the measurements have a scale, a world file
// beside the image gives its pixel size in metres, and BMP and PNG record it as their resolution.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <string>
#include <utility>

#include "bitmap/os_error.h"
#include "bitmap/safe_write.h"
#include "bitmap/save.h"
#include "input/handlers.h"
#include "input/unsaved.h"

namespace velta {

namespace {

constexpr const char* title = "ESPORTA IMMAGINE";

void refuse(App& app, const std::string& text) { app.w.messageBox(text, title, Icon::Critical, Buttons::Ok); }

std::string lower(std::string t) {
    std::ranges::transform(t, t.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return t;
}

// The format a name's extension names, in any case; nothing for any other extension.
std::optional<ImageFormat> formatOfName(const std::string& name) {
    const std::string ext = lower(std::filesystem::path(name).extension().string());
    if (ext == ".png") return ImageFormat::png;
    if (ext == ".tif" || ext == ".tiff") return ImageFormat::tiff;
    if (ext == ".bmp") return ImageFormat::bmp;
    if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::jpeg;
    return std::nullopt;
}

const char* extensionOf(ImageFormat f) {
    switch (f) {
    case ImageFormat::tiff: return ".tif";
    case ImageFormat::bmp: return ".bmp";
    case ImageFormat::jpeg: return ".jpg";
    case ImageFormat::png: break;
    }
    return ".png";
}

const char* nameOf(ImageFormat f) {
    switch (f) {
    case ImageFormat::tiff: return "TIFF";
    case ImageFormat::bmp: return "BMP";
    case ImageFormat::jpeg: return "JPEG";
    case ImageFormat::png: break;
    }
    return "PNG";
}

// The world file's extension for each format: the first and last letters of the image's, then "w".
const char* worldExtensionOf(ImageFormat f) {
    switch (f) {
    case ImageFormat::tiff: return ".tfw";
    case ImageFormat::bmp: return ".bpw";
    case ImageFormat::jpeg: return ".jgw";
    case ImageFormat::png: break;
    }
    return ".pgw";
}

// The world file beside `image`: same base name, in capitals when the image's extension is.
std::string worldNameOf(const std::string& image, ImageFormat f) {
    std::filesystem::path p(image);
    const std::string ext = p.extension().string();
    std::string world = worldExtensionOf(f);
    if (ext.size() > 1 && std::ranges::none_of(ext, [](unsigned char c) { return std::islower(c) != 0; }))
        std::ranges::transform(world, world.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return p.replace_extension(world).string();
}

// A number of the world file: "." as the point whatever the locale, 10 significant digits.
std::string worldNumber(double v) {
    if (v == 0) v = 0;   // no "-0"
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    return std::string(buf, r.ptr);
}

// The six lines of the world file of an image `height` pixels high whose pixels are `metres`
// wide and high: the pixel size along x, two rotations, the pixel size along y (negative: rows
// go down), and the centre of the top left pixel, with the origin at the image's bottom left.
std::string worldFileText(double metres, int height) {
    const double lines[6] = {metres, 0, 0, -metres, metres / 2, (height - 0.5) * metres};
    std::string text;
    for (double v : lines) text += worldNumber(v) + "\n";
    return text;
}

// The whole contents of a file, or nothing when it cannot be read.
std::optional<std::string> readWhole(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string bytes;
    char buf[4096];
    std::size_t got = 0;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, got);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return bytes;
}

// A figure of the message: six significant digits at most, the locale's decimal separator.
std::string shortDecimal(double v, char sep) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    std::string t(buf, r.ptr);
    std::ranges::replace(t, '.', sep);
    return t;
}

// The resolution recorded in a BMP or PNG for a scale of `scale` cm a pixel: the nearest whole
// number of pixels a metre, within what the files' fields hold.
int pixelsPerMetreOf(double scale) {
    const double exact = 100.0 / scale;
    return static_cast<int>(std::clamp(std::round(exact), 1.0, static_cast<double>(INT_MAX)));
}

// The one question before replacing: the image, its world file, or both; empty when neither exists.
std::string replaceQuestion(const std::string& name, bool imageThere, const std::string& world, bool worldThere,
                            bool scaled) {
    if (imageThere && worldThere)
        return "I file \"" + name + "\" e \"" + world + "\" esistono già.\n" +
               (scaled ? "Sostituirli?" : "Sostituire l'immagine ed eliminare il file di georeferenziazione?");
    if (imageThere) return "Il file \"" + name + "\" esiste già.\nSostituirlo?";
    if (worldThere)
        return "Il file \"" + world + "\" esiste già.\n" +
               std::string(scaled ? "Sostituirlo?" : "Eliminarlo, dato che l'immagine non ha una scala?");
    return {};
}

// The image and its world file. The world file goes first, its former contents kept: when the
// image then fails, the world file is put back as it was, and both targets are as they were.
bool writeWithWorldFile(App& app, const std::string& name, ImageFormat format, const std::string& world,
                        bool worldThere, int pixelsPerMetre) {
    const std::optional<std::string> former = worldThere ? readWhole(world) : std::nullopt;
    if (worldThere && !former) {
        refuse(app, "Impossibile leggere il file di georeferenziazione \"" + world + "\" da sostituire.");
        return false;
    }
    std::string error;
    if (!bitmap::safeWriteBytes(world, worldFileText(app.log.scale / 100, app.s.rectified.height), error)) {
        refuse(app, "Impossibile scrivere il file di georeferenziazione \"" + world + "\".\n" + error +
                        "\nL'immagine non è stata esportata.");
        return false;
    }
    if (!app.io->write(app.s.rectified, name, format, error, pixelsPerMetre)) {
        std::string restored;
        std::error_code ec;
        if (former) bitmap::safeWriteBytes(world, *former, restored);
        else std::filesystem::remove(world, ec);
        refuse(app, "Impossibile esportare l'immagine in \"" + name + "\".\n" + error);
        return false;
    }
    return true;
}

// The image alone: a world file beside it belonged to the image replaced, and goes with it.
bool writeWithoutWorldFile(App& app, const std::string& name, ImageFormat format, const std::string& world,
                           bool worldThere) {
    std::string error;
    if (!app.io->write(app.s.rectified, name, format, error)) {
        refuse(app, "Impossibile esportare l'immagine in \"" + name + "\".\n" + error);
        return false;
    }
    std::error_code ec;
    if (worldThere && !std::filesystem::remove(world, ec) && ec) {
        refuse(app, "Immagine esportata in \"" + name + "\", ma il file di georeferenziazione \"" + world +
                        "\" non si è potuto eliminare: " + bitmap::osErrorText(ec.value()) +
                        ".\nEliminarlo a mano, perché non vale per la nuova immagine.");
        return false;
    }
    return true;
}

// The file to export to, from the dialog's answer: the extension typed decides the format;
// without one of ours, the dialog's filter does and its extension is added. Nothing when the
// name is refused (with the reason said) or the dialog was cancelled.
std::optional<std::pair<std::string, ImageFormat>> exportTarget(App& app, const ExportChoice& choice, bool colour) {
    if (choice.name.empty()) return std::nullopt;
    if (!bitmap::namesAFile(choice.name)) {
        refuse(app, "\"" + choice.name + "\" è il nome di una cartella, non di un file.\nScegliere un nome di file.");
        return std::nullopt;
    }
    std::string name = choice.name;
    ImageFormat format = choice.filter;
    if (const std::optional<ImageFormat> typed = formatOfName(name)) format = *typed;
    else name += extensionOf(format);
    if (format == ImageFormat::jpeg && !colour) {
        refuse(app, "Un'immagine a 256 colori non si esporta in JPEG, che ne altererebbe i colori.\n"
                    "Scegliere PNG, TIFF o BMP.");
        return std::nullopt;
    }
    if (namesAWorkingFile(app, name)) {
        refuse(app, "\"" + name + "\" è il file di lavoro, che ogni raddrizzamento riscrive.\nScegliere un altro nome.");
        return std::nullopt;
    }
    return std::pair{name, format};
}

// What the export message says once the files are written.
std::string exportedText(const App& app, const std::string& name, ImageFormat format, const std::string& world,
                         int pixelsPerMetre) {
    const double scale = app.log.scale;
    std::string info = "Immagine esportata in \"" + name + "\" (" + nameOf(format) + ", " +
                       std::to_string(app.s.rectified.width) + " x " + std::to_string(app.s.rectified.height) +
                       " pixel).";
    if (world.empty()) return info;
    info += "\nFile di georeferenziazione: \"" + world + "\" (pixel di " + shortDecimal(scale, app.decimalSep) + " cm).";
    const double exact = 100.0 / scale;
    if (pixelsPerMetre > 0 && std::abs(pixelsPerMetre - exact) > exact * 0.001)
        info += "\nLa risoluzione scritta nel file è arrotondata a " + std::to_string(pixelsPerMetre) +
                " pixel per metro (la scala ne darebbe " + shortDecimal(exact, app.decimalSep) + ").";
    return info;
}

}  // namespace

void exportClick(App& app) {
    const State& s = app.s;
    Window& w = app.w;
    if (s.rectified.empty()) {
        refuse(app, "Non c'è un'immagine raddrizzata da esportare.");
        return;
    }
    if (!app.io) {
        refuse(app, "Questa versione del programma non sa scrivere i formati di esportazione.");
        return;
    }
    const bool colour = s.rectified.road == Road::colour;
    const auto target = exportTarget(app, w.exportFileDialog(app.dataDir, colour), colour);
    if (!target) return;
    const auto& [name, format] = *target;
    // With a scale the world file is written beside the image; without one, a world file there
    // belonged to the image being replaced and goes with it.
    const double scale = app.log.scale;
    const bool scaled = std::isfinite(scale) && scale > 0;
    const std::string world = worldNameOf(name, format);
    // Asked once, for the final names (the dialog does not ask).
    std::error_code ec;
    const bool imageThere = std::filesystem::exists(name, ec);
    const bool worldThere = std::filesystem::exists(world, ec);
    const std::string question = replaceQuestion(name, imageThere, world, worldThere, scaled);
    if (!question.empty() && w.messageBox(question, title, Icon::Question, Buttons::YesNo) != Answer::Yes) return;

    const int pixelsPerMetre =
        scaled && (format == ImageFormat::bmp || format == ImageFormat::png) ? pixelsPerMetreOf(scale) : 0;
    const bool written = scaled ? writeWithWorldFile(app, name, format, world, worldThere, pixelsPerMetre)
                                : writeWithoutWorldFile(app, name, format, world, worldThere);
    if (written)
        w.messageBox(exportedText(app, name, format, scaled ? world : std::string(), pixelsPerMetre), title,
                     Icon::Information, Buttons::Ok);
}

}  // namespace velta

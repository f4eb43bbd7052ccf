// The export command: writes the rectified image kept in memory since the rectification to a
// common image format. A plain image keeps its palette (PNG, TIFF or BMP); a colour image is
// written in 24 bits (PNG, TIFF, BMP or JPEG).
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

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
    const ExportChoice choice = w.exportFileDialog(app.dataDir, colour);
    if (choice.name.empty()) return;
    if (!bitmap::namesAFile(choice.name)) {
        refuse(app, "\"" + choice.name + "\" è il nome di una cartella, non di un file.\nScegliere un nome di file.");
        return;
    }
    // The extension typed decides; without one of ours, the dialog's filter does and its
    // extension is added.
    std::string name = choice.name;
    ImageFormat format = choice.filter;
    if (const std::optional<ImageFormat> typed = formatOfName(name)) format = *typed;
    else name += extensionOf(format);
    if (format == ImageFormat::jpeg && !colour) {
        refuse(app, "Un'immagine a 256 colori non si esporta in JPEG, che ne altererebbe i colori.\n"
                    "Scegliere PNG, TIFF o BMP.");
        return;
    }
    if (namesAWorkingFile(app, name)) {
        refuse(app, "\"" + name + "\" è il file di lavoro, che ogni raddrizzamento riscrive.\nScegliere un altro nome.");
        return;
    }
    // Asked once, for the final name (the dialog does not ask).
    std::error_code ec;
    if (std::filesystem::exists(name, ec) &&
        w.messageBox("Il file \"" + name + "\" esiste già.\nSostituirlo?", title, Icon::Question, Buttons::YesNo) !=
            Answer::Yes)
        return;
    std::string error;
    if (!app.io->write(s.rectified, name, format, error)) {
        refuse(app, "Impossibile esportare l'immagine in \"" + name + "\".\n" + error);
        return;
    }
    w.messageBox("Immagine esportata in \"" + name + "\" (" + nameOf(format) + ", " + std::to_string(s.rectified.width) +
                     " x " + std::to_string(s.rectified.height) + " pixel).",
                 title, Icon::Information, Buttons::Ok);
}

}  // namespace velta

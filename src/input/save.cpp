// The save command: gives the working file of the last rectification the name the user picks.
#include <filesystem>
#include <system_error>

#include "bitmap/save.h"
#include "input/handlers.h"
#include "input/unsaved.h"

namespace velta {

void saveClick(App& app) {
    State& s = app.s;
    Window& w = app.w;
    const std::string working = app.workingFile();
    std::error_code ec;
    if (!s.workingFileFresh || !std::filesystem::exists(working, ec)) {
        w.messageBox("Non c'è un'immagine raddrizzata da salvare: il file di lavoro \"" + working +
                         "\" non è stato scritto da un raddrizzamento o è già stato salvato.",
                     "SALVATAGGIO", Icon::Critical, Buttons::Ok);
        return;
    }
    const std::string chosen = w.saveFileDialog(app.dataDir);
    s.saveFileName = chosen;
    if (chosen.empty() || chosen == "*.bmp") return;
    // A folder's name would otherwise become a hidden file ".BMP" inside it.
    if (!bitmap::namesAFile(chosen)) {
        w.messageBox("\"" + chosen + "\" è il nome di una cartella, non di un file.\nScegliere un nome di file.",
                     "SALVATAGGIO", Icon::Critical, Buttons::Ok);
        return;
    }
    s.saveFileName = bitmap::withBmpExtension(chosen);

    // Under a working file's name (this copy's, or the one the first running copy of the
    // program rewrites) the image would be lost to the next rectification.
    if (namesAWorkingFile(app, s.saveFileName)) {
        w.messageBox("\"" + s.saveFileName + "\" è il file di lavoro, che ogni raddrizzamento riscrive.\n"
                     "Scegliere un altro nome.",
                     "SALVATAGGIO", Icon::Critical, Buttons::Ok);
        return;
    }

    // The extension is added after the dialog, so only now is the final name known.
    if (std::filesystem::exists(s.saveFileName, ec) &&
        w.messageBox("Il file \"" + s.saveFileName + "\" esiste già.\nSostituirlo?", "SALVATAGGIO", Icon::Question,
                     Buttons::YesNo) != Answer::Yes)
        return;

    std::string error;
    if (!bitmap::moveFile(working, s.saveFileName, error)) {
        // Where the file system refuses the rename, a copy may still get through.
        std::string copyError;
        if (!std::filesystem::exists(working, ec) || !bitmap::moveByCopying(working, s.saveFileName, copyError)) {
            w.messageBox("Impossibile salvare l'immagine in \"" + s.saveFileName + "\".\n" + error +
                             "\nL'immagine resta nel file di lavoro \"" + working + "\".",
                         "SALVATAGGIO", Icon::Critical, Buttons::Ok);
            return;
        }
    }
    s.workingFileFresh = false;
}

}  // namespace velta

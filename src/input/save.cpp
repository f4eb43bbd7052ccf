// The save command: gives the working file of the last rectification the name the user picks.
#include <filesystem>
#include <system_error>

#include "bitmap/save.h"
#include "input/handlers.h"

namespace velta {

void saveClick(App& app) {
    State& s = app.s;
    Window& w = app.w;
    if (s.rectRunning) return;   // the working file is being written
    std::error_code ec;
    if (!s.workingFileFresh || !std::filesystem::exists(app.workingFile(), ec)) {
        w.messageBox("Non c'è un'immagine raddrizzata da salvare: il file di lavoro \"" + app.workingFile() +
                         "\" non è stato scritto da un raddrizzamento o è già stato salvato.",
                     "SALVATAGGIO", Icon::Information, Buttons::Ok);
        return;
    }
    const std::string chosen = w.saveFileDialog(app.dataDir);
    s.saveFileName = chosen;
    if (chosen.empty() || chosen == "*.bmp") return;
    s.saveFileName = bitmap::withBmpExtension(chosen);

    // The extension is added after the dialog, so only now is the final name known.
    if (std::filesystem::exists(s.saveFileName, ec) &&
        w.messageBox("Il file \"" + s.saveFileName + "\" esiste già.\nSostituirlo?", "SALVATAGGIO", Icon::Question,
                     Buttons::YesNo) != Answer::Yes)
        return;

    std::string error;
    if (!bitmap::moveFile(app.workingFile(), s.saveFileName, error)) {
        w.messageBox("Impossibile salvare l'immagine in \"" + s.saveFileName + "\".\n" + error +
                         "\nL'immagine resta nel file di lavoro \"" + app.workingFile() + "\".",
                     "SALVATAGGIO", Icon::Critical, Buttons::Ok);
        return;
    }
    s.workingFileFresh = false;
}

}  // namespace velta

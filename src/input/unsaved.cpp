#include "input/unsaved.h"

#include <filesystem>
#include <system_error>

#include "input/handlers.h"

namespace velta {

bool mayDiscardUnsaved(App& app) {
    // A working file removed from outside has nothing left to lose.
    std::error_code ec;
    if (!app.s.workingFileFresh || !std::filesystem::exists(app.workingFile(), ec)) return true;
    switch (app.w.messageBox("L'immagine raddrizzata non è stata salvata.\nSalvarla prima di continuare?",
                             "IMMAGINE NON SALVATA", Icon::Question, Buttons::SaveDiscardCancel)) {
    case Answer::Save:
        saveClick(app);
        // The save command clears the flag once the image is in its new file; a cancelled
        // dialog or a failed move leaves it, and the step does not go on.
        return !app.s.workingFileFresh;
    case Answer::Discard: return true;
    default: return false;
    }
}

}  // namespace velta

#include "input/unsaved.h"

#include <filesystem>
#include <system_error>

#include "input/handlers.h"

namespace velta {

namespace {

// Whether `name` leads to `file`: the same file through another path or a link, or, while
// `file` does not exist, the same place.
bool leadsTo(const std::string& name, const std::string& file) {
    std::error_code ec, ec2;
    if (std::filesystem::equivalent(name, file, ec)) return true;
    const std::filesystem::path a = std::filesystem::weakly_canonical(name, ec);
    const std::filesystem::path b = std::filesystem::weakly_canonical(file, ec2);
    return !ec && !ec2 && a == b;
}

}  // namespace

bool namesAWorkingFile(const App& app, const std::string& name) {
    return leadsTo(name, app.workingFile()) || leadsTo(name, app.dataDir + "/velta.bmp");
}

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

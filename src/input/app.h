#pragma once
// The program object the handlers work on: the working state, the window, and the paths.

#include <string>
#include <utility>

#include "input/image_io.h"
#include "measure/log.h"
#include "state/state.h"
#include "ui/window.h"

namespace velta {

struct App {
    App(Window& window, std::string dataDirectory) : w(window), dataDir(std::move(dataDirectory)) {}

    State s;
    Window& w;
    std::string dataDir;   // the program's directory: open and save dialogs start here
    std::string helpFile;  // the Italian help document
    char decimalSep = '.'; // the user's locale decimal separator, for the locale number form
    bool quitRequested = false;   // exit asked while a rectification runs: end once it returns
    // The name of the file each rectification writes in the data directory: "velta.bmp" for the
    // first copy of the program running, a name of its own for every further copy (chosen at
    // start-up).
    std::string workingName = "velta.bmp";
    // Why the data directory is no safe place for the working file (empty when it is); while
    // set, rectifying is refused with this text.
    std::string workingDirProblem;
    // Reads and writes the common image formats; without it only plain bitmaps open.
    ImageIO* io = nullptr;
    // The pairs measured on the rectified image shown since its scale was set; its scale is the
    // one that export and the report carry (0: none yet).
    measure::Log log;

    std::string workingFile() const { return dataDir + "/" + workingName; }
};

}  // namespace velta

#pragma once
// The program object the handlers work on: the working state, the window, and the paths.

#include <string>

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

    std::string workingFile() const { return dataDir + "/velta.bmp"; }
};

}  // namespace velta

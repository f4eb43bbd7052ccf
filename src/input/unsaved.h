#pragma once
// The question asked before a step that would lose a rectified image not yet saved.

#include "input/app.h"

namespace velta {

/// When the working file holds a rectification that was never saved, asks whether to save it
/// first. True when the caller may go on: nothing was unsaved, the user saved it, or chose not
/// to; false when the user cancelled or the save did not happen.
bool mayDiscardUnsaved(App& app);

/// Whether `name` names a working file (this copy's, or the one the first running copy of the
/// program rewrites), through any path or link: a file put there would be lost to the next
/// rectification.
bool namesAWorkingFile(const App& app, const std::string& name);

}  // namespace velta

#pragma once
// The reason a file operation failed, in the user's words: an Italian cause, followed by the
// system's own text as a detail, e.g. "disco pieno (No space left on device)".

#include <string>

namespace velta::bitmap {

/// The Italian text for the error number `err` (an errno value), the system's text in brackets.
std::string osErrorText(int err);

}  // namespace velta::bitmap

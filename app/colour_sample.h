#pragma once
// The colour sample photograph as a JPEG file: rendered by the core (sample/colour.h), encoded by
// Qt's image writer.

#include <string>
#include <vector>

namespace velta::app {

/// Renders the full-size colour sample and writes it to `path` as a JPEG; false when it cannot.
bool writeColourSample(const std::string& path);

/// Puts the colour sample "facciata.jpg" into `dir` when it is missing: a copy of the first of
/// `shipped` that is a whole colour sample (the file installed or built beside the program), or
/// else a fresh rendering, which takes a few seconds. Never replaces a file already there. False
/// with an Italian reason in `error` when it cannot.
bool ensureColourSample(const std::string& dir, const std::vector<std::string>& shipped, std::string& error);

}  // namespace velta::app

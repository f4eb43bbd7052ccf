#pragma once
// Saving the rectified image: the chosen name gets its extension, then the working file is
// moved to it.

#include <string>

namespace velta::bitmap {

/// `name` with ".BMP" appended, unless its last four characters are ".bmp" or ".BMP".
std::string withBmpExtension(const std::string& name);

/// Moves the file `from` to `to`, replacing an existing `to`; across file systems it copies and
/// then removes `from`. On failure says why in `error`, and `from` is left as it was.
bool moveFile(const std::string& from, const std::string& to, std::string& error);

/// The cross-file-system part of moveFile: copies `from` into a new file beside `to`, puts it
/// in place of `to`, then removes `from`; a failed copy is removed and `from` kept.
bool moveByCopying(const std::string& from, const std::string& to, std::string& error);

}  // namespace velta::bitmap

#pragma once
// Saving the rectified image: the chosen name gets its extension, then the working file is
// moved to it.

#include <string>

namespace velta::bitmap {

/// Whether `name` ends in the name of a file: not in "/", "." or "..", which name directories.
bool namesAFile(const std::string& name);

/// `name` with ".BMP" appended, unless its last four characters are ".bmp" or ".BMP".
std::string withBmpExtension(const std::string& name);

/// Moves the file `from` to `to`, replacing an existing `to` (a link there is replaced, not
/// followed); across file systems it copies and then removes `from`. The contents are flushed
/// to the disk before the rename and the directory after it. On failure says why in `error`,
/// and `from` is left as it was.
bool moveFile(const std::string& from, const std::string& to, std::string& error);

/// The cross-file-system part of moveFile: copies `from` into a new file beside `to`, flushes
/// it to the disk, puts it in place of `to`, then removes `from`; a failed copy is removed and
/// `from` kept.
bool moveByCopying(const std::string& from, const std::string& to, std::string& error);

}  // namespace velta::bitmap

#pragma once
// Writing a file so that the target is never left half written: the contents go into a new
// temporary file in the target's folder, which is flushed to the disk and then renamed over the
// target; the folder is flushed after the rename. On any failure the temporary file is removed
// and the target is as it was. A link standing under the target's name is replaced by the file,
// never written through. The new file has the mode of any new file of the user's (0644 less the
// umask).

#include <functional>
#include <string>
#include <string_view>

namespace velta::bitmap {

/// Fills the temporary file at `tempPath` (already created, empty); false with the reason.
using FileFiller = std::function<bool(const std::string& tempPath, std::string& error)>;

/// Writes `target` through a temporary file filled by `fill`; false with the reason (Italian).
bool safeWrite(const std::string& target, const FileFiller& fill, std::string& error);

/// Writes `bytes` as the whole of `target` through safeWrite; false with the reason (Italian).
bool safeWriteBytes(const std::string& target, std::string_view bytes, std::string& error);

}  // namespace velta::bitmap

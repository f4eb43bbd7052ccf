#pragma once
// Putting what was written on the disk: a file's contents before it takes its final name, and a
// folder's entries after a rename.

#include <filesystem>
#include <string>

namespace velta::bitmap {

/// The folder holding the file `path`: "." for a bare name.
std::filesystem::path folderOf(const std::string& path);

/// Puts the contents of the open file `fd` on the disk; false with errno set when they may not be
/// there. A file system that cannot flush at all is taken at its word.
bool syncContents(int fd);

/// Puts the entries of the folder `dir` on the disk. A renamed file is in place whatever this
/// gives; a failure only leaves its name to the system's own timing.
void syncDirectory(const std::filesystem::path& dir);

}  // namespace velta::bitmap

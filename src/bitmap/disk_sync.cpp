#include "bitmap/disk_sync.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace velta::bitmap {

namespace {

// Whether a failed flush means the data may not be on the disk; file systems that cannot flush
// at all answer otherwise.
bool lostData(int err) { return err == EIO || err == ENOSPC || err == EDQUOT; }

}  // namespace

std::filesystem::path folderOf(const std::string& path) {
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (dir.empty()) dir = ".";
    return dir;
}

bool syncContents(int fd) {
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        return !lostData(errno);
    }
    return true;
}

void syncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    syncContents(fd);
    ::close(fd);
}

}  // namespace velta::bitmap

#include "bitmap/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "bitmap/disk_sync.h"
#include "bitmap/os_error.h"

namespace velta::bitmap {

namespace {

std::string writeError(const std::string& target, const std::string& why) {
    return "Impossibile scrivere il file \"" + target + "\": " + why;
}

// A name for the temporary file that no other save, of this process or another, picks: the
// process, a count and random bits. Short and hidden, so that a long target name cannot make it
// too long and a file manager does not show it meanwhile.
std::string tempName() {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char name[64];
    std::snprintf(name, sizeof name, ".velta-%d-%u-%08llx.tmp", static_cast<int>(::getpid()), counter++,
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFu));
    return name;
}

// Creates a new, empty temporary file in `dir`; its path in `path`, or false with errno set.
bool createTemp(const std::filesystem::path& dir, std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = (dir / tempName()).string();
        // 0644 before the umask, as any new file of the user's; O_EXCL: never an existing file.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    errno = EEXIST;
    return false;
}

// Puts the file at `path` on the disk; false with errno set when its contents may not be there.
bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        ok = false;
        errno = EINVAL;
    }
    if (ok) ok = syncContents(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

}  // namespace

bool safeWrite(const std::string& target, const FileFiller& fill, std::string& error) {
    const std::filesystem::path dir = folderOf(target);
    std::string temp;
    if (!createTemp(dir, temp)) {
        error = writeError(target, osErrorText(errno));
        return false;
    }

    std::string why;
    bool ok = fill(temp, why);
    if (!ok && why.empty()) why = "il contenuto non è stato scritto.";
    if (ok && !syncFile(temp)) {
        ok = false;
        why = osErrorText(errno);
    }
    // rename() takes the target's name itself: a link standing there is replaced, not followed.
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        why = osErrorText(errno);
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = writeError(target, why);
        return false;
    }
    syncDirectory(dir);
    return true;
}

bool safeWriteBytes(const std::string& target, std::string_view bytes, std::string& error) {
    return safeWrite(
        target,
        [bytes](const std::string& temp, std::string& why) {
            std::FILE* f = std::fopen(temp.c_str(), "wb");
            if (!f) {
                why = osErrorText(errno);
                return false;
            }
            const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
            const int writeErr = errno;
            const bool closed = std::fclose(f) == 0;
            if (!written || !closed) {
                why = osErrorText(written ? errno : writeErr);
                return false;
            }
            return true;
        },
        error);
}

}  // namespace velta::bitmap

#include "bitmap/save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bitmap/disk_sync.h"
#include "bitmap/os_error.h"

namespace velta::bitmap {

namespace {

std::string moveError(const std::string& from, const std::string& to, const std::string& why) {
    return "Impossibile spostare il file \"" + from + "\" in \"" + to + "\": " + why;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Puts the contents of the file `path` on the disk before it gets its new name, so that a power
// loss right after the save cannot leave an empty file under that name. A file that cannot be
// opened is left to the rename to report.
bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return true;
    const bool ok = syncContents(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

// Copies everything from descriptor `in` to `out`; false with errno set on failure.
bool copyContents(int in, int out) {
    std::vector<char> buffer(std::size_t{1} << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            const ssize_t n = ::write(out, buffer.data() + done, static_cast<std::size_t>(got) - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) {
                errno = ENOSPC;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
    }
}

}  // namespace

bool namesAFile(const std::string& name) {
    const std::string last = name.substr(name.find_last_of('/') + 1);
    return !last.empty() && last != "." && last != "..";
}

std::string withBmpExtension(const std::string& name) {
    if (name.size() >= 4) {
        const std::string tail = name.substr(name.size() - 4);
        if (tail == ".bmp" || tail == ".BMP") return name;
    }
    return name + ".BMP";
}

bool moveByCopying(const std::string& from, const std::string& to, std::string& error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        error = moveError(from, to, osErrorText(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = moveError(from, to, "non è un file ordinario.");
        ::close(in);
        return false;
    }
    // The copy goes to a new file in the target's directory and replaces the target only when
    // it is complete, so a failure never leaves a half-written file under the chosen name.
    std::string temp = (folderOf(to) / ".velta-copy-XXXXXX").string();
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        error = moveError(from, to, osErrorText(errno));
        ::close(in);
        return false;
    }
    bool ok = copyContents(in, out);
    int err = errno;
    if (ok && ::fchmod(out, st.st_mode & 0777) != 0) {
        ok = false;
        err = errno;
    }
    // The copy is on the disk before it takes the chosen name.
    if (ok && !syncContents(out)) {
        ok = false;
        err = errno;
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(temp.c_str(), to.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = moveError(from, to, osErrorText(err));
        return false;
    }
    syncDirectory(folderOf(to));
    // The image is safe under its new name; a source that cannot be removed only stays behind.
    ::unlink(from.c_str());
    return true;
}

bool moveFile(const std::string& from, const std::string& to, std::string& error) {
    if (!syncFile(from)) {
        error = moveError(from, to, osErrorText(errno));
        return false;
    }
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        syncDirectory(folderOf(to));
        return true;
    }
    const int err = errno;
    if (err == EXDEV) return moveByCopying(from, to, error);
    if (err == ENOENT && !exists(from)) {
        error = moveError(from, to, "il file non esiste.");
        return false;
    }
    error = moveError(from, to, osErrorText(err));
    return false;
}

}  // namespace velta::bitmap

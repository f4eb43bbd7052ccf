#pragma once
// Failing writes on demand, for tests of what a full disk leaves behind: a file-size limit on
// this process, under which a write past the limit fails as it would on a full disk.

#include <sys/resource.h>

#include <csignal>

namespace velta::testing {

/// While alive, no file of this process grows past `bytes`: the write that would fails (EFBIG),
/// after writing what still fits.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);   // the write fails instead of ending the process
        rlimit tight = old_;
        tight.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldSignal_)(int) = SIG_DFL;
};

}  // namespace velta::testing

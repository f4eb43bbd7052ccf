#pragma once
// Shared by the fuzz targets: a scratch directory for the files an input is written to, and the
// checks every accepted image must pass.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "bitmap/reader.h"
#include "state/state.h"
#include "util/little_endian.h"

namespace velta::fuzz {

/// A directory of its own under the temporary directory, removed when the process ends normally.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& stem) {
        std::string name = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
        if (::mkdtemp(name.data()) == nullptr) std::abort();
        path_ = name;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

/// Writes `size` bytes to `path`, replacing what was there; a failure ends the run, since every
/// later verdict would be about some other file. The old file is removed rather than truncated:
/// some file systems write a truncated file's new contents through to the disk when it is closed.
inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    ::unlink(path.c_str());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) std::abort();
}

/// An image as the reader produced it agrees with its own header: a width the row records hold,
/// one record per row and the unused last one, padding to a multiple of four bytes.
inline bool consistentImage(const SourceImage& im) {
    return im.fileWidth >= 1 && im.fileWidth <= rowRecordSize && im.fileHeight >= 1 &&
           im.sourceRows.size() == static_cast<std::size_t>(im.fileHeight) + 1 && im.rowPadding >= 0 &&
           im.rowPadding <= 3;
}

/// A read ends in a consistent image and no reason, or in a refusal that says why.
inline bool wellFormed(const bitmap::ReadResult& r) {
    return r.ok ? r.error.empty() && consistentImage(r.image) : !r.error.empty();
}

/// Two reads of the same bytes gave the same image (the file name is the caller's business).
inline bool sameImage(const SourceImage& a, const SourceImage& b) {
    return a.fileLength == b.fileLength && a.fileWidth == b.fileWidth && a.fileHeight == b.fileHeight &&
           a.rowPadding == b.rowPadding && a.bmpHeader == b.bmpHeader && a.bmpPalette == b.bmpPalette &&
           a.sourceRows == b.sourceRows;
}

/// The little-endian signed 32-bit field at `at` of the input (0 past its end).
inline std::int32_t i32At(const std::uint8_t* data, std::size_t size, std::size_t at) {
    if (at + 4 > size) return 0;
    return le::i32({data, size}, at);
}

}  // namespace velta::fuzz

#include "bitmap/reader.h"

#include "bitmap/os_error.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "bitmap/format.h"
#include "util/little_endian.h"

namespace velta::bitmap {

namespace {

// Where the reader takes its bytes from: memory, or a file read at offsets.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t length() const = 0;
    // Copies up to n bytes from `offset` to dst; returns how many were there.
    virtual std::size_t readAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) = 0;
    // Empty unless a read failed for a reason other than the end of the data.
    virtual std::string failure() const { return {}; }
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t length() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
        if (offset >= bytes_.size()) return 0;
        const auto from = static_cast<std::size_t>(offset);
        const std::size_t count = std::min(n, bytes_.size() - from);
        std::memcpy(dst, bytes_.data() + from, count);
        return count;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

class FileSource final : public ByteSource {
public:
    FileSource(int fd, std::uint64_t length, std::string path)
        : fd_(fd), length_(length), path_(std::move(path)) {}
    ~FileSource() override { ::close(fd_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t length() const override { return length_; }
    std::size_t readAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR) continue;
                failure_ = "Errore di lettura del file \"" + path_ + "\": " + osErrorText(errno);
                break;
            }
            if (got == 0) break;  // end of file
            done += static_cast<std::size_t>(got);
        }
        return done;
    }
    std::string failure() const override { return failure_; }

private:
    int fd_;
    std::uint64_t length_;
    std::string path_;
    std::string failure_;
};

// The 54 bytes a file of layout `l` would begin with in the plain layout. The palette count
// becomes 0 (all 256 entries, the added ones black) so that the header describes exactly what
// is stored and written; the count of important colours is kept when it still names entries of
// the original palette, otherwise 0 (all important).
std::array<std::uint8_t, 54> plainHeader(std::array<std::uint8_t, 54> h, const Layout& l) {
    const auto rowsBytes = static_cast<std::uint32_t>(l.height * (l.width + l.padding));
    le::put32(h, 2, plainPixelOffset + rowsBytes);                   // bfSize
    le::put32(h, 10, plainPixelOffset);                              // bfOffBits
    le::put32(h, 14, 40);                                            // biSize
    le::put32(h, 22, static_cast<std::uint32_t>(l.height));          // biHeight, bottom-up
    le::put32(h, 34, rowsBytes);                                     // biSizeImage
    le::put32(h, 46, 0);                                             // biClrUsed
    le::put32(h, 50, l.clrImportant <= l.paletteEntries ? l.clrImportant : 0);  // biClrImportant
    return h;
}

ReadResult fail(std::string error) {
    ReadResult r;
    r.error = std::move(error);
    return r;
}

ReadResult readFrom(ByteSource& src) {
    const std::uint64_t length = src.length();
    std::array<std::uint8_t, 54> head{};
    const std::size_t headGot =
        src.readAt(0, head.data(), static_cast<std::size_t>(std::min<std::uint64_t>(length, 54)));
    if (!src.failure().empty()) return fail(src.failure());

    const LayoutResult lr = parseLayout(std::span<const std::uint8_t>(head.data(), headGot), length);
    if (!lr.ok) {
        ReadResult r = fail(lr.error);
        r.outsideFormat = lr.outsideFormat;
        return r;
    }
    const Layout& l = lr.layout;

    // Everything goes into a fresh image: the caller's buffers stay as they are on refusal.
    ReadResult r;
    SourceImage& img = r.image;
    img.fileLength = static_cast<std::int32_t>(
        std::min<std::uint64_t>(length, std::numeric_limits<std::int32_t>::max()));
    img.fileWidth = l.width;
    img.fileHeight = static_cast<std::int16_t>(l.height);
    img.rowPadding = static_cast<std::int16_t>(l.padding);
    try {
        img.sourceRows.assign(static_cast<std::size_t>(l.height) + 1, RowRecord{});
    } catch (const std::bad_alloc&) {
        return fail("Memoria insufficiente per caricare l'immagine.");
    }

    const std::string tooShort = refusalText("Il file è troppo corto per le sue righe.");
    const auto stride = static_cast<std::uint64_t>(l.width + l.padding);
    const auto height = static_cast<std::size_t>(l.height);
    if (l.plain) {
        img.bmpHeader = head;
        if (src.readAt(headerBytes, img.bmpPalette.data(), paletteBytes) != paletteBytes)
            return fail(src.failure().empty() ? tooShort : src.failure());
        const auto width = static_cast<std::size_t>(l.width);
        for (std::size_t i = 0; i < height; ++i) {
            // A whole record's worth of file bytes, as far as the file goes.
            RowRecord& rec = img.sourceRows[height - 1 - i];
            if (src.readAt(plainPixelOffset + i * stride, rec.data(), rec.size()) < width)
                return fail(src.failure().empty() ? tooShort : src.failure());
        }
    } else {
        img.bmpHeader = plainHeader(head, l);
        const std::size_t palette = 4 * std::size_t{l.paletteEntries};
        if (src.readAt(14 + std::uint64_t{l.infoSize}, img.bmpPalette.data(), palette) != palette)
            return fail(src.failure().empty() ? tooShort : src.failure());
        const auto width = static_cast<std::size_t>(l.width);
        for (std::size_t i = 0; i < height; ++i) {
            RowRecord& rec = img.sourceRows[l.topDown ? i : height - 1 - i];
            if (src.readAt(l.pixelOffset + i * stride, rec.data(), width) != width)
                return fail(src.failure().empty() ? tooShort : src.failure());
        }
    }
    // A file that shrank or failed while it was read is not taken half-read.
    if (!src.failure().empty()) return fail(src.failure());
    r.ok = true;
    return r;
}

}  // namespace

ReadResult readBitmap(std::span<const std::uint8_t> bytes) {
    MemorySource src(bytes);
    return readFrom(src);
}

ReadResult readBitmapFile(const std::string& path) {
    // Non-blocking, so that opening a pipe or device by mistake cannot hang; only ordinary
    // files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail("Impossibile aprire il file \"" + path + "\": " + osErrorText(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail("Impossibile leggere il file \"" + path + "\": " + osErrorText(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("\"" + path + "\" non è un file ordinario.");
    }
    FileSource src(fd, static_cast<std::uint64_t>(st.st_size), path);
    return readFrom(src);
}

}  // namespace velta::bitmap

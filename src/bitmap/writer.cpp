#include "bitmap/writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "bitmap/format.h"
#include "bitmap/os_error.h"

namespace velta::bitmap {

namespace {

// 1 MiB: large enough that the system calls vanish from the cost of a written pixel.
constexpr std::size_t bufferBytes = std::size_t{1} << 20;

void putU32(std::array<std::uint8_t, 54>& h, std::size_t at, std::uint32_t v) {
    for (std::size_t k = 0; k < 4; ++k) h[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

std::string sizeError(int width, int height) {
    if (width < 1 || width > maxWidth)
        return "Impossibile scrivere l'immagine: la larghezza di " + std::to_string(width) +
               " pixel è fuori dall'intervallo da 1 a 3000.";
    return "Impossibile scrivere l'immagine: l'altezza di " + std::to_string(height) +
           " pixel è fuori dall'intervallo da 1 a 32767.";
}

// Takes away a file or link standing under `path`, so that the file is made anew and nothing is
// written through a link or into a file that someone else holds open. Anything else under that
// name (a directory, a device) stays, and creating the file then fails.
bool clearName(const std::string& path, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return true;   // nothing there, or the creation will say why
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        error = "Impossibile creare il file \"" + path + "\": il nome è già preso da qualcosa che non è un file.";
        return false;
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error = "Impossibile sostituire il file \"" + path + "\": " + osErrorText(errno);
        return false;
    }
    return true;
}

}  // namespace

std::array<std::uint8_t, 54> outputHeader(const std::array<std::uint8_t, 54>& source, int width,
                                          int height) {
    std::array<std::uint8_t, 54> h = source;
    const auto w = static_cast<std::uint32_t>(width);
    const auto rowsBytes =
        static_cast<std::uint32_t>(height) * (w + static_cast<std::uint32_t>(rowPaddingFor(width)));
    putU32(h, 2, plainPixelOffset + rowsBytes);  // the true file size
    h[18] = static_cast<std::uint8_t>(width % 256);
    h[19] = static_cast<std::uint8_t>(width / 256);
    h[22] = static_cast<std::uint8_t>(height % 256);
    h[23] = static_cast<std::uint8_t>(height / 256);
    putU32(h, 34, rowsBytes);                    // the true image size
    return h;
}

BitmapWriter::BitmapWriter() = default;

BitmapWriter::~BitmapWriter() {
    if (fd_ >= 0) ::close(fd_);
}

bool BitmapWriter::failWith(const std::string& what, int err) {
    ioFailed_ = true;
    if (error_.empty()) error_ = what + " \"" + path_ + "\": " + osErrorText(err);
    return false;
}

bool BitmapWriter::flush() {
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            used_ = 0;
            return failWith("Errore di scrittura nel file", errno);
        }
        if (n == 0) {
            used_ = 0;
            return failWith("Errore di scrittura nel file", ENOSPC);
        }
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
    return true;
}

bool BitmapWriter::put(const std::uint8_t* bytes, std::size_t n) {
    if (ioFailed_) return false;
    if (buffer_.size() - used_ < n && !flush()) return false;
    std::memcpy(buffer_.data() + used_, bytes, n);
    used_ += n;
    return true;
}

bool BitmapWriter::begin(const std::string& path, const std::array<std::uint8_t, 54>& header,
                         const std::array<std::uint8_t, 1024>& palette, int width, int height,
                         std::string& error) {
    if (fd_ >= 0) {
        error = "Il file \"" + path_ + "\" è ancora in scrittura.";
        return false;
    }
    if (width < 1 || width > maxWidth || height < 1 || height > maxHeight) {
        error = sizeError(width, height);
        return false;
    }
    path_ = path;
    error_.clear();
    ioFailed_ = false;
    if (!clearName(path, error)) return false;
    // O_EXCL and O_NOFOLLOW: a link or file put under the name meanwhile is refused, not followed.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error = "Impossibile creare il file \"" + path + "\": " + osErrorText(errno);
        return false;
    }
    height_ = height;
    stride_ = static_cast<std::size_t>(width + rowPaddingFor(width));
    rowsWritten_ = 0;
    buffer_.resize(bufferBytes);
    used_ = 0;
    const std::array<std::uint8_t, 54> h = outputHeader(header, width, height);
    put(h.data(), h.size());
    put(palette.data(), palette.size());
    return true;
}

bool BitmapWriter::takeRow() {
    if (fd_ < 0 || ioFailed_) return false;
    if (rowsWritten_ >= height_) {
        if (error_.empty())
            error_ = "Il file \"" + path_ + "\" ha già tutte le sue " + std::to_string(height_) +
                     " righe.";
        return false;
    }
    ++rowsWritten_;
    return true;
}

bool BitmapWriter::writeRow(const RowRecord& record) {
    return takeRow() && put(record.data(), stride_);
}

bool BitmapWriter::writeZeroRows(int count) {
    static const RowRecord zeros{};
    for (int k = 0; k < count && rowsWritten_ < height_; ++k)
        if (!writeRow(zeros)) return false;
    return !ioFailed_;
}

bool BitmapWriter::end(std::string& error) {
    if (fd_ < 0) {
        error = "Nessun file bitmap in scrittura.";
        return false;
    }
    // A file shorter than its header says would be refused when it is opened again.
    writeZeroRows(height_ - rowsWritten_);
    if (!ioFailed_) flush();
    if (::close(fd_) != 0) failWith("Errore nella chiusura del file", errno);
    fd_ = -1;
    buffer_.clear();
    buffer_.shrink_to_fit();
    // A file cut short by a failed write (a full disk) would later be taken for an image.
    if (ioFailed_) ::unlink(path_.c_str());
    if (!error_.empty()) {
        error = error_;
        return false;
    }
    return true;
}

bool writeBitmap(const std::string& path, const std::array<std::uint8_t, 54>& header,
                 const std::array<std::uint8_t, 1024>& palette, int width,
                 const std::vector<RowRecord>& rows, std::string& error) {
    if (rows.empty() || rows.size() > static_cast<std::size_t>(maxHeight)) {
        error = sizeError(width, static_cast<int>(std::min<std::size_t>(rows.size(), 1u << 30)));
        return false;
    }
    const int height = static_cast<int>(rows.size());
    BitmapWriter writer;
    if (!writer.begin(path, header, palette, width, height, error)) return false;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!writer.writeRow(rows[rows.size() - 1 - i])) break;  // file row i is image row H-1-i
    return writer.end(error);
}

}  // namespace velta::bitmap

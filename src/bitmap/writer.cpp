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

std::string sizeError(int width, int height, int widest) {
    if (width < 1 || width > widest)
        return "Impossibile scrivere l'immagine: la larghezza di " + std::to_string(width) +
               " pixel è fuori dall'intervallo da 1 a " + std::to_string(widest) + ".";
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

// The file the encoder's bytes go to: made anew, written in blocks of bufferBytes, and removed
// when a failed write left it cut short. The first failure is kept, in Italian, for end().
class BitmapWriter::FileSink final : public ByteSink {
public:
    explicit FileSink(std::string path) : path_(std::move(path)) {}
    ~FileSink() override {
        if (fd_ >= 0) ::close(fd_);  // an unfinished file stays as it stands
    }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Creates the file; on failure says why in `error`.
    bool create(std::string& error) {
        if (!clearName(path_, error)) return false;
        // O_EXCL and O_NOFOLLOW: a link or file put under the name meanwhile is refused, not followed.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            error = "Impossibile creare il file \"" + path_ + "\": " + osErrorText(errno);
            return false;
        }
        buffer_.resize(bufferBytes);
        return true;
    }

    bool write(const std::uint8_t* bytes, std::size_t n) override {
        if (failed()) return false;
        if (buffer_.size() - used_ < n && !flush()) return false;
        if (n > buffer_.size()) return writeOut(bytes, n);
        std::memcpy(buffer_.data() + used_, bytes, n);
        used_ += n;
        return true;
    }

    // Writes out the buffer, unless a write failed, and closes the file; a file that a failed
    // write cut short is removed, since it would later be taken for an image.
    void close() {
        if (!failed()) flush();
        if (::close(fd_) != 0) fail("Errore nella chiusura del file", errno);
        fd_ = -1;
        buffer_.clear();
        buffer_.shrink_to_fit();
        if (failed()) ::unlink(path_.c_str());
    }

    const std::string& path() const { return path_; }
    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }

private:
    bool fail(const char* what, int err) {
        if (failure_.empty()) failure_ = std::string(what) + " \"" + path_ + "\": " + osErrorText(err);
        return false;
    }

    bool writeOut(const std::uint8_t* bytes, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t k = ::write(fd_, bytes + done, n - done);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) return fail("Errore di scrittura nel file", k < 0 ? errno : ENOSPC);
            done += static_cast<std::size_t>(k);
        }
        return true;
    }

    bool flush() {
        const bool ok = writeOut(buffer_.data(), used_);
        used_ = 0;
        return ok;
    }

    std::string path_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    std::string failure_;
};

BitmapWriter::BitmapWriter() = default;

BitmapWriter::~BitmapWriter() = default;

bool BitmapWriter::isOpen() const { return file_ && file_->isOpen(); }

bool BitmapWriter::ioFailed() const { return file_ && file_->failed(); }

bool BitmapWriter::create(const std::string& path, int width, int height, int widest,
                          std::string& error) {
    if (isOpen()) {
        error = "Il file \"" + file_->path() + "\" è ancora in scrittura.";
        return false;
    }
    if (width < 1 || width > widest || height < 1 || height > maxHeight) {
        error = sizeError(width, height, widest);
        return false;
    }
    error_.clear();
    file_ = std::make_unique<FileSink>(path);
    return file_->create(error);
}

bool BitmapWriter::begin(const std::string& path, const std::array<std::uint8_t, 54>& header,
                         const std::array<std::uint8_t, 1024>& palette, int width, int height,
                         std::string& error) {
    if (!create(path, width, height, maxWidth, error)) return false;
    encoder_.begin(*file_, header, palette, width, height);
    return true;
}

bool BitmapWriter::beginColour(const std::string& path, int width, int height, std::string& error) {
    if (!create(path, width, height, maxColourWidth, error)) return false;
    encoder_.beginColour(*file_, width, height);
    return true;
}

bool BitmapWriter::rowAllowed(bool colour) {
    if (!isOpen() || ioFailed()) return false;
    if (encoder_.colour() != colour) {
        if (error_.empty())
            error_ = "Il file \"" + file_->path() + "\" è a " + (colour ? "8" : "24") +
                     " bit per pixel: non vi si può scrivere una riga a " + (colour ? "24" : "8") + " bit.";
        return false;
    }
    if (encoder_.rowsLeft() <= 0) {
        if (error_.empty())
            error_ = "Il file \"" + file_->path() + "\" ha già tutte le sue " +
                     std::to_string(encoder_.rowsWritten()) + " righe.";
        return false;
    }
    return true;
}

bool BitmapWriter::writeRow(const RowRecord& record) {
    return rowAllowed(false) && encoder_.writeRow(record.data(), encoder_.rowBytes());
}

bool BitmapWriter::writeColourRow(const std::uint32_t* pixels) {
    return rowAllowed(true) && encoder_.writeColourRow(pixels);
}

bool BitmapWriter::writeZeroRows(int count) {
    if (!isOpen() || ioFailed()) return false;
    return encoder_.writeZeroRows(count);  // at most the rows still missing
}

bool BitmapWriter::end(std::string& error) {
    if (!isOpen()) {
        error = "Nessun file bitmap in scrittura.";
        return false;
    }
    // A file shorter than its header says would be refused when it is opened again.
    encoder_.finish();
    file_->close();
    if (error_.empty()) error_ = file_->failure();
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
        error = sizeError(width, static_cast<int>(std::min<std::size_t>(rows.size(), 1u << 30)), maxWidth);
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

#include "imageio/qt_image_io.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bitmap/colour_check.h"
#include "bitmap/os_error.h"
#include "bitmap/safe_write.h"
#include "imageio/reader_limit.h"
#include "imageio/report.h"

namespace velta::imageio {

namespace {

// No BMP the program accepts comes near this: 200 million pixels at 32 bits take 800 MB, and an
// RLE8 picture of as many pixels at most 2 bytes a pixel.
constexpr qint64 largestBmpFile = qint64{1} << 30;

std::string sizeText(QSize size) {
    return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " pixel";
}

std::string memoryRefusal(QSize size) { return "memoria insufficiente per un'immagine di " + sizeText(size); }

// Bytes a pixel of the decoder's image of `format`, as Qt's allocation limit counts them: no
// less than 4, as every picture ends up at 32 bits.
int bytesPerPixel(QImage::Format format) {
    if (format == QImage::Format_Invalid) return 4;
    return std::max(4, static_cast<int>(QImage::toPixelFormat(format).bitsPerPixel() / 8));
}

// Bits a channel of the decoder's image of `format`: 16 for files of 16 bits a channel, which Qt
// decodes at up to 8 bytes a pixel before they are brought to 32 bits, 32 for floating point.
int channelBits(QImage::Format format) {
    switch (format) {
    case QImage::Format_RGBA64:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied: return 16;
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied: return 32;
    default: return 8;
    }
}

// Empty when a picture of `size`, decoded to an image of `format`, is within the limits.
std::string sizeRefusal(QSize size, QImage::Format format) {
    if (!size.isValid()) return {};
    const long long pixels = static_cast<long long>(size.width()) * size.height();
    if (size.width() > largestSide || size.height() > largestSide || pixels > largestPixels)
        return "immagine troppo grande: " + sizeText(size) + " (al massimo " + std::to_string(largestSide) +
               " per lato e " + std::to_string(largestPixels / 1'000'000) + " milioni in tutto)";
    const int bits = channelBits(format);
    const long long deepLimit = largest16BitPixels * 16 / bits;
    if (bits > 8 && pixels > deepLimit) {
        const std::string depth = std::to_string(bits) + " bit per canale";
        return "immagine a " + depth + " troppo grande: " + sizeText(size) + " (al massimo " +
               std::to_string(deepLimit / 1'000'000) + " milioni di pixel a " + depth + ")";
    }
    return {};
}

std::string readReason(QImageReader::ImageReaderError e) {
    switch (e) {
    case QImageReader::FileNotFoundError: return "file non trovato";
    case QImageReader::DeviceError: return "errore di lettura del file";
    case QImageReader::UnsupportedFormatError: return "formato dell'immagine non riconosciuto";
    case QImageReader::InvalidDataError: return "dati dell'immagine non validi o file danneggiato";
    case QImageReader::UnknownError: break;
    }
    return "impossibile leggere l'immagine";
}

bool isOneOf(const QByteArray& format, std::initializer_list<const char*> names) {
    const QByteArray lower = format.toLower();
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return lower == n; });
}

// The start of a file: enough for a BMP's signature and the size its header declares.
struct Head {
    std::array<unsigned char, 26> bytes{};
    std::size_t count = 0;

    bool bmp() const { return count >= 2 && bytes[0] == 'B' && bytes[1] == 'M'; }

    std::uint32_t le(std::size_t at, std::size_t size) const {
        std::uint32_t v = 0;
        for (std::size_t i = size; i-- > 0;) v = (v << 8) | bytes[at + i];
        return v;
    }

    // The size a BMP's header declares, whatever Qt makes of it (its reader gives no size at all
    // for a header far over its own limit); invalid when the header does not say.
    QSize bmpSize() const {
        if (!bmp() || count < bytes.size()) return {};
        const std::uint32_t header = le(14, 4);
        if (header == 12) return {static_cast<int>(le(18, 2)), static_cast<int>(le(20, 2))};
        if (header < 40) return {};
        const auto width = static_cast<std::int32_t>(le(18, 4));
        const auto height = static_cast<std::int32_t>(le(22, 4));   // negative: rows from the top
        if (width <= 0 || height == 0) return {};
        return {width, height == INT32_MIN ? INT32_MAX : std::abs(height)};
    }
};

// Reads the start of the file; false with the reason when the file cannot be opened.
bool readHead(const std::string& path, Head& head, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        error = err == ENOENT ? "file non trovato" : "impossibile aprire il file: " + bitmap::osErrorText(err);
        return false;
    }
    while (head.count < head.bytes.size()) {
        const ssize_t got = ::read(fd, head.bytes.data() + head.count, head.bytes.size() - head.count);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            error = "errore di lettura del file";
            return false;
        }
        if (got == 0) break;
        head.count += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return true;
}

// The program's own check of a BMP before Qt decodes it; empty when it may be decoded. The
// bytes are read whole and let go before decoding.
std::string checkBmp(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return "impossibile aprire il file";
    const qint64 size = file.size();
    if (size > largestBmpFile) return "file BMP troppo grande";
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (file.read(reinterpret_cast<char*>(bytes.data()), size) != size) return "errore di lettura del file";
    return bitmap::checkColourBmp(bytes);
}

// Collects the warnings one thread's JPEG read gives, where the decoder says that data ran out;
// every other message goes on to the handler that was installed before.
class WarningCollector {
public:
    WarningCollector() : lock_(mutex()) {
        warnings().clear();
        thread().store(std::this_thread::get_id());
        previous() = qInstallMessageHandler(&collect);
    }
    ~WarningCollector() {
        qInstallMessageHandler(previous());
        thread().store(std::thread::id{});
    }
    WarningCollector(const WarningCollector&) = delete;
    WarningCollector& operator=(const WarningCollector&) = delete;

    std::vector<std::string> take() { return std::move(warnings()); }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::atomic<std::thread::id>& thread() {
        static std::atomic<std::thread::id> t;
        return t;
    }
    static std::vector<std::string>& warnings() {
        static std::vector<std::string> w;
        return w;
    }
    static QtMessageHandler& previous() {
        static QtMessageHandler h = nullptr;
        return h;
    }
    static void collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtWarningMsg && std::this_thread::get_id() == thread().load()) {
            warnings().push_back(text.toStdString());
            return;
        }
        if (QtMessageHandler next = previous()) next(type, context, text);
    }

    std::lock_guard<std::mutex> lock_;
};

// The decoded image as the program's picture: the same pixels, the image kept alive by the
// picture's owner. `image` must be 32-bit RGB and its only reference, so that taking its bits
// does not copy them.
Picture holdPicture(QImage&& image) {
    auto held = std::make_shared<QImage>(std::move(image));
    uchar* bits = held->bits();
    Picture p;
    p.width = held->width();
    p.height = held->height();
    p.stride = static_cast<std::ptrdiff_t>(held->bytesPerLine() / 4);
    p.pixels = static_cast<std::uint32_t*>(static_cast<void*>(bits));
    p.owner = std::move(held);
    return p;
}

// The pixels as Qt decodes them; a JPEG whose data ran out is refused, although Qt returns what
// it read, and a picture Qt could not allocate (reported as damaged data) is said to be too big.
QImage readPixels(QImageReader& reader, bool jpeg, QSize declared, QImage::Format declaredFormat, std::string& error) {
    QImage image;
    if (jpeg) {
        WarningCollector collector;
        image = reader.read();
        const std::vector<std::string> warnings = collector.take();
        if (!image.isNull() && bitmap::jpegEndedEarly(warnings)) {
            error = "file danneggiato: i dati JPEG finiscono prima della fine dell'immagine";
            return {};
        }
    } else {
        image = reader.read();
    }
    if (image.isNull())
        error = beyondMemory(declared, bytesPerPixel(declaredFormat)) ? memoryRefusal(declared)
                                                                      : readReason(reader.error());
    return image;
}

// The decoded image as the program's 32-bit picture, held to the size limits once more for a
// file that did not declare its size. The alpha channel is dropped: the colour channels stay as
// stored, not blended onto a background.
void takePicture(QImage&& image, DecodeResult& result) {
    result.error = sizeRefusal(image.size(), image.format());
    if (!result.error.empty()) return;
    const QSize decoded = image.size();
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    image = QImage();
    if (rgb.isNull()) {
        result.error = memoryRefusal(decoded);
        return;
    }
    result.picture = holdPicture(std::move(rgb));
    result.ok = true;
}

DecodeResult decodeFile(const std::string& path) {
    DecodeResult result;
    Head head;
    if (!readHead(path, head, result.error)) return result;
    const bool bmp = head.bmp();

    const QString name = QString::fromStdString(path);
    QImageReader reader(name);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    const bool jpeg = isOneOf(format, {"jpeg", "jpg"});
    if (!bmp && !jpeg && !isOneOf(format, {"png", "tif", "tiff", "webp"})) {
        result.error = format.isEmpty() ? readReason(reader.error())
                                        : "formato dell'immagine non ammesso (si aprono BMP, JPEG, PNG, TIFF e WebP)";
        return result;
    }

    // The declared size (a rotated JPEG's as stored) is checked before any pixel is decoded.
    const QSize declared = bmp && head.bmpSize().isValid() ? head.bmpSize() : reader.size();
    const QImage::Format declaredFormat = reader.imageFormat();
    result.error = sizeRefusal(declared, declaredFormat);
    if (result.error.empty() && bmp) result.error = checkBmp(name);
    if (!result.error.empty()) return result;

    QImage image = readPixels(reader, jpeg, declared, declaredFormat, result.error);
    if (!result.error.empty()) return result;
    takePicture(std::move(image), result);
    return result;
}

// Whether the rectified image holds all its pixels: every index of the plain road, or a picture
// of the image's size on the colour road.
bool complete(const RectifiedImage& r) {
    if (r.road == Road::plain)
        return r.indices.size() >= static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
    const Picture& p = r.picture;
    return !p.empty() && p.width == r.width && p.height == r.height && p.stride >= p.width;
}

// The plain road's indices as an 8-bit image with its palette.
QImage indexedImage(const RectifiedImage& r) {
    QImage out(r.width, r.height, QImage::Format_Indexed8);
    if (out.isNull()) return out;
    QList<QRgb> table(256);
    for (std::size_t i = 0; i < 256; ++i)
        table[static_cast<qsizetype>(i)] = qRgb(r.palette[4 * i + 2], r.palette[4 * i + 1], r.palette[4 * i]);
    out.setColorTable(table);
    const std::size_t width = static_cast<std::size_t>(r.width);
    for (int y = 0; y < r.height; ++y)
        std::memcpy(out.scanLine(y), r.indices.data() + static_cast<std::size_t>(y) * width, width);
    return out;
}

// The colour road's picture at 24 bits, converted straight from its own pixels.
QImage colourImage(const RectifiedImage& r) {
    const Picture& p = r.picture;
    const QImage wrapped(reinterpret_cast<const uchar*>(p.pixels), p.width, p.height,
                         static_cast<qsizetype>(p.stride) * 4, QImage::Format_RGB32);
    return wrapped.convertToFormat(QImage::Format_RGB888);
}

const char* formatName(ImageFormat f) {
    switch (f) {
    case ImageFormat::png: return "png";
    case ImageFormat::tiff: return "tiff";
    case ImageFormat::bmp: return "bmp";
    case ImageFormat::jpeg: return "jpeg";
    }
    return "png";
}

std::string writeReason(const QImageWriter& writer, const char* format) {
    switch (writer.error()) {
    case QImageWriter::DeviceError: return "errore di scrittura del file";
    case QImageWriter::UnsupportedFormatError:
        return "il formato " + QByteArray(format).toUpper().toStdString() + " non si può scrivere su questo sistema";
    case QImageWriter::InvalidImageError: return "l'immagine non si può scrivere in questo formato";
    case QImageWriter::UnknownError: break;
    }
    return "impossibile scrivere l'immagine";
}

// Writes `image` into the file at `path` (the temporary file of a safe write).
bool writeImage(const QImage& image, const std::string& path, ImageFormat f, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "impossibile creare il file: " + bitmap::osErrorText(errno);
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = "impossibile scrivere il file";
        return false;
    }
    const char* format = formatName(f);
    QImageWriter writer(&file, format);
    if (f == ImageFormat::jpeg) writer.setQuality(95);
    if (f == ImageFormat::tiff) writer.setCompression(1);  // LZW, read by every TIFF reader
    if (!writer.write(image)) {
        error = writeReason(writer, format);
        return false;
    }
    errno = 0;
    if (!file.flush()) {
        const int err = errno;
        error = "errore di scrittura del file" + (err != 0 ? ": " + bitmap::osErrorText(err) : std::string());
        return false;
    }
    file.close();
    return true;
}

}  // namespace

DecodeResult QtImageIO::decode(const std::string& path) {
    if (path.empty()) {
        DecodeResult refused;
        refused.error = "nessun file indicato";
        return refused;
    }
    try {
        return decodeFile(path);
    } catch (const std::bad_alloc&) {
        DecodeResult refused;
        refused.error = "memoria insufficiente per leggere l'immagine";
        return refused;
    }
}

bool QtImageIO::write(const RectifiedImage& image, const std::string& path, ImageFormat format, std::string& error,
                      int pixelsPerMetre) {
    if (image.empty()) {
        error = "nessuna immagine raddrizzata da esportare";
        return false;
    }
    if (!complete(image)) {
        error = "immagine da esportare incompleta";
        return false;
    }
    QImage out = image.road == Road::plain ? indexedImage(image) : colourImage(image);
    if (out.isNull()) {
        error = "memoria insufficiente per l'immagine da esportare";
        return false;
    }
    // Qt's BMP writer records these as biXPelsPerMeter and biYPelsPerMeter, its PNG writer as
    // the pHYs chunk in metres.
    if (pixelsPerMetre > 0 && (format == ImageFormat::bmp || format == ImageFormat::png)) {
        out.setDotsPerMeterX(pixelsPerMetre);
        out.setDotsPerMeterY(pixelsPerMetre);
    }
    return bitmap::safeWrite(
        path, [&](const std::string& temp, std::string& why) { return writeImage(out, temp, format, why); }, error);
}

bool QtImageIO::writeReport(const ReportData& report, const std::string& path, std::string& error) {
    return writeReportPdf(report, path, error);
}

}  // namespace velta::imageio

// The common image formats through Qt: every kind decodes upright to its size and colours, a
// damaged JPEG and a picture over the limits are refused, and the rectified image exports to
// PNG, TIFF, BMP and JPEG with its indices or colours kept.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "imageio/qt_image_io.h"
#include "imageio/reader_limit.h"

using velta::DecodeResult;
using velta::ImageFormat;
using velta::RectifiedImage;
using velta::imageio::QtImageIO;

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16le(Bytes& b, unsigned v) {
    for (int i = 0; i < 2; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put32le(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put32be(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
QByteArray qbytes(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}
bool writeBytes(const QString& path, const Bytes& bytes) { return writeBytes(path, qbytes(bytes)); }

// A BMP file: headers for `width` x `height` at `bits` with `compression`, the `extra` header
// words (bit masks), `palette` (B, G, R, 0 each) and the pixel data.
Bytes bmpFile(int width, int height, unsigned bits, std::uint32_t compression, const Bytes& extra,
              const Bytes& palette, const Bytes& data) {
    const auto offset = static_cast<std::uint32_t>(14 + 40 + extra.size() + palette.size());
    Bytes b{'B', 'M'};
    put32le(b, offset + static_cast<std::uint32_t>(data.size()));
    put32le(b, 0);
    put32le(b, offset);
    put32le(b, 40);
    put32le(b, static_cast<std::uint32_t>(width));
    put32le(b, static_cast<std::uint32_t>(height));
    put16le(b, 1);
    put16le(b, bits);
    put32le(b, compression);
    put32le(b, static_cast<std::uint32_t>(data.size()));
    put32le(b, 2835);
    put32le(b, 2835);
    put32le(b, static_cast<std::uint32_t>(palette.size() / 4));
    put32le(b, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void pngChunk(Bytes& b, const char* type, const Bytes& body) {
    put32be(b, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    put32be(b, crc32(b.data() + start, b.size() - start));
}

// A PNG that declares `width` x `height` at `depth` bits (colour type 6, RGBA) and holds almost
// no data: what a picture bomb looks like.
Bytes pngBomb(std::uint32_t width, std::uint32_t height, std::uint8_t depth) {
    Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    put32be(ihdr, width);
    put32be(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, 6, 0, 0, 0});
    pngChunk(b, "IHDR", ihdr);
    pngChunk(b, "IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00});
    pngChunk(b, "IEND", {});
    return b;
}

// Distinct colours everywhere, so that a shifted row or column or swapped channel shows.
QImage pattern(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 11) & 255, (y * 13) & 255, (x * 3 + y * 5) & 255));
    return img;
}

QByteArray encoded(const QImage& img, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(img);
    return bytes;
}

int channelGap(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The decoded picture shows `expected` (alpha ignored) within `tolerance` a channel.
void expectPicture(const DecodeResult& r, const QImage& expected, int tolerance) {
    QVERIFY2(r.ok, r.error.c_str());
    QCOMPARE(r.picture.width, expected.width());
    QCOMPARE(r.picture.height, expected.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb got = r.picture.row(y)[x];
            const QRgb want = expected.pixel(x, y);
            if (channelGap(got, want) > tolerance)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                     .arg(x).arg(y).arg(got & 0xFFFFFFu, 6, 16).arg(want & 0xFFFFFFu, 6, 16)));
        }
}

bool canRead(const char* format) { return QImageReader::supportedImageFormats().contains(format); }

// The rectified image on the plain road: indices in bands over a palette of distinct colours,
// or of greys in reverse order (a writer must not take grey entries for grey levels).
RectifiedImage plainImage(bool reversedGreys) {
    RectifiedImage r;
    r.road = velta::Road::plain;
    r.width = 29;
    r.height = 17;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) r.indices.push_back(static_cast<std::uint8_t>((x * 7 + y * 31) & 255));
    for (std::size_t k = 0; k < 256; ++k) {
        const auto v = static_cast<std::uint8_t>(k);
        r.palette[4 * k] = reversedGreys ? static_cast<std::uint8_t>(255 - v) : v;                     // blue
        r.palette[4 * k + 1] = reversedGreys ? static_cast<std::uint8_t>(255 - v) : static_cast<std::uint8_t>(v * 3);
        r.palette[4 * k + 2] = reversedGreys ? static_cast<std::uint8_t>(255 - v) : static_cast<std::uint8_t>(255 - v);
    }
    return r;
}

QRgb paletteColour(const RectifiedImage& r, std::uint8_t k) {
    return qRgb(r.palette[4u * k + 2], r.palette[4u * k + 1], r.palette[4u * k]);
}

// The rectified image on the colour road, its picture owned by the program with a row stride
// wider than the picture and a stray alpha byte, which the export must not read.
RectifiedImage colourImage(const QImage& source) {
    RectifiedImage r;
    r.road = velta::Road::colour;
    r.width = source.width();
    r.height = source.height();
    velta::Picture p = velta::Picture::allocate(r.width + 3, r.height);
    p.width = r.width;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) p.row(y)[x] = (source.pixel(x, y) & 0xFFFFFFu) | 0x17000000u;
    r.picture = p;
    return r;
}

const char* formatName(ImageFormat f) {
    switch (f) {
    case ImageFormat::png: return "png";
    case ImageFormat::tiff: return "tiff";
    case ImageFormat::bmp: return "bmp";
    case ImageFormat::jpeg: return "jpeg";
    }
    return "";
}

}  // namespace

Q_DECLARE_METATYPE(velta::ImageFormat)

class ImageIoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyFormatDecodesToItsSizeAndColours_data();
    void everyFormatDecodesToItsSizeAndColours();
    void aRotatedJpegStandsUpright();
    void aJpegEndingEarlyIsRefusedButOneMissingOnlyItsEndOpens();
    void picturesOverTheLimitsAreRefusedBeforeDecoding();
    void filesQtCannotReadAreRefusedWithAReason();
    void thePlainRoadExportsIndexed_data();
    void thePlainRoadExportsIndexed();
    void theColourRoadExportsAt24Bits_data();
    void theColourRoadExportsAt24Bits();
    void aFailedWriteLeavesNothing();
    void bmpAndPngRecordTheResolutionTheyAreGiven();

private:
    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir_;
    QtImageIO io_;
};

void ImageIoTest::initTestCase() {
    QVERIFY(dir_.isValid());
    // Raised for the whole process as the application started, in every program that decodes.
    QCOMPARE(QImageReader::allocationLimit(), velta::imageio::readerLimitMegabytes);
}

void ImageIoTest::everyFormatDecodesToItsSizeAndColours_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");

    const QImage rgb = pattern(37, 23);
    QTest::newRow("PNG 8 bit") << encoded(rgb, "png") << rgb << 0;

    QImage deep(21, 13, QImage::Format_RGBA64);
    for (int y = 0; y < deep.height(); ++y)
        for (int x = 0; x < deep.width(); ++x)
            deep.setPixelColor(x, y, QColor::fromRgba64(static_cast<quint16>(x * 3000), static_cast<quint16>(y * 5000),
                                                        static_cast<quint16>(65535 - x * 2000), 65535));
    QTest::newRow("PNG 16 bit") << encoded(deep, "png") << deep.convertToFormat(QImage::Format_RGB32) << 1;

    const QImage grey = rgb.convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("PNG grey") << encoded(grey, "png") << grey.convertToFormat(QImage::Format_RGB32) << 0;

    QImage indexed(19, 11, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 200, 0), qRgb(10, 20, 250), qRgb(90, 80, 70)});
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x) indexed.setPixel(x, y, static_cast<uint>((x + 2 * y) % 4));
    QTest::newRow("PNG palette") << encoded(indexed, "png") << indexed.convertToFormat(QImage::Format_RGB32) << 0;

    // The alpha channel is dropped and the colour channels kept, even under full transparency.
    QImage alpha(16, 9, QImage::Format_ARGB32);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x) alpha.setPixel(x, y, qRgba(x * 15, 200 - y * 20, 77, x * 17));
    QImage opaque = alpha.copy();
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x) opaque.setPixel(x, y, opaque.pixel(x, y) | 0xFF000000u);
    QTest::newRow("PNG alpha") << encoded(alpha, "png") << opaque << 0;

    if (canRead("tiff")) QTest::newRow("TIFF") << encoded(rgb, "tiff") << rgb << 0;
    if (canRead("webp")) QTest::newRow("WebP lossless") << encoded(rgb, "webp", 100) << rgb << 0;
    QTest::newRow("BMP 24 bit") << encoded(rgb, "bmp") << rgb << 0;

    // RLE8, 6 x 4: each row a run, an absolute run of three (padded) and a single pixel.
    QImage rle(6, 4, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(0, 0, 0), qRgb(250, 10, 10), qRgb(10, 250, 10), qRgb(30, 60, 240)};
    Bytes rleData;
    for (int fileRow = 0; fileRow < 4; ++fileRow) {
        const int y = 3 - fileRow;
        const auto a = static_cast<std::uint8_t>(y % 4), b = static_cast<std::uint8_t>((y + 1) % 4),
                   c = static_cast<std::uint8_t>((y + 2) % 4);
        const std::uint8_t row[6] = {a, a, b, c, b, c};
        rleData.insert(rleData.end(), {2, a, 0, 3, b, c, b, 0, 1, c, 0, 0});
        for (int x = 0; x < 6; ++x) rle.setPixel(x, y, colours[row[x]]);
    }
    rleData.insert(rleData.end(), {0, 1});
    Bytes palette;
    for (QRgb q : colours) put32le(palette, q & 0xFFFFFFu);   // blue, green, red, 0
    const Bytes rleFile = bmpFile(6, 4, 8, 1, {}, palette, rleData);
    QTest::newRow("BMP RLE8") << qbytes(rleFile) << rle << 0;

    // 16 bits 5-6-5 with bit masks, 3 x 2 (rows padded to 8 bytes); Qt scales each field to 8 bits.
    const std::uint16_t words[2][3] = {{0xF800, 0x07E0, 0x001F}, {0xFFFF, 0x0000, 0x8410}};
    QImage bf(3, 2, QImage::Format_RGB32);
    Bytes bfData;
    for (int fileRow = 0; fileRow < 2; ++fileRow) {
        const int y = 1 - fileRow;
        for (int x = 0; x < 3; ++x) {
            const std::uint16_t w = words[y][x];
            put16le(bfData, w);
            bf.setPixel(x, y, qRgb(((w >> 11) & 31) * 255 / 31, ((w >> 5) & 63) * 255 / 63, (w & 31) * 255 / 31));
        }
        put16le(bfData, 0);
    }
    Bytes masks;
    put32le(masks, 0xF800);
    put32le(masks, 0x07E0);
    put32le(masks, 0x001F);
    const Bytes bfFile = bmpFile(3, 2, 16, 3, masks, {}, bfData);
    QTest::newRow("BMP 565") << qbytes(bfFile) << bf << 8;
}

void ImageIoTest::everyFormatDecodesToItsSizeAndColours() {
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);
    QVERIFY(!bytes.isEmpty());
    // The name says nothing: the contents decide.
    const QString path = file("picture.img");
    QVERIFY(writeBytes(path, bytes));
    expectPicture(io_.decode(path.toStdString()), expected, tolerance);
}

void ImageIoTest::aRotatedJpegStandsUpright() {
    // Stored 40 x 20, white with a red corner at the top left; orientation 6 turns it a quarter
    // clockwise, so that the corner stands at the top right of a 20 x 40 picture.
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(Qt::white);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) stored.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg = encoded(stored, "jpeg", 95);
    QVERIFY(jpeg.startsWith("\xFF\xD8"));

    Bytes app1{0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
               0, 1,                                   // one entry
               0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,  // orientation, SHORT, 1, value 6
               0, 0, 0, 0};                            // no further directory
    jpeg.insert(2, qbytes(app1));
    const QString path = file("rotated.jpg");
    QVERIFY(writeBytes(path, jpeg));

    const DecodeResult r = io_.decode(path.toStdString());
    QVERIFY2(r.ok, r.error.c_str());
    QCOMPARE(r.picture.width, 20);
    QCOMPARE(r.picture.height, 40);
    QVERIFY(channelGap(r.picture.row(3)[16], qRgb(255, 0, 0)) < 40);
    for (auto [x, y] : {std::pair{3, 3}, {3, 36}, {16, 36}})
        QVERIFY(channelGap(r.picture.row(y)[x], qRgb(255, 255, 255)) < 40);
}

void ImageIoTest::aJpegEndingEarlyIsRefusedButOneMissingOnlyItsEndOpens() {
    QImage noise(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 37 + y * 91) % 256, (x * x + y * 7) % 256, (x * y) % 256));
    const QByteArray jpeg = encoded(noise, "jpeg", 90);
    QVERIFY(jpeg.endsWith("\xFF\xD9"));

    // Another handler installed before the read keeps receiving messages after it.
    static int passedOn = 0;
    const QtMessageHandler counting = [](QtMsgType, const QMessageLogContext&, const QString&) { ++passedOn; };
    const QtMessageHandler outer = qInstallMessageHandler(counting);

    QVERIFY(writeBytes(file("cut.jpg"), jpeg.left(jpeg.size() * 6 / 10)));
    const DecodeResult cut = io_.decode(file("cut.jpg").toStdString());
    qWarning("after the read");
    const QtMessageHandler current = qInstallMessageHandler(outer);
    QVERIFY(current == counting);
    QVERIFY(passedOn >= 1);
    QVERIFY(!cut.ok);
    QVERIFY2(cut.error.find("danneggiato") != std::string::npos, cut.error.c_str());

    QVERIFY(writeBytes(file("trailer.jpg"), jpeg + QByteArray(300, 'x')));
    QVERIFY(writeBytes(file("noend.jpg"), jpeg.left(jpeg.size() - 2)));
    for (const char* name : {"trailer.jpg", "noend.jpg"}) {
        const DecodeResult r = io_.decode(file(name).toStdString());
        QVERIFY2(r.ok, (std::string(name) + ": " + r.error).c_str());
        QCOMPARE(r.picture.width, 120);
    }
}

void ImageIoTest::picturesOverTheLimitsAreRefusedBeforeDecoding() {
    // A few bytes declaring 30000 x 30000: refused on the declared size, naming the limits.
    const Bytes bmp = bmpFile(30000, 30000, 24, 0, {}, {}, Bytes(64, 0));
    QVERIFY(writeBytes(file("bomb.bmp"), bmp));
    QVERIFY(writeBytes(file("bomb.png"), pngBomb(30000, 30000, 8)));
    for (const char* name : {"bomb.bmp", "bomb.png"}) {
        const DecodeResult r = io_.decode(file(name).toStdString());
        QVERIFY(!r.ok);
        QVERIFY2(r.error.find("30000 x 30000") != std::string::npos && r.error.find("32767") != std::string::npos &&
                     r.error.find("200 milioni") != std::string::npos,
                 r.error.c_str());
    }
    // 16 bits a channel take 8 bytes a pixel while decoded: 108 million pixels are too many.
    QVERIFY(writeBytes(file("deep.png"), pngBomb(12000, 9000, 16)));
    const DecodeResult deep = io_.decode(file("deep.png").toStdString());
    QVERIFY(!deep.ok);
    QVERIFY2(deep.error.find("16 bit") != std::string::npos && deep.error.find("100 milioni") != std::string::npos,
             deep.error.c_str());

    // Within the limits but more than memory gives (a limit of 2 MB stands for a small machine).
    QVERIFY(writeBytes(file("square.png"), encoded(pattern(1000, 1000), "png")));
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(2);
    const DecodeResult tight = io_.decode(file("square.png").toStdString());
    QImageReader::setAllocationLimit(limit);
    QVERIFY(!tight.ok);
    QCOMPARE(tight.error, std::string("memoria insufficiente per un'immagine di 1000 x 1000 pixel"));
}

void ImageIoTest::filesQtCannotReadAreRefusedWithAReason() {
    QVERIFY(writeBytes(file("text.png"), QByteArray("not a picture at all")));
    // A PNG whose pixel data is cut away.
    const QByteArray png = encoded(pattern(50, 50), "png");
    QVERIFY(writeBytes(file("cut.png"), png.left(png.size() / 2)));
    for (const char* name : {"missing.png", "text.png", "cut.png"}) {
        const DecodeResult r = io_.decode(file(name).toStdString());
        QVERIFY2(!r.ok && !r.error.empty(), name);
        QVERIFY(r.picture.empty());
    }
}

void ImageIoTest::thePlainRoadExportsIndexed_data() {
    QTest::addColumn<ImageFormat>("format");
    QTest::addColumn<bool>("greys");
    for (ImageFormat f : {ImageFormat::png, ImageFormat::tiff, ImageFormat::bmp})
        for (bool greys : {false, true})
            QTest::addRow("%s%s", formatName(f), greys ? " greys" : "") << f << greys;
}

void ImageIoTest::thePlainRoadExportsIndexed() {
    QFETCH(ImageFormat, format);
    QFETCH(bool, greys);
    if (format == ImageFormat::tiff && !canRead("tiff")) QSKIP("no TIFF support in this Qt");
    const RectifiedImage image = plainImage(greys);
    const QString path = file("plain.out");
    std::string error;
    QVERIFY2(io_.write(image, path.toStdString(), format, error), error.c_str());

    QImageReader reader(path, formatName(format));
    const QImage back = reader.read();
    QVERIFY2(!back.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(back.size(), QSize(image.width, image.height));
    QCOMPARE(back.format(), QImage::Format_Indexed8);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t k = image.indices[static_cast<std::size_t>(y * image.width + x)];
            QCOMPARE(back.pixelIndex(x, y), static_cast<int>(k));
            QCOMPARE(back.pixel(x, y), paletteColour(image, k));
        }
}

void ImageIoTest::theColourRoadExportsAt24Bits_data() {
    QTest::addColumn<ImageFormat>("format");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("png") << ImageFormat::png << 0;
    QTest::newRow("tiff") << ImageFormat::tiff << 0;
    QTest::newRow("bmp") << ImageFormat::bmp << 0;
    QTest::newRow("jpeg") << ImageFormat::jpeg << 12;
}

void ImageIoTest::theColourRoadExportsAt24Bits() {
    QFETCH(ImageFormat, format);
    QFETCH(int, tolerance);
    if (format == ImageFormat::tiff && !canRead("tiff")) QSKIP("no TIFF support in this Qt");
    // Smooth enough for JPEG at quality 95 to stay close to every pixel.
    QImage source(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) source.setPixel(x, y, qRgb(x * 4, y * 5, 128 + (x - y)));
    const RectifiedImage image = colourImage(source);
    const QString path = file("colour.out");
    std::string error;
    QVERIFY2(io_.write(image, path.toStdString(), format, error), error.c_str());

    QImageReader reader(path, formatName(format));
    QImage back = reader.read();
    QVERIFY2(!back.isNull(), qPrintable(reader.errorString()));
    QVERIFY(!back.hasAlphaChannel());
    QCOMPARE(back.size(), source.size());
    back = back.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            worst = std::max(worst, channelGap(back.pixel(x, y), source.pixel(x, y)));
    QVERIFY2(worst <= tolerance, qPrintable(QString::number(worst)));
}

void ImageIoTest::aFailedWriteLeavesNothing() {
    const QString folder = file("missing");
    std::string error;
    QVERIFY(!io_.write(plainImage(false), (folder + "/out.png").toStdString(), ImageFormat::png, error));
    QVERIFY(!error.empty());
    QVERIFY(!QFile::exists(folder));

    // An image without its pixels is refused, not written.
    RectifiedImage hollow = colourImage(pattern(4, 4));
    hollow.picture = velta::Picture{};
    error.clear();
    QVERIFY(!io_.write(hollow, file("hollow.png").toStdString(), ImageFormat::png, error));
    QVERIFY(!error.empty());
    QVERIFY(!QFile::exists(file("hollow.png")));
}

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::uint32_t le32At(const QByteArray& b, qsizetype at) {
    std::uint32_t v = 0;
    for (qsizetype i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

std::uint32_t be32At(const QByteArray& b, qsizetype at) {
    std::uint32_t v = 0;
    for (qsizetype i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

}  // namespace

void ImageIoTest::bmpAndPngRecordTheResolutionTheyAreGiven() {
    // Both roads: the plain one writes an indexed image, the colour one a converted copy.
    for (const RectifiedImage& image : {plainImage(false), colourImage(pattern(8, 6))}) {
        std::string error;
        const QString bmp = file("scala.bmp");
        QVERIFY2(io_.write(image, bmp.toStdString(), ImageFormat::bmp, error, 33), error.c_str());
        const QByteArray b = fileBytes(bmp);
        QVERIFY(b.size() > 46);
        QCOMPARE(le32At(b, 38), 33u);   // biXPelsPerMeter
        QCOMPARE(le32At(b, 42), 33u);   // biYPelsPerMeter

        const QString png = file("scala.png");
        QVERIFY2(io_.write(image, png.toStdString(), ImageFormat::png, error, 12346), error.c_str());
        const QByteArray p = fileBytes(png);
        const qsizetype at = p.indexOf("pHYs");
        QVERIFY(at > 0 && p.size() >= at + 13);
        QCOMPARE(be32At(p, at - 4), 9u);
        QCOMPARE(be32At(p, at + 4), 12346u);
        QCOMPARE(be32At(p, at + 8), 12346u);
        QCOMPARE(static_cast<int>(p[at + 12]), 1);   // in metres
    }
    // JPEG keeps the writer's default whatever it is given.
    std::string error;
    const QString jpeg = file("scala.jpg");
    QVERIFY2(io_.write(colourImage(pattern(8, 6)), jpeg.toStdString(), ImageFormat::jpeg, error, 33), error.c_str());
    QVERIFY(QImage(jpeg).dotsPerMeterX() != 33);
}

QTEST_MAIN(ImageIoTest)
#include "image_io_test.moc"

#include "colour_sample.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSize>
#include <QString>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sample/colour.h"
#include "sample/facade.h"

namespace velta::app {

namespace {

// A file that reads as a JPEG of the colour sample's size and ends as a JPEG does: not a foreign
// or a cut-short one.
bool isColourSample(const std::string& path) {
    QImageReader reader(QString::fromStdString(path), "jpeg");
    if (!reader.canRead() || reader.size() != QSize(sample::colourSampleWidth, sample::colourSampleHeight)) return false;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() < 2) return false;
    in.seekg(-2, std::ios::end);
    char end[2] = {};
    return static_cast<bool>(in.read(end, 2)) && end[0] == '\xFF' && end[1] == '\xD9';  // the end-of-image marker
}

}  // namespace

bool writeColourSample(const std::string& path) {
    const Picture picture = sample::colourFacade();
    if (picture.empty()) return false;
    // The picture's 0xAARRGGBB pixels are what QImage calls RGB32; the image only borrows them.
    QImage image(reinterpret_cast<uchar*>(picture.pixels), picture.width, picture.height,
                 static_cast<qsizetype>(picture.stride) * 4, QImage::Format_RGB32);
    // 72 dpi, named outright: the same file whether or not a screen is there to suggest another.
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    QImageWriter writer(QString::fromStdString(path), "jpeg");
    writer.setQuality(sample::colourSampleQuality);
    writer.setOptimizedWrite(true);
    return writer.write(image);
}

bool ensureColourSample(const std::string& dir, const std::vector<std::string>& shipped, std::string& error) {
    std::string source;
    for (const std::string& candidate : shipped)
        if (isColourSample(candidate)) {
            source = candidate;
            break;
        }
    auto write = [&source](const std::string& temp) {
        std::error_code ec;
        if (!source.empty() &&
            std::filesystem::copy_file(source, temp, std::filesystem::copy_options::overwrite_existing, ec))
            return true;
        return writeColourSample(temp);
    };
    return sample::ensureSampleFile(dir, sample::colourSampleFileName(), write, error);
}

}  // namespace velta::app

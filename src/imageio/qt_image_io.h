#pragma once
// The common image formats read and written with Qt's image readers and writers (QtGui only):
// BMP of every kind Qt reads, JPEG, PNG, TIFF and WebP in, PNG, TIFF, BMP and JPEG out.

#include <string>

#include "input/image_io.h"

namespace velta::imageio {

// The largest picture decoded: a side the view's painter can still address, and a pixel count
// whose 32-bit picture (800 MB) fits the readers' allocation limit.
constexpr int largestSide = 32767;
constexpr long long largestPixels = 200'000'000;
// Files of 16 bits a channel are decoded at up to 8 bytes a pixel before they are brought to 32
// bits, and held to fewer pixels (floating point files of 32 bits a channel to half as many).
constexpr long long largest16BitPixels = 100'000'000;

class QtImageIO final : public ImageIO {
public:
    /// Decodes to 32-bit pixels held in the decoder's own image (no further copy), upright, the
    /// alpha channel dropped with the colour channels kept as stored. Refused with an Italian
    /// reason: a picture over the limits (checked on the declared size, before decoding), a BMP
    /// the program's own check refuses, a JPEG whose data ends before the picture does, and
    /// whatever Qt cannot read.
    DecodeResult decode(const std::string& path) override;

    /// Writes the plain road's indices as an 8-bit picture with its palette (indexed in PNG,
    /// TIFF and BMP), the colour road's picture at 24 bits; JPEG at quality 95. A BMP or PNG
    /// records `pixelsPerMetre` (> 0) as its resolution, both ways; TIFF and JPEG, and every
    /// format with 0, keep Qt's default.
    bool write(const RectifiedImage& image, const std::string& path, ImageFormat format, std::string& error,
               int pixelsPerMetre = 0) override;

    /// The report on one A4 page (see imageio/report.h).
    bool writeReport(const ReportData& report, const std::string& path, std::string& error) override;
};

}  // namespace velta::imageio

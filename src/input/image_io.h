#pragma once
// Decoding and encoding of common image files (JPEG, PNG, TIFF, WebP, every BMP), which the
// program leaves to a platform library behind this interface: the handlers stay free of it, and
// a program without it still works on the plain road.

#include <string>

#include "input/report.h"
#include "state/picture.h"
#include "state/state.h"
#include "ui/window.h"

namespace velta {

/// A decoded picture, or why the file was refused.
struct DecodeResult {
    bool ok = false;
    std::string error;   // Italian, for the refusal box; empty when ok
    Picture picture;     // upright (the file's orientation applied), alpha dropped
};

class ImageIO {
public:
    virtual ~ImageIO() = default;
    /// Decodes the file at `path` within the program's limits; a damaged file is refused.
    virtual DecodeResult decode(const std::string& path) = 0;
    /// Writes `image` to `path` in `format` through a temporary file in the same folder, which
    /// replaces the target only once complete; false with the reason, the target untouched.
    /// `pixelsPerMetre` > 0 is the resolution recorded in the file where the format keeps one
    /// the program sets (BMP and PNG); 0 keeps the writer's default.
    virtual bool write(const RectifiedImage& image, const std::string& path, ImageFormat format,
                       std::string& error, int pixelsPerMetre = 0) = 0;
    /// Writes the one-page report as a PDF to `path`, as `write` does its file; false with the
    /// reason. A program without a PDF writer says so.
    virtual bool writeReport(const ReportData& report, const std::string& path, std::string& error) {
        (void)report;
        (void)path;
        error = "questa versione del programma non scrive file PDF";
        return false;
    }
};

}  // namespace velta

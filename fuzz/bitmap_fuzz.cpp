// Any bytes given to the bitmap reader end in an image or a refusal with a reason, never in a
// crash or a read out of bounds; an accepted image is consistent with its own header.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bitmap/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const velta::bitmap::ReadResult r = velta::bitmap::readBitmap(std::span<const std::uint8_t>(data, size));
    if (r.ok) {
        const velta::SourceImage& im = r.image;
        const bool sane = im.fileWidth >= 1 && im.fileWidth <= 3000 && im.fileHeight >= 1 &&
                          im.sourceRows.size() == static_cast<std::size_t>(im.fileHeight) + 1 && im.rowPadding >= 0 &&
                          im.rowPadding <= 3 && r.error.empty();
        if (!sane) std::abort();
    } else if (r.error.empty()) {
        std::abort();   // a refusal always says why
    }
    return 0;
}

// The colour road's damage checks on any bytes: checkColourBmp gives a verdict without a crash or
// a read out of bounds, the same one twice, and none for bytes that are not a BMP; an uncompressed
// file it passes really holds its rows. Cut into lines, the same bytes are a decoder's warnings
// for jpegEndedEarly, which must find the premature end exactly when a line tells of it.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bitmap/colour_check.h"
#include "util/little_endian.h"

namespace {

// An uncompressed 40-byte-header file the check passed: its rows must lie inside the bytes.
bool rowsInside(std::span<const std::uint8_t> f) {
    if (f.size() < 54 || velta::le::u32(f, 14) != 40) return true;
    const std::uint32_t compression = velta::le::u32(f, 30);
    if (compression != 0 && compression != 3 && compression != 6) return true;
    const std::uint64_t offset = velta::le::u32(f, 10);
    if (offset < 54) return true;  // the rows then follow the colour table
    const std::int64_t width = velta::le::i32(f, 18), height = velta::le::i32(f, 22);
    const std::uint64_t bits = velta::le::u16(f, 28);
    if (width < 1) return false;
    const std::uint64_t row = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const auto rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    return rows != 0 && offset + rows * row <= f.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string verdict = velta::bitmap::checkColourBmp(bytes);
    if (verdict != velta::bitmap::checkColourBmp(bytes)) std::abort();
    const bool bmp = size >= 2 && data[0] == 'B' && data[1] == 'M';
    if (!bmp && !verdict.empty()) std::abort();
    if (bmp && verdict.empty() && !rowsInside(bytes)) std::abort();

    // The last quarter of the input, cut at newlines, as collected warnings.
    const std::string_view text(reinterpret_cast<const char*>(data) + size - size / 4, size / 4);
    std::vector<std::string> warnings;
    bool told = false;
    for (std::size_t from = 0; from <= text.size();) {
        std::size_t to = text.find('\n', from);
        if (to == std::string_view::npos) to = text.size();
        warnings.emplace_back(text.substr(from, to - from));
        told = told || warnings.back().find("premature end of data segment") != std::string::npos;
        from = to + 1;
    }
    if (velta::bitmap::jpegEndedEarly(warnings) != told) std::abort();
    return 0;
}

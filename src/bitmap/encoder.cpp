#include "bitmap/encoder.h"

#include <algorithm>

#include "bitmap/format.h"
#include "util/little_endian.h"

namespace velta::bitmap {

namespace {

// Width and height are written as 16-bit values over the given header, whose high bytes stay, so
// both keep within the largest signed 16-bit value.
constexpr int maxSide = 32767;

// Padding, and whole rows of zeros, come from here: a row is never longer than this.
constexpr std::array<std::uint8_t, maxSide + 1> zeros{};

}  // namespace

std::array<std::uint8_t, 54> outputHeader(const std::array<std::uint8_t, 54>& source, int width,
                                          int height) {
    std::array<std::uint8_t, 54> h = source;
    const auto w = static_cast<std::uint32_t>(width);
    const auto rowsBytes =
        static_cast<std::uint32_t>(height) * (w + static_cast<std::uint32_t>(rowPaddingFor(width)));
    le::put32(h, 2, plainPixelOffset + rowsBytes);  // the true file size
    le::put16(h, 18, static_cast<std::uint16_t>(width));
    le::put16(h, 22, static_cast<std::uint16_t>(height));
    le::put32(h, 34, rowsBytes);                    // the true image size
    return h;
}

bool BitmapEncoder::put(const std::uint8_t* bytes, std::size_t n) {
    if (failed_) return false;
    failed_ = !sink_->write(bytes, n);
    return !failed_;
}

bool BitmapEncoder::begin(ByteSink& sink, const std::array<std::uint8_t, 54>& header,
                          const std::array<std::uint8_t, 1024>& palette, int width, int height) {
    if (width < 1 || width > maxSide || height < 1 || height > maxSide) return false;
    sink_ = &sink;
    failed_ = false;
    height_ = height;
    stride_ = static_cast<std::size_t>(width + rowPaddingFor(width));
    rowsWritten_ = 0;
    const std::array<std::uint8_t, 54> h = outputHeader(header, width, height);
    return put(h.data(), h.size()) && put(palette.data(), palette.size());
}

bool BitmapEncoder::writeRow(const std::uint8_t* pixels, std::size_t n) {
    if (!writing() || rowsWritten_ >= height_) return false;
    ++rowsWritten_;
    n = std::min(n, stride_);
    return put(pixels, n) && (n == stride_ || put(zeros.data(), stride_ - n));
}

bool BitmapEncoder::writeZeroRows(int count) {
    for (int k = 0; k < count && rowsWritten_ < height_; ++k)
        if (!writeRow(zeros.data(), stride_)) return false;
    return !failed_;
}

bool BitmapEncoder::finish() {
    writeZeroRows(rowsLeft());
    sink_ = nullptr;
    return !failed_;
}

}  // namespace velta::bitmap

#include "bitmap/encoder.h"

#include <algorithm>

#include "bitmap/format.h"
#include "util/little_endian.h"

namespace velta::bitmap {

namespace {

// Width and height are written as 16-bit values over the given header, whose high bytes stay, so
// both keep within the largest signed 16-bit value.
constexpr int maxSide = 32767;

// Padding and rows of zeros are written from here, in pieces of this size.
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

std::array<std::uint8_t, 54> colourHeader(int width, int height) {
    const auto w = static_cast<std::uint32_t>(width);
    const std::uint32_t stride = (3 * w + 3) / 4 * 4;
    const std::uint32_t rowsBytes = static_cast<std::uint32_t>(height) * stride;  // below 2^32 for 32767 x 32767
    std::array<std::uint8_t, 54> h{};
    h[0] = 'B';
    h[1] = 'M';
    le::put32(h, 2, static_cast<std::uint32_t>(headerBytes) + rowsBytes);  // file size
    le::put32(h, 10, static_cast<std::uint32_t>(headerBytes));             // pixels right after the header
    le::put32(h, 14, 40);                                                  // information header size
    le::putI32(h, 18, width);
    le::putI32(h, 22, height);                                             // positive: bottom row first
    le::put16(h, 26, 1);                                                   // planes
    le::put16(h, 28, 24);                                                  // bits per pixel
    le::put32(h, 30, 0);                                                   // no compression
    le::put32(h, 34, rowsBytes);                                           // image size
    le::put32(h, 38, 2835);                                                // pixels per metre, across
    le::put32(h, 42, 2835);                                                // and down
    return h;                                                              // no palette: 0 colours
}

bool BitmapEncoder::put(const std::uint8_t* bytes, std::size_t n) {
    if (failed_) return false;
    failed_ = !sink_->write(bytes, n);
    return !failed_;
}

bool BitmapEncoder::putZeros(std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const std::size_t k = std::min(n - done, zeros.size());
        if (!put(zeros.data(), k)) return false;
        done += k;
    }
    return true;
}

void BitmapEncoder::start(ByteSink& sink, int width, int height, int bytesPerPixel) {
    sink_ = &sink;
    failed_ = false;
    colour_ = bytesPerPixel == 3;
    width_ = width;
    height_ = height;
    const auto rowPixelBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
    stride_ = (rowPixelBytes + 3) / 4 * 4;
    rowsWritten_ = 0;
    row_.clear();
}

bool BitmapEncoder::begin(ByteSink& sink, const std::array<std::uint8_t, 54>& header,
                          const std::array<std::uint8_t, 1024>& palette, int width, int height) {
    if (width < 1 || width > maxSide || height < 1 || height > maxSide) return false;
    start(sink, width, height, 1);
    const std::array<std::uint8_t, 54> h = outputHeader(header, width, height);
    return put(h.data(), h.size()) && put(palette.data(), palette.size());
}

bool BitmapEncoder::beginColour(ByteSink& sink, int width, int height) {
    if (width < 1 || width > maxSide || height < 1 || height > maxSide) return false;
    start(sink, width, height, 3);
    row_.assign(stride_, 0);  // the padding stays zero
    const std::array<std::uint8_t, 54> h = colourHeader(width, height);
    return put(h.data(), h.size());
}

// Counts the next row, when there is one to write.
bool BitmapEncoder::nextRow() {
    if (!writing() || rowsWritten_ >= height_) return false;
    ++rowsWritten_;
    return true;
}

bool BitmapEncoder::writeRow(const std::uint8_t* pixels, std::size_t n) {
    if (!nextRow()) return false;
    n = std::min(n, stride_);
    return put(pixels, n) && putZeros(stride_ - n);
}

bool BitmapEncoder::writeColourRow(const std::uint32_t* pixels) {
    if (!colour_ || pixels == nullptr || !nextRow()) return false;
    std::uint8_t* out = row_.data();
    for (int x = 0; x < width_; ++x, out += 3) {
        const std::uint32_t p = pixels[x];
        out[0] = static_cast<std::uint8_t>(p);        // blue
        out[1] = static_cast<std::uint8_t>(p >> 8);   // green
        out[2] = static_cast<std::uint8_t>(p >> 16);  // red
    }
    return put(row_.data(), row_.size());
}

bool BitmapEncoder::writeZeroRows(int count) {
    for (int k = 0; k < count && rowsWritten_ < height_; ++k)
        if (!nextRow() || !putZeros(stride_)) return false;
    return !failed_;
}

bool BitmapEncoder::finish() {
    writeZeroRows(rowsLeft());
    sink_ = nullptr;
    row_ = {};
    return !failed_;
}

}  // namespace velta::bitmap

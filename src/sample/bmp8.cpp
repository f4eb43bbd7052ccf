#include "sample/bmp8.h"

#include <cstddef>

#include "bitmap/encoder.h"
#include "util/little_endian.h"

namespace velta::sample {

namespace {

// The header of the program's plain layout with everything but the sizes, which the encoder
// fills in: pixels at 1078, a 40-byte information header, one plane of 8 bits, no compression,
// 72 dots per inch both ways, all 256 palette entries used and important.
std::array<std::uint8_t, 54> headerTemplate() {
    std::array<std::uint8_t, 54> h{};
    h[0] = 'B';
    h[1] = 'M';
    le::put32(h, 10, 1078);  // bfOffBits: 14 + 40 + 256 * 4
    le::put32(h, 14, 40);    // biSize
    le::put16(h, 26, 1);     // planes
    le::put16(h, 28, 8);     // bits per pixel
    le::put32(h, 38, 2835);  // 72 dots per inch, both ways
    le::put32(h, 42, 2835);
    le::put32(h, 46, 256);   // palette entries used
    return h;
}

}  // namespace

std::vector<std::uint8_t> encodePaletteBitmap(int width, int height, const std::array<std::uint8_t, 1024>& palette,
                                              const std::vector<std::uint8_t>& pixels) {
    bitmap::VectorSink sink;
    bitmap::BitmapEncoder encoder;
    if (!encoder.begin(sink, headerTemplate(), palette, width, height)) return {};
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    if (pixels.size() != w * h) return {};
    for (std::size_t r = h; r-- > 0;) encoder.writeRow(pixels.data() + r * w, w);  // bottom row first
    encoder.finish();
    return sink.take();
}

}  // namespace velta::sample

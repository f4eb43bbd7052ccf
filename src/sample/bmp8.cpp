#include "sample/bmp8.h"

#include <cstddef>

namespace velta::sample {

namespace {

constexpr std::size_t pixelOffset = 1078;  // 14 + 40 + 256 * 4
constexpr int maxSide = 32767;             // keeps every size field far from overflow

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFFu);
    out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFFu);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    put16(out, at, v & 0xFFFFu);
    put16(out, at + 2, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> encodePaletteBitmap(int width, int height, const std::array<std::uint8_t, 1024>& palette,
                                              const std::vector<std::uint8_t>& pixels) {
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) return {};
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    if (pixels.size() != w * h) return {};
    const std::size_t stride = (w + 3) / 4 * 4;
    const std::size_t imageBytes = stride * h;

    std::vector<std::uint8_t> out(pixelOffset + imageBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));  // bfSize
    put32(out, 10, static_cast<std::uint32_t>(pixelOffset)); // bfOffBits
    put32(out, 14, 40);                                       // biSize
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));       // positive: bottom row first
    put16(out, 26, 1);                                        // planes
    put16(out, 28, 8);                                        // bits per pixel
    put32(out, 30, 0);                                        // no compression
    put32(out, 34, static_cast<std::uint32_t>(imageBytes));   // biSizeImage
    put32(out, 38, 2835);                                     // 72 dots per inch, both ways
    put32(out, 42, 2835);
    put32(out, 46, 256);                                      // palette entries used
    put32(out, 50, 0);                                        // all of them important
    for (std::size_t i = 0; i < palette.size(); ++i) out[54 + i] = palette[i];

    for (std::size_t r = 0; r < h; ++r) {
        const std::size_t fileRow = h - 1 - r;
        const std::uint8_t* src = pixels.data() + r * w;
        std::uint8_t* dst = out.data() + pixelOffset + fileRow * stride;
        for (std::size_t c = 0; c < w; ++c) dst[c] = src[c];
    }
    return out;
}

}  // namespace velta::sample

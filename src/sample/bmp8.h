#pragma once
// Writing an 8-bit palette bitmap in the program's plain layout: 14-byte file header, 40-byte
// information header, 256 palette entries, pixels at offset 1078, bottom row first, each row
// padded with zeros to a multiple of 4 bytes. The bytes are the bitmap encoder's, collected in
// memory.

#include <array>
#include <cstdint>
#include <vector>

namespace velta::sample {

/// Bytes of a plain-layout bitmap of `pixels` (row 0 at the top); empty when the sizes do not fit.
std::vector<std::uint8_t> encodePaletteBitmap(int width, int height, const std::array<std::uint8_t, 1024>& palette,
                                              const std::vector<std::uint8_t>& pixels);

}  // namespace velta::sample

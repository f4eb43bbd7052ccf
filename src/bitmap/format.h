#pragma once
// The bitmap format the program reads and writes: an uncompressed 8-bit Windows bitmap whose
// 54-byte header is followed by a 256-entry palette and by the pixel rows at offset 1078,
// bottom row first, each row padded to a multiple of 4 bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velta::bitmap {

inline constexpr std::size_t headerBytes = 54;     // file header (14) + information header (40)
inline constexpr std::size_t paletteBytes = 1024;  // 256 entries of blue, green, red, reserved
inline constexpr std::uint32_t plainPixelOffset = 1078;
inline constexpr int maxWidth = 3000;              // the width of a row record
inline constexpr int maxHeight = 32767;            // the largest 16-bit signed height
inline constexpr int maxColourWidth = 32767;       // the widest 24-bit picture written

/// Bytes of padding after a pixel row of `width` bytes, so that the row fills a multiple of 4.
constexpr int rowPaddingFor(int width) { return (4 - width % 4) % 4; }

/// Where the parts of an accepted file lie, as its header says.
struct Layout {
    std::uint32_t infoSize = 0;        // 40, 108 or 124
    int width = 0;                     // 1 .. maxWidth
    int height = 0;                    // 1 .. maxHeight (the magnitude of the stored height)
    bool topDown = false;              // the stored height was negative: top row first
    std::uint32_t paletteEntries = 0;  // 1 .. 256
    std::uint32_t clrImportant = 0;    // biClrImportant as stored
    std::uint32_t pixelOffset = 0;     // bfOffBits
    int padding = 0;                   // rowPaddingFor(width)
    bool plain = false;                // already the program's own layout: read without change
};

/// The verdict on a header: the layout of an accepted file, or the reason for refusing it.
struct LayoutResult {
    bool ok = false;
    std::string error;  // Italian, for a critical message box; empty when ok
    // Refused only because the file is of another kind than the plain format (no "BM"
    // signature, an OS/2 or other header, another depth or a compression, wider than 3000),
    // not because its header contradicts itself or the file.
    bool outsideFormat = false;
    Layout layout;
};

/// Checks the first bytes of a file (at least its first 54, or all of a shorter file) whose
/// total length is `fileLength`, and says whether and how its pixel rows can be read.
LayoutResult parseLayout(std::span<const std::uint8_t> head, std::uint64_t fileLength);

/// The Italian text that heads every refusal of a source bitmap.
std::string refusalText(const std::string& reason);

}  // namespace velta::bitmap

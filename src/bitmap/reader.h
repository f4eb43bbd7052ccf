#pragma once
// Reading a source bitmap into the main window's image buffers: header, palette and one row
// record per pixel row, row 0 at the top.
//
// Files in the program's own layout (40-byte information header, 256 palette entries, pixels
// at offset 1078, bottom row first) are read as they are: the header and palette are the file's
// bytes, and each record holds the 3000 file bytes from its row's start (or up to the end of the
// file), so the bytes past the width are padding and the following rows.
//
// Any other uncompressed 8-bit palette bitmap (smaller palette, 108- or 124-byte header, a gap
// before the pixels, top-down rows) is brought into that layout while it is read: the header
// becomes the 54 bytes it would have in the plain layout, the palette is padded with black
// entries, and each record holds the row's pixels followed by zeros.

#include <cstdint>
#include <span>
#include <string>

#include "state/state.h"

namespace velta::bitmap {

/// The outcome of reading a bitmap: a complete image, or the reason it was refused.
struct ReadResult {
    bool ok = false;
    std::string error;  // Italian, for a critical message box; empty when ok
    // Refused only because the file is not in the plain format (another depth, compression or
    // header kind, wider than 3000, not a bitmap at all), not because it is damaged or could not
    // be read: the colour road may take it.
    bool outsideFormat = false;
    SourceImage image;  // filled only when ok; sourceFileName is left to the caller
};

/// Reads a whole bitmap file held in memory.
ReadResult readBitmap(std::span<const std::uint8_t> bytes);

/// Reads the bitmap file at `path`; a file that cannot be read is refused with the reason.
ReadResult readBitmapFile(const std::string& path);

}  // namespace velta::bitmap

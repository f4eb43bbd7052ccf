#pragma once
// The program's own damage checks for files that go to the colour road, where the platform's
// readers would otherwise show made-up pixels for data that is missing.

#include <cstdint>
#include <span>
#include <string>

namespace velta::bitmap {

/// Checks a whole BMP file that is not in the program's own format before it is decoded: the
/// kinds the platform cannot read (2-bit, 64-bit, RLE24, Huffman, embedded JPEG or PNG) are
/// refused as not supported; uncompressed pixel data must lie inside the file; RLE4 and RLE8
/// data must reach its end-of-bitmap mark without running past the rows or the file. Empty when
/// the file may be decoded, otherwise the Italian reason.
std::string checkColourBmp(std::span<const std::uint8_t> file);

/// Whether the JPEG decoder's warnings, as collected during one read, say that the data ended
/// before the picture was complete (the file is then refused). Other warnings do not refuse.
bool jpegEndedEarly(std::span<const std::string> warnings);

}  // namespace velta::bitmap

#pragma once
// Writing an image as a bitmap file: in the program's layout, with the source's header and
// palette (the header's width, height, file size and image size describe the written image,
// every other header byte is the source's), or as a 24-bit colour bitmap with a standard header.
//
// The writer streams: begin() or beginColour() writes header and palette, each writeRow() or
// writeColourRow() one file row (bottom row first), end() finishes the file. The bytes are those of the bitmap encoder; the writer
// adds the file: made anew, filled through a large buffer (the rectification writes its rows
// one at a time and small writes would dominate its run time), removed when cut short.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bitmap/encoder.h"
#include "state/state.h"

namespace velta::bitmap {

/// Streams one bitmap file, row by row, bottom row first.
class BitmapWriter {
public:
    BitmapWriter();
    ~BitmapWriter();  // closes an unfinished file as it stands
    BitmapWriter(const BitmapWriter&) = delete;
    BitmapWriter& operator=(const BitmapWriter&) = delete;

    /// Creates the file at `path` anew (a file or link of that name is removed first, never
    /// written through) and writes the header and palette of a `width` x `height` image; on
    /// failure says why in `error`.
    bool begin(const std::string& path, const std::array<std::uint8_t, 54>& header,
               const std::array<std::uint8_t, 1024>& palette, int width, int height,
               std::string& error);

    /// Creates the file at `path` anew, as begin() does, with the header of a 24-bit `width` x
    /// `height` image (no palette; see colourHeader), both sides 1 .. 32767; on failure says why
    /// in `error`.
    bool beginColour(const std::string& path, int width, int height, std::string& error);

    /// Writes the next file row of a 24-bit image from `width` pixels 0xAARRGGBB, as blue,
    /// green, red, then the padding. False for an 8-bit file.
    bool writeColourRow(const std::uint32_t* pixels);

    /// Writes the next file row of an 8-bit image: the first width + padding bytes of `record`.
    /// False for a 24-bit file.
    bool writeRow(const RowRecord& record);

    /// Writes the next `count` file rows as zeros (at most the rows still missing).
    bool writeZeroRows(int count);

    /// Completes the file, writing zero rows for any not yet written, and closes it; on failure,
    /// or after an earlier failed row, says why in `error`. A file that a failed write left
    /// incomplete is removed.
    bool end(std::string& error);

    /// File rows written so far.
    int rowsWritten() const { return encoder_.rowsWritten(); }

    /// Whether a file is open between begin() and end().
    bool isOpen() const;

private:
    class FileSink;  // the file under the encoder, filled through the buffer

    // Checks the sizes (width at most `widest`) and creates the file.
    bool create(const std::string& path, int width, int height, int widest, std::string& error);
    // Whether the next row, of the kind `colour` says, may be written; keeps the reason otherwise.
    bool rowAllowed(bool colour);
    bool ioFailed() const;

    std::unique_ptr<FileSink> file_;  // the last file begun, kept after end() with its failure
    BitmapEncoder encoder_;
    std::string error_;  // a row past the last, reported by end() before a failure of the file
};

/// Writes a whole image, `rows` holding one record per image row from the top, `width` pixels
/// wide; on failure says why in `error`.
bool writeBitmap(const std::string& path, const std::array<std::uint8_t, 54>& header,
                 const std::array<std::uint8_t, 1024>& palette, int width,
                 const std::vector<RowRecord>& rows, std::string& error);

}  // namespace velta::bitmap

#pragma once
// Encoding a bitmap into a byte sink, bottom row first: the one place where a bitmap's header,
// palette and padded rows are put together. The file writer streams through it to a file, the
// sample photograph to memory.
//
// An 8-bit palette image takes the caller's 54 header bytes with only the sizes made true: width
// and height (their low 16 bits; the high bytes stay as given), the file size and the image
// size. A 24-bit colour image gets a standard header of its own and no palette.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velta::bitmap {

/// Where encoded bytes go.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    /// Takes the next `n` bytes; false when they could not be taken, and for every write after.
    virtual bool write(const std::uint8_t* bytes, std::size_t n) = 0;
};

/// Collects the bytes in memory.
class VectorSink final : public ByteSink {
public:
    bool write(const std::uint8_t* bytes, std::size_t n) override {
        bytes_.insert(bytes_.end(), bytes, bytes + n);
        return true;
    }
    /// The bytes collected so far, handed over.
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

/// The header of a `width` x `height` image written with the source header `source`.
std::array<std::uint8_t, 54> outputHeader(const std::array<std::uint8_t, 54>& source, int width,
                                          int height);

/// The 54-byte header of a 24-bit `width` x `height` image: 40-byte information header, no
/// compression, rows bottom-up (positive height), true file and image sizes, 2835 pixels per
/// metre (72 dpi, the customary value when nothing better is known), no palette.
std::array<std::uint8_t, 54> colourHeader(int width, int height);

/// Encodes one image into a sink, row by row, bottom row first.
class BitmapEncoder {
public:
    /// Starts a `width` x `height` image on `sink` (which must outlive the image) with its header
    /// and palette; false, with nothing written, for a side outside 1 .. 32767.
    bool begin(ByteSink& sink, const std::array<std::uint8_t, 54>& header,
               const std::array<std::uint8_t, 1024>& palette, int width, int height);

    /// Starts a 24-bit `width` x `height` image on `sink` with colourHeader(); false, with nothing
    /// written, for a side outside 1 .. 32767.
    bool beginColour(ByteSink& sink, int width, int height);

    /// Writes the next file row: the first `n` bytes of `pixels` (at most rowBytes()), then zeros
    /// up to rowBytes(). False when no image is started, all its rows are written, or the sink failed.
    bool writeRow(const std::uint8_t* pixels, std::size_t n);

    /// Writes the next file row of a 24-bit image from its `width` pixels 0xAARRGGBB: blue, green
    /// and red of each, then zeros up to rowBytes(). False as for writeRow, and for an 8-bit image.
    bool writeColourRow(const std::uint32_t* pixels);

    /// Writes the next `count` file rows as zeros (at most the rows still missing); false when a
    /// row could not be written or the sink failed before.
    bool writeZeroRows(int count);

    /// Writes zero rows for any not yet written and lets go of the sink; false when the sink failed.
    bool finish();

    /// Bytes of a file row: the row's pixel bytes padded to a multiple of 4.
    std::size_t rowBytes() const { return stride_; }

    /// Whether the current (or last) image is a 24-bit colour one.
    bool colour() const { return colour_; }

    /// File rows written so far, and still missing.
    int rowsWritten() const { return rowsWritten_; }
    int rowsLeft() const { return height_ - rowsWritten_; }

    /// Whether an image is started and its sink has taken every byte so far.
    bool writing() const { return sink_ != nullptr && !failed_; }

    /// Whether the sink refused a write of the current (or last) image.
    bool failed() const { return failed_; }

private:
    void start(ByteSink& sink, int width, int height, int bytesPerPixel);
    bool put(const std::uint8_t* bytes, std::size_t n);
    bool putZeros(std::size_t n);
    bool nextRow();

    ByteSink* sink_ = nullptr;
    bool failed_ = false;
    bool colour_ = false;
    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    int rowsWritten_ = 0;
    std::vector<std::uint8_t> row_;  // one colour row as it goes to the sink
};

}  // namespace velta::bitmap

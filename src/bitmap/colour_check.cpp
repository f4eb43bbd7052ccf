#include "bitmap/colour_check.h"

#include "util/little_endian.h"

namespace velta::bitmap {

namespace {

// The compression field's values. An OS/2 header gives 3 and 4 other meanings (Huffman 1D and
// RLE24).
constexpr std::uint32_t biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3, biJpeg = 4, biPng = 5,
                        biAlphaBitfields = 6;

std::string unsupported(const std::string& kind) { return "formato BMP non supportato: " + kind; }

std::string damaged(const std::string& what) { return "file danneggiato: " + what; }

const std::string endedEarly = damaged("i dati dei pixel finiscono prima delle righe dichiarate");

// The header fields that say how the pixels are stored.
struct Header {
    std::uint64_t infoSize = 0;
    bool os2 = false;             // an OS/2 header: 12 to 39 bytes, or 64
    std::int64_t width = 0;
    std::int64_t height = 0;      // negative: top row first
    std::uint32_t bitCount = 0;
    std::uint32_t compression = biRgb;
    std::uint32_t clrUsed = 0;
    std::uint64_t pixelOffset = 0;
};

// Reads the header of a file that starts with "BM"; the reason when it is incomplete.
std::string readHeader(std::span<const std::uint8_t> f, Header& h) {
    const std::string incomplete = damaged("l'intestazione è incompleta");
    if (f.size() < 18) return incomplete;
    h.infoSize = le::u32(f, 14);
    h.pixelOffset = le::u32(f, 10);
    if (h.infoSize < 12 || (h.infoSize > 12 && h.infoSize < 16))
        return damaged("un'intestazione di " + std::to_string(h.infoSize) + " byte non esiste");
    if (f.size() < 14 + h.infoSize) return incomplete;
    if (h.infoSize == 12) {  // the OS/2 1.x core header: 16-bit sides, no compression
        h.os2 = true;
        h.width = le::u16(f, 18);
        h.height = le::u16(f, 20);
        h.bitCount = le::u16(f, 24);
        return {};
    }
    h.os2 = h.infoSize < 40 || h.infoSize == 64;
    h.width = le::i32(f, 18);
    h.height = le::i32(f, 22);
    h.bitCount = le::u16(f, 28);
    if (h.infoSize >= 20) h.compression = le::u32(f, 30);  // a shorter OS/2 header ends before it
    if (h.infoSize >= 40) h.clrUsed = le::u32(f, 46);
    return {};
}

// The kinds the platform's reader cannot decode, named; empty for one it can.
std::string kindProblem(const Header& h) {
    const std::uint32_t c = h.compression, bits = h.bitCount;
    if (h.os2 && c == 3) return unsupported("compressione Huffman 1D");
    if (h.os2 && c == 4) return unsupported("compressione RLE24");
    if (c == biJpeg) return unsupported("immagine JPEG incorporata");
    if (c == biPng) return unsupported("immagine PNG incorporata");
    if (c > biAlphaBitfields) return unsupported("compressione di tipo " + std::to_string(c));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return unsupported(std::to_string(bits) + " bit per pixel");
    const bool fits = c == biRgb || (c == biRle8 && bits == 8) || (c == biRle4 && bits == 4) ||
                      ((c == biBitfields || c == biAlphaBitfields) && (bits == 16 || bits == 32));
    if (!fits) {
        const char* names[] = {"", "RLE8", "RLE4", "a campi di bit", "", "", "a campi di bit con alfa"};
        return unsupported(std::string("compressione ") + names[c] + " con " + std::to_string(bits) +
                           " bit per pixel");
    }
    if ((c == biRle8 || c == biRle4) && h.height < 0)
        return unsupported("compressione RLE con le righe dall'alto in basso");
    return {};
}

// Where the pixel data starts. A pixel offset inside the header (some writers leave it 0) is
// not used: a reader then takes the pixels from right after the colour table, so the data is
// checked from there.
std::uint64_t pixelStart(const Header& h) {
    const std::uint64_t headerEnd = 14 + h.infoSize;
    if (h.pixelOffset >= headerEnd) return h.pixelOffset;
    std::uint64_t masks = 0;  // the colour masks that follow a 40-byte header
    if (h.infoSize == 40 && h.compression == biBitfields) masks = 12;
    if (h.infoSize == 40 && h.compression == biAlphaBitfields) masks = 16;
    std::uint64_t entries = 0;
    if (h.bitCount <= 8) entries = h.clrUsed != 0 ? h.clrUsed : std::uint64_t{1} << h.bitCount;
    return headerEnd + masks + entries * (h.infoSize == 12 ? 3 : 4);  // far below 2^64
}

// Walks RLE4 or RLE8 data from `at` to its end-of-bitmap mark. Every run must stay inside its
// row (a 4-bit run may fill the last byte of an odd width) and inside the rows, every move
// (end of line, delta) must land inside the image or just past its last row, and the mark must
// come in the last row or after it: a mark earlier leaves the rest of the picture undefined,
// which the platform's reader would show in a made-up colour. Data that ends without the mark
// is taken only when it has covered every row.
std::string walkRle(std::span<const std::uint8_t> f, std::uint64_t at, const Header& h) {
    const bool rle4 = h.compression == biRle4;
    const auto width = static_cast<std::uint64_t>(h.width);
    const auto rows = static_cast<std::uint64_t>(h.height);
    const std::uint64_t rowEnd = rle4 ? width + (width & 1) : width;
    const std::string pastRow = damaged("una sequenza di pixel compressi va oltre la fine della riga");
    const std::string pastRows = damaged("i dati compressi vanno oltre le righe dell'immagine");
    const std::uint64_t end = f.size();
    std::uint64_t x = 0, y = 0;
    while (end - at >= 2) {
        const std::uint64_t count = f[at], code = f[at + 1];
        at += 2;
        if (count > 0) {  // a run of one colour (or of two alternating ones in RLE4)
            if (y >= rows) return pastRows;
            if (x + count > rowEnd) return pastRow;
            x += count;
        } else if (code == 0) {  // end of line
            if (y + 1 > rows) return pastRows;
            ++y;
            x = 0;
        } else if (code == 1) {  // end of bitmap
            return y + 1 >= rows ? std::string() : endedEarly;
        } else if (code == 2) {  // delta: move right and up
            if (end - at < 2) return endedEarly;
            const std::uint64_t dx = f[at], dy = f[at + 1];
            at += 2;
            if (x + dx > rowEnd || y + dy > rows) return pastRows;
            x += dx;
            y += dy;
        } else {  // an absolute run of `code` pixels, stored as they are, padded to 16 bits
            const std::uint64_t bytes = rle4 ? (code + 1) / 2 : code;
            if (end - at < bytes) return endedEarly;
            if (y >= rows) return pastRows;
            if (x + code > rowEnd) return pastRow;
            x += code;
            at += bytes + (bytes & 1);
            if (at > end) at = end;
        }
    }
    // No end-of-bitmap mark: whole only when the last row was filled.
    return y >= rows || (y + 1 == rows && x >= width) ? std::string() : endedEarly;
}

}  // namespace

std::string checkColourBmp(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return {};  // not a BMP: not judged here
    Header h;
    if (std::string problem = readHeader(file, h); !problem.empty()) return problem;
    if (std::string problem = kindProblem(h); !problem.empty()) return problem;
    if (h.width < 1 || h.height == 0)
        return damaged("le dimensioni dell'immagine (" + std::to_string(h.width) + " x " +
                       std::to_string(h.height) + " pixel) non sono valide");

    const std::uint64_t start = pixelStart(h);
    if (start > file.size()) return damaged("i dati dei pixel cominciano oltre la fine del file");
    if (h.compression == biRle8 || h.compression == biRle4) return walkRle(file, start, h);

    // Uncompressed rows, each padded to a multiple of 4 bytes. Width below 2^31 and at most 32
    // bits per pixel keep the row size far from overflowing; the rows are compared by division.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
    const auto rows = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    if (rows > (file.size() - start) / rowBytes) return endedEarly;
    return {};
}

bool jpegEndedEarly(std::span<const std::string> warnings) {
    // libjpeg's warning when the data stops inside a scan; Qt's reader then supplies an end
    // marker and the rest of the picture is made up.
    for (const std::string& w : warnings)
        if (w.find("premature end of data segment") != std::string::npos) return true;
    return false;
}

}  // namespace velta::bitmap

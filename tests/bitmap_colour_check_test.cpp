// The colour road's damage checks: the BMP kinds the platform cannot decode, pixel data that the
// file does not hold, RLE data that runs out of its picture, JPEG data that ended early, and the
// verdicts on the BMP Suite corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap/colour_check.h"
#include "testutils.h"
#include "util/little_endian.h"

namespace velta::bitmap {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A BMP with a 40-byte header, `bits` per pixel and `compression`, pixels at `offset`, followed
// by `data` (the rows or the compressed stream).
Bytes bmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
          const Bytes& data, std::uint32_t offset = 54) {
    Bytes b(offset + data.size(), 0);
    std::copy(data.begin(), data.end(), b.begin() + offset);
    b[0] = 'B';
    b[1] = 'M';
    le::put32(b, 10, offset);
    le::put32(b, 14, 40);
    le::putI32(b, 18, width);
    le::putI32(b, 22, height);
    le::put16(b, 26, 1);
    le::put16(b, 28, bits);
    le::put32(b, 30, compression);
    le::put32(b, 2, static_cast<std::uint32_t>(b.size()));
    return b;
}

// An RLE8 picture 4 wide and 3 high; the 1024-byte palette is left out: the data starts at 54.
Bytes rle8(const Bytes& stream, std::int32_t height = 3) { return bmp(4, height, 8, 1, stream); }

std::string check(const Bytes& b) { return checkColourBmp(b); }

constexpr const char* kUnsupported = "formato BMP non supportato";
constexpr const char* kDamaged = "file danneggiato";

TEST(ColourCheck, namesTheKindsThePlatformCannotDecode) {
    const Bytes rows(5 * 64, 0);
    EXPECT_NE(check(bmp(4, 3, 2, 0, rows)).find("2 bit per pixel"), std::string::npos);
    EXPECT_NE(check(bmp(4, 3, 64, 0, rows)).find("64 bit per pixel"), std::string::npos);
    EXPECT_NE(check(bmp(4, 3, 0, 4, rows)).find("JPEG"), std::string::npos);
    EXPECT_NE(check(bmp(4, 3, 0, 5, rows)).find("PNG"), std::string::npos);
    EXPECT_NE(check(bmp(4, 3, 24, 1, rows)).find("RLE8 con 24 bit"), std::string::npos);
    // The same compression values mean RLE24 and Huffman 1D in an OS/2 header.
    auto os2 = bmp(4, 3, 24, 4, rows);
    le::put32(os2, 14, 64);
    EXPECT_NE(check(os2).find("RLE24"), std::string::npos);
    le::put16(os2, 28, 1);
    le::put32(os2, 30, 3);
    EXPECT_NE(check(os2).find("Huffman 1D"), std::string::npos);
    for (const Bytes& b : {bmp(4, 3, 2, 0, rows), os2}) EXPECT_EQ(check(b).rfind(kUnsupported, 0), 0u);
}

TEST(ColourCheck, uncompressedRowsMustAllBeInTheFile) {
    // 5 x 3 at 24 bits: rows of 16 bytes, 15 of pixels and one of padding.
    EXPECT_EQ(check(bmp(5, 3, 24, 0, Bytes(48))), "");
    EXPECT_EQ(check(bmp(5, -3, 24, 0, Bytes(48))), "");  // top-down
    EXPECT_EQ(check(bmp(5, 3, 24, 0, Bytes(47))), std::string(kDamaged) +
                                                     ": i dati dei pixel finiscono prima delle righe dichiarate");
    // Bit fields (masks after the header, pixels at 66) and 1-bit rows (4 bytes each).
    EXPECT_EQ(check(bmp(5, 3, 32, 3, Bytes(60), 66)), "");
    EXPECT_NE(check(bmp(5, 3, 32, 3, Bytes(59), 66)), "");
    EXPECT_EQ(check(bmp(33, 2, 1, 0, Bytes(16))), "");
    EXPECT_NE(check(bmp(33, 2, 1, 0, Bytes(15))), "");

    // Sizes whose rows would overflow 64 bits, a pixel offset past the end, no width.
    EXPECT_NE(check(bmp(0x7FFFFFFF, -0x7FFFFFFF - 1, 32, 0, Bytes(64))).find(kDamaged), std::string::npos);
    Bytes farOffset = bmp(5, 3, 24, 0, Bytes(48));
    le::put32(farOffset, 10, 0xFFFFFFF0u);
    EXPECT_NE(check(farOffset).find("oltre la fine del file"), std::string::npos);
    EXPECT_NE(check(bmp(-5, 3, 24, 0, Bytes(48))).find("dimensioni"), std::string::npos);
    EXPECT_NE(check(bmp(5, 0, 24, 0, Bytes(48))).find("dimensioni"), std::string::npos);

    // Every cut of a good file is refused or, below the signature, left to others.
    const Bytes good = bmp(5, 3, 24, 0, Bytes(48));
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(check(cut).empty(), n < 2) << n;
    }
    EXPECT_EQ(check({'G', 'I', 'F', '8', '9', 'a'}), "");  // not a BMP: not judged here
}

TEST(ColourCheck, rleDataMustStayInsideItsRowsAndReachTheLastOne) {
    // Runs (count, colour), absolute runs (0, n, n bytes, padded to 2), end of line (0, 0),
    // delta (0, 2, dx, dy), end of bitmap (0, 1).
    const Bytes whole = {4, 7, 0, 0, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 2, 1, 0, 0, 1};
    EXPECT_EQ(check(rle8(whole)), "");
    EXPECT_EQ(check(rle8({4, 7, 0, 0, 0, 2, 0, 1, 4, 7, 0, 1})), "");     // a delta skips a row
    EXPECT_EQ(check(rle8({4, 7, 0, 0, 4, 7, 0, 0, 4, 7})), "");           // no mark, but every row full
    EXPECT_EQ(check(rle8({4, 7, 0, 0, 4, 7, 0, 0, 1, 7, 0, 1})), "");     // the mark in the last row
    EXPECT_EQ(check(bmp(3, 1, 4, 2, {4, 0x12, 0, 1})), "");               // RLE4: the odd width's last nibble

    const std::string early = "i dati dei pixel finiscono prima delle righe dichiarate";
    EXPECT_NE(check(rle8({4, 7, 0, 1})).find(early), std::string::npos);  // mark in the first row
    EXPECT_NE(check(rle8({4, 7, 0, 0, 4, 7})).find(early), std::string::npos);  // no mark, a row short
    EXPECT_NE(check(rle8({0, 5, 1, 2})).find(early), std::string::npos);  // absolute run cut off
    EXPECT_NE(check(rle8({0, 2, 1})).find(early), std::string::npos);     // delta cut off
    EXPECT_NE(check(rle8({5, 7, 0, 1})).find("oltre la fine della riga"), std::string::npos);
    EXPECT_NE(check(rle8({2, 7, 0, 4, 1, 2, 3, 4, 0, 1})).find("oltre la fine della riga"), std::string::npos);
    EXPECT_NE(check(rle8({0, 2, 5, 0, 0, 1})).find("oltre le righe"), std::string::npos);
    EXPECT_NE(check(rle8({0, 2, 0, 4, 0, 1})).find("oltre le righe"), std::string::npos);
    EXPECT_NE(check(rle8({0, 0, 0, 0, 0, 0, 0, 0, 0, 1})).find("oltre le righe"), std::string::npos);
    EXPECT_NE(check(rle8({0, 0, 0, 0, 0, 0, 1, 7, 0, 1})).find("oltre le righe"), std::string::npos);
    EXPECT_EQ(check(rle8(whole, -3)).rfind(kUnsupported, 0), 0u);  // compressed rows cannot run top-down

    // Every cut of the stream is refused: its last row is not full without the mark.
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_NE(check(rle8(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)))), "") << n;
}

TEST(ColourCheck, onlyAPrematureEndOfJpegDataRefuses) {
    const std::vector<std::string> cut = {"Corrupt JPEG data: 3 extraneous bytes before marker 0xd9",
                                          "Corrupt JPEG data: premature end of data segment"};
    EXPECT_TRUE(jpegEndedEarly(cut));
    const std::vector<std::string> harmless = {"Corrupt JPEG data: 3 extraneous bytes before marker 0xd9",
                                               "Premature end of JPEG file"};
    EXPECT_FALSE(jpegEndedEarly(harmless));
    EXPECT_FALSE(jpegEndedEarly({}));
}

// The corpus files that go to the colour road, with the start of the check's verdict: "" for a
// file to be decoded.
TEST(ColourCheck, bmpSuiteFilesGetTheirVerdicts) {
    const std::string suite = BMPSUITE_DIR;
    const struct { const char* name; const char* verdict; } cases[] = {
        // Damaged: RLE data outside its picture or ending early, rows missing, no width.
        {"b/badrle.bmp", kDamaged}, {"b/badrlebis.bmp", kDamaged}, {"b/badrleter.bmp", kDamaged},
        {"b/badrle4.bmp", kDamaged}, {"b/badrle4bis.bmp", kDamaged}, {"b/badrle4ter.bmp", kDamaged},
        {"q/pal4rlecut.bmp", kDamaged}, {"q/pal8rlecut.bmp", kDamaged}, {"b/shortfile.bmp", kDamaged},
        {"b/reallybig.bmp", kDamaged}, {"b/badwidth.bmp", kDamaged},
        // Kinds the platform cannot decode.
        {"b/rletopdown.bmp", kUnsupported}, {"q/pal2.bmp", kUnsupported}, {"q/pal2color.bmp", kUnsupported},
        {"q/rgba64.bmp", kUnsupported}, {"q/rgb24rle24.bmp", kUnsupported}, {"q/pal1huffmsb.bmp", kUnsupported},
        {"q/rgb24jpeg.bmp", kUnsupported}, {"q/rgb24png.bmp", kUnsupported}, {"b/badbitcount.bmp", kUnsupported},
        // Whole files, RLE ones with skipped pixels among them.
        {"g/pal1.bmp", ""}, {"g/pal1bg.bmp", ""}, {"g/pal1wb.bmp", ""}, {"g/pal4.bmp", ""}, {"g/pal4gs.bmp", ""},
        {"g/pal4rle.bmp", ""}, {"g/pal8rle.bmp", ""}, {"g/pal8os2.bmp", ""}, {"g/rgb16.bmp", ""},
        {"g/rgb16-565.bmp", ""}, {"g/rgb16-565pal.bmp", ""}, {"g/rgb16bfdef.bmp", ""}, {"g/rgb24.bmp", ""},
        {"g/rgb24pal.bmp", ""}, {"g/rgb32.bmp", ""}, {"g/rgb32bf.bmp", ""}, {"g/rgb32bfdef.bmp", ""},
        {"q/pal8rletrns.bmp", ""}, {"q/pal4rletrns.bmp", ""}, {"q/pal1p1.bmp", ""}, {"q/pal8os2sp.bmp", ""},
        {"q/pal8os2v2.bmp", ""}, {"q/pal8os2v2-16.bmp", ""}, {"q/rgb24largepal.bmp", ""},
        {"q/rgb24lprof.bmp", ""}, {"q/rgb32h52.bmp", ""}, {"q/rgba32h56.bmp", ""}, {"q/rgba32abf.bmp", ""},
        {"q/rgba16-4444.bmp", ""}, {"q/rgba32-1010102.bmp", ""}, {"b/rgb16-880.bmp", ""},
        {"x/ba-bm.bmp", ""},  // not a "BM" file: the platform's reader decides
    };
    for (const auto& c : cases) {
        const Bytes file = testing::readFile(suite + "/" + c.name);
        ASSERT_FALSE(file.empty()) << c.name;
        const std::string verdict = checkColourBmp(file);
        if (*c.verdict == '\0')
            EXPECT_EQ(verdict, "") << c.name;
        else
            EXPECT_EQ(verdict.rfind(c.verdict, 0), 0u) << c.name << ": " << verdict;
    }
}

}  // namespace
}  // namespace velta::bitmap

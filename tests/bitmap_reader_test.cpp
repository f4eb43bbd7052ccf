#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "bitmap/reader.h"
#include "testutils.h"
#include "util/little_endian.h"

namespace velta::bitmap {
namespace {

using testing::BmpSpec;
using testing::makeBmp;
using testing::pixelAt;

const char* const kBase = "Sono accettate solo bitmap a 256 colori non compresse";

// Every pixel of every record matches the test picture; the spare record is all zero.
void expectPicture(const SourceImage& img, int w, int h) {
    ASSERT_EQ(img.sourceRows.size(), static_cast<std::size_t>(h) + 1);
    for (int r = 0; r < h; ++r) {
        const RowRecord& rec = img.sourceRows[static_cast<std::size_t>(r)];
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(rec[static_cast<std::size_t>(x)], pixelAt(x, r)) << "row " << r << " x " << x;
    }
    for (std::uint8_t b : img.sourceRows.back()) ASSERT_EQ(b, 0);
}

TEST(BitmapReader, plainFileRowsLandBottomUpWithFileBytesAfterTheWidth) {
    const auto bytes = makeBmp({.width = 6, .height = 5});
    const ReadResult r = readBitmap(bytes);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(r.image.fileWidth, 6.0);
    EXPECT_EQ(r.image.fileHeight, 5);
    EXPECT_EQ(r.image.rowPadding, 2);
    EXPECT_EQ(r.image.fileLength, static_cast<std::int32_t>(bytes.size()));
    EXPECT_TRUE(r.image.sourceFileName.empty());
    expectPicture(r.image, 6, 5);
    // File row 0 is the bottom row; the last file row is the top one.
    EXPECT_EQ(0, std::memcmp(r.image.sourceRows[4].data(), &bytes[1078], 6));
    EXPECT_EQ(0, std::memcmp(r.image.sourceRows[0].data(), &bytes[1078 + 4 * 8], 6));
    // The header and palette are the file's own bytes.
    EXPECT_EQ(0, std::memcmp(r.image.bmpHeader.data(), bytes.data(), 54));
    EXPECT_EQ(0, std::memcmp(r.image.bmpPalette.data(), &bytes[54], 1024));
    // A record holds the file bytes from its row on: padding, then the row above.
    const RowRecord& bottom = r.image.sourceRows[4];
    EXPECT_EQ(bottom[6], 0xEE);
    EXPECT_EQ(bottom[7], 0xEE);
    EXPECT_EQ(bottom[8], pixelAt(0, 3));
    // The top row's record runs into the end of the file and is zero after it.
    EXPECT_EQ(r.image.sourceRows[0][6], 0xEE);
    EXPECT_EQ(r.image.sourceRows[0][8], 0);
}

TEST(BitmapReader, rowPaddingIsTheFormatsForWidths640And641) {
    const auto even = makeBmp({.width = 640, .height = 480});
    ASSERT_EQ(even.size(), 1078u + 640u * 480u);
    const ReadResult a = readBitmap(even);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.image.rowPadding, 0);
    expectPicture(a.image, 640, 480);

    const auto odd = makeBmp({.width = 641, .height = 480});
    ASSERT_EQ(odd.size(), 1078u + 644u * 480u);
    const ReadResult b = readBitmap(odd);
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(b.image.rowPadding, 3);
    EXPECT_EQ(b.image.fileWidth, 641.0);
    expectPicture(b.image, 641, 480);
}

TEST(BitmapReader, trailingBytesAfterTheLastRowChangeNothing) {
    // 40 bytes over 10 rows would shift a padding derived from the file length by 4.
    for (std::size_t trailing : {1u, 3u, 40u, 1000u}) {
        const auto bytes = makeBmp({.width = 6, .height = 10, .trailing = trailing});
        const ReadResult r = readBitmap(bytes);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.image.rowPadding, 2) << trailing;
        EXPECT_EQ(r.image.fileLength, static_cast<std::int32_t>(bytes.size()));
        expectPicture(r.image, 6, 10);
        EXPECT_EQ(r.image.sourceRows[0][8], 0x5A);  // the trailing bytes follow the top row
    }
}

TEST(BitmapReader, acceptsTheWidthsAtTheEdgesOfRowPadding) {
    for (int w : {1, 2, 3, 4, 5, 641, 2999, 3000}) {
        const ReadResult r = readBitmap(makeBmp({.width = w, .height = 3}));
        ASSERT_TRUE(r.ok) << w << ": " << r.error;
        EXPECT_EQ(r.image.rowPadding, (4 - w % 4) % 4) << w;
        expectPicture(r.image, w, 3);
    }
}

TEST(BitmapReader, smallPaletteIsNormalisedToThePlainLayout) {
    auto bytes = makeBmp({.width = 5, .height = 3, .clrUsed = 16});
    le::put32(bytes, 50, 9);  // biClrImportant
    const ReadResult r = readBitmap(bytes);
    ASSERT_TRUE(r.ok) << r.error;
    const auto& h = r.image.bmpHeader;
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(le::u32(h, 2), 1078u + 3u * 8u);  // file size of the plain layout
    EXPECT_EQ(le::u32(h, 10), 1078u);
    EXPECT_EQ(le::u32(h, 14), 40u);
    EXPECT_EQ(le::u32(h, 18), 5u);
    EXPECT_EQ(le::u32(h, 22), 3u);
    EXPECT_EQ(le::u32(h, 34), 24u);
    EXPECT_EQ(le::u32(h, 38), 2835u);  // resolution kept
    EXPECT_EQ(le::u32(h, 46), 0u);     // all 256 entries
    EXPECT_EQ(le::u32(h, 50), 9u);
    const auto pal = testing::paletteOf(16);
    EXPECT_EQ(0, std::memcmp(r.image.bmpPalette.data(), pal.data(), 64));
    for (std::size_t k = 64; k < 1024; ++k) ASSERT_EQ(r.image.bmpPalette[k], 0) << k;
    expectPicture(r.image, 5, 3);
    // Only the pixels reach a normalised record.
    for (std::size_t k = 5; k < 3000; ++k) ASSERT_EQ(r.image.sourceRows[0][k], 0) << k;

    // An important-colour count beyond the palette means nothing and becomes 0.
    le::put32(bytes, 50, 17);
    EXPECT_EQ(le::u32(readBitmap(bytes).image.bmpHeader, 50), 0u);
}

TEST(BitmapReader, topDownLongHeadersAndGapsGiveTheSameRecordsAsThePlainFile) {
    const ReadResult plain = readBitmap(makeBmp({.width = 7, .height = 4}));
    ASSERT_TRUE(plain.ok);
    const BmpSpec variants[] = {
        {.width = 7, .height = -4},
        {.width = 7, .height = 4, .infoSize = 108},
        {.width = 7, .height = 4, .infoSize = 124, .gap = 33},
        {.width = 7, .height = -4, .infoSize = 124, .clrUsed = 251, .trailing = 9},
        {.width = 7, .height = 4, .clrUsed = 256, .gap = 4},
    };
    for (const BmpSpec& shape : variants) {
        const ReadResult r = readBitmap(makeBmp(shape));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.image.fileHeight, 4);
        EXPECT_EQ(r.image.rowPadding, 1);
        expectPicture(r.image, 7, 4);
        EXPECT_EQ(le::u32(r.image.bmpHeader, 22), 4u);  // stored bottom-up now
        EXPECT_EQ(le::u32(r.image.bmpHeader, 14), 40u);
        EXPECT_EQ(le::u32(r.image.bmpHeader, 10), 1078u);
        const std::size_t palBytes = shape.clrUsed == 0 ? 1024 : 4 * shape.clrUsed;
        EXPECT_EQ(0, std::memcmp(r.image.bmpPalette.data(), plain.image.bmpPalette.data(), palBytes));
    }
}

TEST(BitmapReader, acceptsTheTallestImage) {
    const ReadResult r = readBitmap(makeBmp({.width = 1, .height = -32767}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.fileHeight, 32767);
    EXPECT_EQ(r.image.sourceRows.size(), 32768u);
    EXPECT_EQ(r.image.sourceRows[32766][0], pixelAt(0, 32766));
}

void expectRefused(const std::vector<std::uint8_t>& bytes, const std::string& reason) {
    const ReadResult r = readBitmap(bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(kBase), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(reason), std::string::npos) << r.error;
    EXPECT_TRUE(r.image.sourceRows.empty());
}

TEST(BitmapReader, refusesFilesTheProgramCannotHoldSayingWhy) {
    expectRefused(makeBmp({.width = 3001, .height = 2}), "larghezza di 3001 pixel");
    expectRefused(makeBmp({.width = 0, .height = 2}), "larghezza di 0 pixel");
    expectRefused(makeBmp({.width = -6, .height = 2}), "larghezza di -6 pixel");
    expectRefused(makeBmp({.width = 6, .height = 0}), "altezza dell'immagine è zero");
    expectRefused(makeBmp({.width = 1, .height = 32768}), "altezza di 32768 pixel");
    expectRefused(makeBmp({.width = 1, .height = -32768}), "altezza di 32768 pixel");
    auto minHeight = makeBmp({.width = 1, .height = 1});
    le::put32(minHeight, 22, 0x80000000u);
    expectRefused(minHeight, "altezza di 2147483648 pixel");
    expectRefused(makeBmp({.bitCount = 24}), "24 bit per pixel");
    expectRefused(makeBmp({.bitCount = 4, .clrUsed = 16}), "4 bit per pixel");
    expectRefused(makeBmp({.compression = 1}), "compressa");
    expectRefused(makeBmp({.clrUsed = 300}), "300 colori");
    expectRefused(makeBmp({.sig0 = 'B', .sig1 = 'A'}), "firma \"BM\"");
    expectRefused(makeBmp({.infoSize = 12}), "OS/2");
    expectRefused(makeBmp({.infoSize = 64}), "OS/2");
    expectRefused(makeBmp({.infoSize = 66}), "66 byte");

    auto shortFile = makeBmp({.width = 6, .height = 5});
    shortFile.pop_back();  // the last row's padding is missing
    expectRefused(shortFile, "troppo corto per le sue righe");

    auto early = makeBmp({.clrUsed = 16});
    le::put32(early, 10, 14 + 40 + 4 * 16 - 1);
    expectRefused(early, "prima della fine della tavolozza");

    expectRefused({}, "firma");
    expectRefused({'B', 'M', 0, 0}, "troppo corto");
    auto headerOnly = makeBmp({});
    headerOnly.resize(40);
    expectRefused(headerOnly, "troppo corto per la sua intestazione");
}

TEST(BitmapReader, refusalsSayWhetherTheFileIsOfAnotherKindOrDamaged) {
    // Another kind of picture, which the colour road may take.
    auto v2 = makeBmp({.infoSize = 52});
    for (const auto& bytes : {makeBmp({.bitCount = 24}), makeBmp({.bitCount = 4, .clrUsed = 16}),
                              makeBmp({.compression = 1}), makeBmp({.infoSize = 12}), makeBmp({.infoSize = 64}),
                              v2, makeBmp({.width = 3001, .height = 2}), makeBmp({.sig0 = 'G', .sig1 = 'I'}),
                              std::vector<std::uint8_t>{}}) {
        const ReadResult r = readBitmap(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.outsideFormat) << r.error;
    }
    // Damaged, or beyond what any road holds.
    auto shortFile = makeBmp({});
    shortFile.pop_back();
    auto early = makeBmp({.clrUsed = 16});
    le::put32(early, 10, 14 + 40 + 4 * 16 - 1);
    auto headerOnly = makeBmp({});
    headerOnly.resize(40);
    for (const auto& bytes : {shortFile, early, headerOnly, makeBmp({.width = 0, .height = 2}),
                              makeBmp({.width = -6, .height = 2}), makeBmp({.width = 6, .height = 0}),
                              makeBmp({.width = 1, .height = 32768}), makeBmp({.clrUsed = 300}),
                              std::vector<std::uint8_t>{'B', 'M', 0, 0}}) {
        const ReadResult r = readBitmap(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.outsideFormat) << r.error;
    }
    EXPECT_FALSE(readBitmap(makeBmp({})).outsideFormat);
    EXPECT_FALSE(readBitmapFile("/no/such/file.bmp").outsideFormat);
}

TEST(BitmapReader, everyTruncationAndHeaderMutationIsHandledSoundly) {
    const auto good = makeBmp({.width = 5, .height = 3, .clrUsed = 20, .gap = 3});
    for (std::size_t n = 0; n < good.size(); ++n) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        ASSERT_FALSE(readBitmap(cut).ok) << n;
    }
    const auto plain = makeBmp({.width = 5, .height = 3});
    for (const auto& base : {good, plain}) {
        for (std::size_t at = 0; at < 54; ++at) {
            for (int v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                auto bytes = base;
                bytes[at] = static_cast<std::uint8_t>(v);
                const ReadResult r = readBitmap(bytes);
                if (r.ok) {
                    ASSERT_EQ(r.image.sourceRows.size(), static_cast<std::size_t>(r.image.fileHeight) + 1);
                    ASSERT_GE(r.image.fileWidth, 1.0);
                    ASSERT_LE(r.image.fileWidth, 3000.0);
                } else {
                    ASSERT_FALSE(r.error.empty());
                }
            }
        }
    }
}

TEST(BitmapReader, readsFilesAndNamesTheReasonWhenItCannot) {
    testing::TempDir dir;
    const auto bytes = makeBmp({.width = 9, .height = -6, .clrUsed = 200});
    testing::writeFile(dir.file("a.bmp"), bytes);
    const ReadResult fromFile = readBitmapFile(dir.file("a.bmp"));
    ASSERT_TRUE(fromFile.ok) << fromFile.error;
    const ReadResult fromMemory = readBitmap(bytes);
    EXPECT_EQ(fromFile.image.bmpHeader, fromMemory.image.bmpHeader);
    EXPECT_EQ(fromFile.image.bmpPalette, fromMemory.image.bmpPalette);
    EXPECT_EQ(fromFile.image.sourceRows, fromMemory.image.sourceRows);
    EXPECT_EQ(fromFile.image.fileLength, fromMemory.image.fileLength);

    const ReadResult missing = readBitmapFile(dir.file("none.bmp"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("none.bmp"), std::string::npos) << missing.error;
    EXPECT_NE(missing.error.find("file o cartella inesistente"), std::string::npos) << missing.error;   // in Italian

    const ReadResult directory = readBitmapFile(dir.file(""));
    EXPECT_FALSE(directory.ok);
    EXPECT_FALSE(directory.error.empty());

    auto cut = bytes;
    cut.resize(cut.size() - 1);
    testing::writeFile(dir.file("cut.bmp"), cut);
    const ReadResult shortFile = readBitmapFile(dir.file("cut.bmp"));
    EXPECT_FALSE(shortFile.ok);
    EXPECT_NE(shortFile.error.find("troppo corto per le sue righe"), std::string::npos);
}

}  // namespace
}  // namespace velta::bitmap

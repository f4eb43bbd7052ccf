#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "bitmap/encoder.h"
#include "util/little_endian.h"

namespace velta::bitmap {
namespace {

// A source header whose every byte differs, so a moved or lost byte shows.
std::array<std::uint8_t, 54> distinctHeader() {
    std::array<std::uint8_t, 54> h{};
    for (std::size_t k = 0; k < h.size(); ++k) h[k] = static_cast<std::uint8_t>(100 + k);
    return h;
}

// Takes `room` bytes, then refuses; counts the writes it was offered.
class FullSink final : public ByteSink {
public:
    explicit FullSink(std::size_t room) : room_(room) {}
    bool write(const std::uint8_t*, std::size_t n) override {
        ++writes;
        if (n > room_) return false;
        room_ -= n;
        return true;
    }
    int writes = 0;

private:
    std::size_t room_;
};

TEST(LittleEndian, storesLowByteFirstAndReadsSignedFields) {
    std::vector<std::uint8_t> b(8, 0xAA);
    le::put32(b, 1, 0x12345678u);
    le::put16(b, 5, 0xBEEF);
    EXPECT_EQ(b, (std::vector<std::uint8_t>{0xAA, 0x78, 0x56, 0x34, 0x12, 0xEF, 0xBE, 0xAA}));
    EXPECT_EQ(le::u32(b, 1), 0x12345678u);
    EXPECT_EQ(le::u16(b, 5), 0xBEEF);
    le::putI32(b, 2, -2);
    EXPECT_EQ(le::u32(b, 2), 0xFFFFFFFEu);
    EXPECT_EQ(le::i32(b, 2), -2);
    le::put32(b, 0, 0x80000000u);
    EXPECT_EQ(le::i32(b, 0), std::numeric_limits<std::int32_t>::min());
}

TEST(BitmapEncoder, encodesAnFInMemoryBottomRowFirstWithZeroPaddingAndTrueSizes) {
    // A 6 x 5 "F": flipped rows, swapped axes or wrong padding all show.
    const std::uint8_t f[5][6] = {{1, 1, 1, 1, 0, 0}, {1, 0, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0},
                                  {1, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 2}};
    std::array<std::uint8_t, 1024> palette{};
    palette[1023] = 7;
    const auto source = distinctHeader();
    VectorSink sink;
    BitmapEncoder encoder;
    ASSERT_TRUE(encoder.begin(sink, source, palette, 6, 5));
    EXPECT_EQ(encoder.rowBytes(), 8u);
    for (int r = 4; r >= 1; --r) ASSERT_TRUE(encoder.writeRow(f[r], 6));
    ASSERT_TRUE(encoder.finish());  // the top row was never written: it is zeros
    const std::vector<std::uint8_t> b = sink.take();

    ASSERT_EQ(b.size(), 1078u + 5u * 8u);
    EXPECT_EQ(le::u32(b, 2), b.size());
    EXPECT_EQ(le::u16(b, 18), 6u);
    EXPECT_EQ(le::u16(b, 22), 5u);
    EXPECT_EQ(le::u32(b, 34), 40u);
    for (std::size_t k : {0u, 1u, 10u, 14u, 20u, 21u, 24u, 25u, 28u, 46u, 53u}) EXPECT_EQ(b[k], source[k]) << k;
    EXPECT_EQ(b[54 + 1023], 7);
    const std::vector<std::uint8_t> rows(b.begin() + 1078, b.end());
    EXPECT_EQ(rows, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 2, 0, 0,  //
                                               1, 0, 0, 0, 0, 0, 0, 0,  //
                                               1, 1, 1, 0, 0, 0, 0, 0,  //
                                               1, 0, 0, 0, 0, 0, 0, 0,  //
                                               0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BitmapEncoder, refusesSidesOutsideSixteenBitsAndRowsPastTheHeight) {
    const std::array<std::uint8_t, 1024> palette{};
    VectorSink sink;
    BitmapEncoder encoder;
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {32768, 1}, {1, 32768}, {-3, 4}})
        EXPECT_FALSE(encoder.begin(sink, distinctHeader(), palette, w, h)) << w << " x " << h;
    EXPECT_TRUE(sink.take().empty());
    EXPECT_FALSE(encoder.writeRow(palette.data(), 1));  // nothing begun

    ASSERT_TRUE(encoder.begin(sink, distinctHeader(), palette, 32767, 1));
    EXPECT_EQ(encoder.rowBytes(), 32768u);
    ASSERT_TRUE(encoder.finish());
    EXPECT_EQ(sink.take().size(), 1078u + 32768u);

    ASSERT_TRUE(encoder.begin(sink, distinctHeader(), palette, 3, 2));
    EXPECT_TRUE(encoder.writeRow(palette.data(), 3));
    EXPECT_TRUE(encoder.writeRow(palette.data(), 3));
    EXPECT_FALSE(encoder.writeRow(palette.data(), 3));
    EXPECT_EQ(encoder.rowsWritten(), 2);
    EXPECT_TRUE(encoder.finish());
    EXPECT_EQ(sink.take().size(), 1078u + 2u * 4u);
}

TEST(BitmapEncoder, stopsAtTheFirstRefusedWriteAndSaysSoAtTheFinish) {
    const std::array<std::uint8_t, 1024> palette{};
    FullSink sink(1078 + 2 * 12);  // header, palette and two rows
    BitmapEncoder encoder;
    ASSERT_TRUE(encoder.begin(sink, distinctHeader(), palette, 10, 6));
    EXPECT_TRUE(encoder.writeRow(palette.data(), 10));
    EXPECT_TRUE(encoder.writeRow(palette.data(), 12));
    EXPECT_FALSE(encoder.writeRow(palette.data(), 10));
    const int offered = sink.writes;
    EXPECT_FALSE(encoder.writeRow(palette.data(), 10));
    EXPECT_FALSE(encoder.finish());
    EXPECT_EQ(sink.writes, offered);  // nothing more goes to a sink that refused
}

TEST(BitmapEncoder, encodesAColourFAsBlueGreenRedBottomRowFirst) {
    // The 6 x 5 "F" in colour: red strokes on white, a blue dot in the bottom right corner. Each
    // pixel's colour differs in every channel from the others, so swapped channels show.
    constexpr std::uint32_t R = 0xFFC01020, W = 0x00F0F1F2, B = 0x80102030;
    const std::uint32_t f[5][6] = {{R, R, R, R, W, W}, {R, W, W, W, W, W}, {R, R, R, W, W, W},
                                   {R, W, W, W, W, W}, {R, W, W, W, W, B}};
    VectorSink sink;
    BitmapEncoder encoder;
    ASSERT_TRUE(encoder.beginColour(sink, 6, 5));
    EXPECT_TRUE(encoder.colour());
    EXPECT_EQ(encoder.rowBytes(), 20u);  // 18 bytes of pixels and 2 of padding
    for (int r = 4; r >= 1; --r) ASSERT_TRUE(encoder.writeColourRow(f[r]));
    ASSERT_TRUE(encoder.writeZeroRows(1));
    EXPECT_FALSE(encoder.writeColourRow(f[0]));  // all five rows are written
    ASSERT_TRUE(encoder.finish());
    const std::vector<std::uint8_t> b = sink.take();

    ASSERT_EQ(b.size(), 54u + 5u * 20u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le::u32(b, 2), b.size());
    EXPECT_EQ(le::u32(b, 6), 0u);
    EXPECT_EQ(le::u32(b, 10), 54u);
    EXPECT_EQ(le::u32(b, 14), 40u);
    EXPECT_EQ(le::i32(b, 18), 6);
    EXPECT_EQ(le::i32(b, 22), 5);  // positive: bottom row first
    EXPECT_EQ(le::u16(b, 26), 1u);
    EXPECT_EQ(le::u16(b, 28), 24u);
    EXPECT_EQ(le::u32(b, 30), 0u);
    EXPECT_EQ(le::u32(b, 34), 100u);
    EXPECT_EQ(le::u32(b, 38), 2835u);
    EXPECT_EQ(le::u32(b, 42), 2835u);
    EXPECT_EQ(le::u32(b, 46), 0u);
    EXPECT_EQ(le::u32(b, 50), 0u);
    // File row i is picture row 4 - i; the last file row (the F's top bar) was written as zeros.
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t x = 0; x < 6; ++x) {
            const std::uint32_t p = f[4 - i][x];
            const std::size_t at = 54 + i * 20 + 3 * x;
            ASSERT_EQ(b[at], p & 0xFF) << i << "," << x;
            ASSERT_EQ(b[at + 1], (p >> 8) & 0xFF) << i << "," << x;
            ASSERT_EQ(b[at + 2], (p >> 16) & 0xFF) << i << "," << x;
        }
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(le::u16(b, 54 + i * 20 + 18), 0u) << i;  // padding
    for (std::size_t k = 54 + 4 * 20; k < b.size(); ++k) EXPECT_EQ(b[k], 0) << k;
}

TEST(BitmapEncoder, colourImagesTakeSixteenBitSidesAndOnlyColourRows) {
    VectorSink sink;
    BitmapEncoder encoder;
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {32768, 1}, {1, 32768}})
        EXPECT_FALSE(encoder.beginColour(sink, w, h)) << w << " x " << h;
    EXPECT_TRUE(sink.take().empty());

    // The widest row: 32767 pixels in 98304 bytes, more than one piece of zeros at a time.
    std::vector<std::uint32_t> row(32767, 0x00ABCDEF);
    ASSERT_TRUE(encoder.beginColour(sink, 32767, 2));
    EXPECT_EQ(encoder.rowBytes(), 98304u);
    ASSERT_TRUE(encoder.writeColourRow(row.data()));
    ASSERT_TRUE(encoder.finish());
    const auto b = sink.take();
    ASSERT_EQ(b.size(), 54u + 2u * 98304u);
    EXPECT_EQ(le::u32(b, 2), b.size());
    EXPECT_EQ(b[54 + 3 * 32766], 0xEF);
    EXPECT_EQ(b[54 + 3 * 32766 + 2], 0xAB);
    EXPECT_EQ(b[54 + 98301], 0);
    EXPECT_EQ(b.back(), 0);

    // The largest picture's sizes still fit the 32-bit fields.
    const auto big = colourHeader(32767, 32767);
    EXPECT_EQ(le::u32(big, 34), 98304u * 32767u);
    EXPECT_EQ(le::u32(big, 2), 54u + 98304u * 32767u);

    // An 8-bit image takes no colour rows.
    const std::array<std::uint8_t, 1024> palette{};
    ASSERT_TRUE(encoder.begin(sink, distinctHeader(), palette, 4, 1));
    EXPECT_FALSE(encoder.colour());
    EXPECT_FALSE(encoder.writeColourRow(row.data()));
    EXPECT_EQ(encoder.rowsWritten(), 0);
}

}  // namespace
}  // namespace velta::bitmap

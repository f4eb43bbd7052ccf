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

}  // namespace
}  // namespace velta::bitmap

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sample/bmp8.h"
#include "ui/recording_window.h"
#include "util/little_endian.h"

using namespace velta;

TEST(WindowModel, startsWithTheDesignTexts) {
    RecordingWindow w;
    EXPECT_EQ(w.title(), "VELTA 3.04");
    EXPECT_EQ(w.text(Ctl::domanda1), "Caricare un'immagine ");
    EXPECT_EQ(w.text(Ctl::Frame1), "COMANDI");
    EXPECT_EQ(w.text(text6(3)), "m3");
    EXPECT_FALSE(w.enabled(Ctl::parametri));
    EXPECT_FALSE(w.visible(Ctl::misura));
    EXPECT_TRUE(w.checked(Ctl::frame_m));
    EXPECT_STREQ(controlName(text6(2)), "Text6(2)");
}

TEST(WindowModel, paletteColoursUseTheBlueGreenRedForm) {
    EXPECT_EQ(paletteColor(12), Color{0x5555FF});   // light red: red in the low byte
    EXPECT_EQ(paletteColor(11), Color{0xFFFF55});   // light cyan
    EXPECT_NE(paletteColor(12), pureRed);           // told apart from the permanent marks
}

namespace {

// A 6 x 5 letter F in palette colour 1 on colour 0, as an 8-bit bitmap stored bottom row first:
// a flipped row or a swapped axis shows at once.
constexpr const char* letterF[] = {"XXXXX.", "X.....", "XXXX..", "X.....", "X....."};

std::string writeLetterF(const std::string& name, int bitsPerPixel = 8) {
    std::array<std::uint8_t, 1024> palette{};
    le::put32(palette, 0, 0x00204080);   // colour 0: red 0x20, green 0x40, blue 0x80
    le::put32(palette, 4, 0x00F0E0D0);   // colour 1: red 0xF0, green 0xE0, blue 0xD0
    std::vector<std::uint8_t> pixels;
    for (const char* row : letterF)
        for (int x = 0; x < 6; ++x) pixels.push_back(row[x] == 'X' ? 1 : 0);
    std::vector<std::uint8_t> b = sample::encodePaletteBitmap(6, 5, palette, pixels);
    b[28] = static_cast<std::uint8_t>(bitsPerPixel);   // another depth: a bitmap the reader refuses
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

}  // namespace

TEST(RecordingSurface, holdsThePixelsOfAnEightBitBitmapTopRowFirst) {
    RecordingSurface s;
    std::string error;
    const std::string path = writeLetterF("velta-window-f.bmp");
    ASSERT_TRUE(s.loadPicture(path, error)) << error;
    ASSERT_EQ(s.pictureWidth(), 6);
    ASSERT_EQ(s.pictureHeight(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(s.pixel(x, y), letterF[y][x] == 'X' ? 0xFFF0E0D0u : 0xFF204080u) << x << "," << y;
    std::filesystem::remove(path);

    // A bitmap the program's reader does not take shows plain white at its header's size.
    const std::string other = writeLetterF("velta-window-f24.bmp", 24);
    ASSERT_TRUE(s.loadPicture(other, error)) << error;
    EXPECT_EQ(s.pictureWidth(), 6);
    EXPECT_EQ(s.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(s.pixel(5, 4), 0xFFFFFFFFu);
    std::filesystem::remove(other);
}

TEST(RecordingSurface, drawsInItsDrawModeAndRefreshRestoresThePicture) {
    RecordingSurface s;
    std::string error;
    const std::string path = writeLetterF("velta-window-modes.bmp");
    ASSERT_TRUE(s.loadPicture(path, error)) << error;
    std::filesystem::remove(path);
    const raster::Picture original = s.canvas();

    s.line(0, 0, 5, 0);   // copy pen, the foreground colour: pure red
    for (int x = 0; x < 6; ++x) EXPECT_EQ(s.pixel(x, 0), 0xFFFF0000u);
    EXPECT_EQ(s.pixel(0, 1), original.pixel(0, 1));

    s.setDrawMode(DrawMode::Invert);
    s.rect(1, 1, 4, 3, Color{0x00FF00});   // the colour does not matter when inverting
    EXPECT_EQ(s.pixel(1, 1), ~original.pixel(1, 1) | 0xFF000000u);
    EXPECT_EQ(s.pixel(2, 2), original.pixel(2, 2));
    s.rect(1, 1, 4, 3);
    EXPECT_EQ(s.pixel(1, 1), original.pixel(1, 1));

    s.setDrawMode(DrawMode::Blackness);
    s.circle(2, 2, 1, Color{0xFFFFFF});
    EXPECT_EQ(s.pixel(3, 2), 0xFF000000u);

    s.refresh();
    EXPECT_TRUE(s.canvas() == original);
    EXPECT_EQ(s.ops.size(), 0u);
    EXPECT_EQ(s.allOps.size(), 4u);
}

// The reader against the BMP Suite corpus: the verdict of every file, and the pixels of the
// accepted ones.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "bitmap/reader.h"
#include "testutils.h"
#include "util/little_endian.h"

namespace velta::bitmap {
namespace {

const std::string kSuite = BMPSUITE_DIR;

// File name -> "accept" or "refuse", from the table in the corpus README.
std::map<std::string, std::string> suiteVerdicts() {
    std::map<std::string, std::string> verdicts;
    std::ifstream in(kSuite + "/README.md");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("| ", 0) != 0 || line.find(".bmp |") == std::string::npos) continue;
        std::vector<std::string> cells;
        std::stringstream ss(line.substr(1));
        std::string cell;
        while (std::getline(ss, cell, '|')) {
            const auto b = cell.find_first_not_of(' ');
            const auto e = cell.find_last_not_of(' ');
            cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
        }
        if (cells.size() >= 11) verdicts[cells[0]] = cells[10];
    }
    return verdicts;
}

ReadResult readSuite(const std::string& name) { return readBitmapFile(kSuite + "/" + name); }

TEST(BitmapSuite, everyFileGetsTheVerdictOfTheTable) {
    const auto verdicts = suiteVerdicts();
    ASSERT_EQ(verdicts.size(), 89u);
    int accepted = 0;
    for (const auto& [name, verdict] : verdicts) {
        ASSERT_TRUE(verdict == "accept" || verdict == "refuse") << name << ": " << verdict;
        const ReadResult r = readSuite(name);
        EXPECT_EQ(r.ok, verdict == "accept") << name << ": " << r.error;
        if (r.ok) {
            ++accepted;
            EXPECT_EQ(r.image.sourceRows.size(), static_cast<std::size_t>(r.image.fileHeight) + 1);
        } else {
            EXPECT_NE(r.error.find("256 colori"), std::string::npos) << name << ": " << r.error;
        }
    }
    EXPECT_EQ(accepted, 13);
}

TEST(BitmapSuite, onlyFilesOfAnotherKindAreLeftToTheColourRoad) {
    // Of the refused files, these are refused for their header's contradictions, not their kind:
    // more palette entries than 8 bits can index.
    const std::set<std::string> damaged = {"b/badpalettesize.bmp", "q/pal8oversizepal.bmp"};
    int outside = 0;
    for (const auto& [name, verdict] : suiteVerdicts()) {
        const ReadResult r = readSuite(name);
        if (verdict == "accept") {
            EXPECT_FALSE(r.outsideFormat) << name;
            continue;
        }
        EXPECT_EQ(r.outsideFormat, damaged.count(name) == 0) << name << ": " << r.error;
        outside += r.outsideFormat;
    }
    EXPECT_EQ(outside, 74);
}

TEST(BitmapSuite, differentEncodingsOfOnePictureGiveTheSameRecords) {
    // These files hold the picture of pal8-0.bmp in other layouts; pal8-0's palette has the same
    // first 252 entries and four black ones after them.
    const ReadResult ref = readSuite("g/pal8-0.bmp");
    ASSERT_TRUE(ref.ok) << ref.error;
    EXPECT_EQ(ref.image.fileWidth, 127.0);
    EXPECT_EQ(ref.image.fileHeight, 64);
    EXPECT_EQ(ref.image.rowPadding, 1);
    for (const char* name : {"g/pal8.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp",
                             "q/pal8offs.bmp", "q/pal8os2v2-40sz.bmp"}) {
        const ReadResult r = readSuite(name);
        ASSERT_TRUE(r.ok) << name << ": " << r.error;
        EXPECT_EQ(r.image.fileWidth, 127.0) << name;
        EXPECT_EQ(r.image.fileHeight, 64) << name;
        EXPECT_EQ(r.image.rowPadding, 1) << name;
        EXPECT_EQ(r.image.bmpPalette, ref.image.bmpPalette) << name;
        for (std::size_t row = 0; row < 64; ++row)
            ASSERT_EQ(0, std::memcmp(r.image.sourceRows[row].data(), ref.image.sourceRows[row].data(), 127))
                << name << " row " << row;
        // The normalised header matches the plain file's in its plain-layout fields.
        for (std::size_t at : {0u, 1u, 2u, 3u, 10u, 11u, 14u, 18u, 22u, 23u, 24u, 25u, 28u, 30u})
            EXPECT_EQ(r.image.bmpHeader[at], ref.image.bmpHeader[at]) << name << " byte " << at;
    }
}

// The palette index of pixel x in row r (from the top) of a bottom-up file, read straight from
// the file's bytes.
std::uint8_t rawPixel(const std::vector<std::uint8_t>& file, int w, int h, int x, int r) {
    const std::size_t offset = std::size_t{le::u16(file, 10)};
    const std::size_t stride = (static_cast<std::size_t>(w) + 3) / 4 * 4;
    return file[offset + static_cast<std::size_t>(h - 1 - r) * stride + static_cast<std::size_t>(x)];
}

TEST(BitmapSuite, rowPaddingFilesAndOutOfPaletteIndicesReadAsStored) {
    const struct { const char* name; int w, h, pad; } cases[] = {
        {"g/pal8w124.bmp", 124, 61, 0},
        {"g/pal8w125.bmp", 125, 62, 3},
        {"g/pal8w126.bmp", 126, 63, 2},
        {"g/pal8nonsquare.bmp", 127, 32, 1},
        {"b/pal8badindex.bmp", 127, 64, 1},
    };
    for (const auto& c : cases) {
        const ReadResult r = readSuite(c.name);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
        EXPECT_EQ(r.image.fileWidth, c.w);
        EXPECT_EQ(r.image.fileHeight, c.h);
        EXPECT_EQ(r.image.rowPadding, c.pad) << c.name;
        const auto file = testing::readFile(kSuite + "/" + c.name);
        for (int row = 0; row < c.h; ++row)
            for (int x = 0; x < c.w; ++x)
                ASSERT_EQ(r.image.sourceRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(x)],
                          rawPixel(file, c.w, c.h, x, row))
                    << c.name << " " << x << "," << row;
    }
    // Indices past the 101-entry palette are kept as they are.
    const ReadResult bad = readSuite("b/pal8badindex.bmp");
    std::uint8_t highest = 0;
    for (std::size_t row = 0; row < 64; ++row)
        for (std::size_t x = 0; x < 127; ++x) highest = std::max(highest, bad.image.sourceRows[row][x]);
    EXPECT_GE(highest, 101);
}

}  // namespace
}  // namespace velta::bitmap

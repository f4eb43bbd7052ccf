#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "bitmap/encoder.h"
#include "bitmap/reader.h"
#include "bitmap/writer.h"
#include "testutils.h"
#include "util/little_endian.h"

namespace velta::bitmap {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// A source header whose every byte differs, so a moved or lost byte shows.
std::array<std::uint8_t, 54> distinctHeader() {
    std::array<std::uint8_t, 54> h{};
    for (std::size_t k = 0; k < h.size(); ++k) h[k] = static_cast<std::uint8_t>(100 + k);
    return h;
}

std::array<std::uint8_t, 1024> somePalette() {
    std::array<std::uint8_t, 1024> p{};
    for (std::size_t k = 0; k < p.size(); ++k) p[k] = static_cast<std::uint8_t>(k * 3 + 1);
    return p;
}

// H records from the top, every byte of the 3000 set, row r starting at value r.
std::vector<RowRecord> someRows(int h) {
    std::vector<RowRecord> rows(static_cast<std::size_t>(h));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t k = 0; k < rows[r].size(); ++k)
            rows[r][k] = static_cast<std::uint8_t>((r * 17 + k * 5 + r * k) % 256);
    return rows;
}

TEST(BitmapWriter, writesRowsBottomFirstPaddedToFourBytes) {
    TempDir dir;
    const auto palette = somePalette();
    for (int w : {5, 6, 8, 640, 641, 3000}) {
        const int h = 3;
        const std::size_t stride = static_cast<std::size_t>(w + (4 - w % 4) % 4);
        const auto rows = someRows(h);
        std::string error;
        const std::string path = dir.file("w" + std::to_string(w) + ".bmp");
        ASSERT_TRUE(writeBitmap(path, distinctHeader(), palette, w, rows, error)) << error;
        const auto file = testing::readFile(path);
        ASSERT_EQ(file.size(), 1078 + h * stride) << w;
        EXPECT_EQ(0, std::memcmp(&file[54], palette.data(), 1024));
        for (std::size_t i = 0; i < static_cast<std::size_t>(h); ++i)
            EXPECT_EQ(0, std::memcmp(&file[1078 + i * stride], rows[2 - i].data(), stride))
                << "w " << w << " file row " << i;
    }
}

TEST(BitmapWriter, headerKeepsTheSourceBytesExceptSizes) {
    TempDir dir;
    const auto source = distinctHeader();
    std::string error;
    ASSERT_TRUE(writeBitmap(dir.file("a.bmp"), source, somePalette(), 300, someRows(200), error)) << error;
    const auto file = testing::readFile(dir.file("a.bmp"));
    ASSERT_EQ(file.size(), 61078u);
    EXPECT_EQ(file[18], 44);
    EXPECT_EQ(file[19], 1);
    EXPECT_EQ(file[22], 200);
    EXPECT_EQ(file[23], 0);
    EXPECT_EQ(le::u32(file, 2), 61078u);
    EXPECT_EQ(le::u32(file, 34), 60000u);
    for (std::size_t k = 0; k < 54; ++k) {
        if ((k >= 2 && k <= 5) || (k >= 34 && k <= 37) || k == 18 || k == 19 || k == 22 || k == 23)
            continue;
        EXPECT_EQ(file[k], source[k]) << "byte " << k;  // 20, 21, 24 and 25 among them
    }
    const auto expected = outputHeader(source, 300, 200);
    EXPECT_EQ(0, std::memcmp(expected.data(), file.data(), 54));
}

TEST(BitmapWriter, writtenFileReadsBackAsTheSameImage) {
    TempDir dir;
    // A plain source file with a small palette normalised on reading, then written and read.
    const ReadResult source = readBitmap(testing::makeBmp({.width = 9, .height = 4, .clrUsed = 40}));
    ASSERT_TRUE(source.ok);
    for (int w : {641, 3000}) {
        const int h = 7;
        const auto rows = someRows(h);
        std::string error;
        const std::string path = dir.file("back.bmp");
        ASSERT_TRUE(writeBitmap(path, source.image.bmpHeader, source.image.bmpPalette, w, rows, error));
        const ReadResult back = readBitmapFile(path);
        ASSERT_TRUE(back.ok) << back.error;
        EXPECT_EQ(back.image.fileWidth, w);
        EXPECT_EQ(back.image.fileHeight, h);
        EXPECT_EQ(back.image.rowPadding, (4 - w % 4) % 4);
        EXPECT_EQ(back.image.bmpPalette, source.image.bmpPalette);
        for (std::size_t r = 0; r < rows.size(); ++r)
            ASSERT_EQ(0, std::memcmp(back.image.sourceRows[r].data(), rows[r].data(), static_cast<std::size_t>(w)))
                << "w " << w << " row " << r;
    }
}

TEST(BitmapWriter, streamsRowsAcrossTheBufferAndPadsAStoppedImageWithZeros) {
    TempDir dir;
    const auto rows = someRows(400);  // 3000 x 400 fills more than one buffer
    BitmapWriter writer;
    std::string error;
    ASSERT_TRUE(writer.begin(dir.file("s.bmp"), distinctHeader(), somePalette(), 3000, 400, error));
    EXPECT_TRUE(writer.isOpen());
    for (int i = 0; i < 250; ++i) ASSERT_TRUE(writer.writeRow(rows[static_cast<std::size_t>(399 - i)]));
    ASSERT_TRUE(writer.writeZeroRows(100));
    EXPECT_EQ(writer.rowsWritten(), 350);
    ASSERT_TRUE(writer.end(error)) << error;  // the last 50 rows are zeros too
    EXPECT_FALSE(writer.isOpen());
    const auto file = testing::readFile(dir.file("s.bmp"));
    ASSERT_EQ(file.size(), 1078u + 400u * 3000u);
    EXPECT_EQ(0, std::memcmp(&file[1078 + 249 * 3000], rows[150].data(), 3000));
    for (std::size_t k = 1078 + 250 * 3000; k < file.size(); ++k) ASSERT_EQ(file[k], 0) << k;

    // More rows than the header promises are refused, and the end says so.
    ASSERT_TRUE(writer.begin(dir.file("t.bmp"), distinctHeader(), somePalette(), 5, 2, error));
    EXPECT_TRUE(writer.writeZeroRows(5));
    EXPECT_EQ(writer.rowsWritten(), 2);
    EXPECT_FALSE(writer.writeRow(rows[0]));
    EXPECT_FALSE(writer.end(error));
    EXPECT_NE(error.find("t.bmp"), std::string::npos) << error;
    EXPECT_EQ(testing::readFile(dir.file("t.bmp")).size(), 1078u + 2u * 8u);
}

TEST(BitmapWriter, refusesSizesOutsideTheFormatAndReportsFailedFiles) {
    TempDir dir;
    BitmapWriter writer;
    std::string error;
    for (auto [w, h] : {std::pair{0, 1}, {3001, 1}, {1, 0}, {1, 32768}, {-5, 10}}) {
        error.clear();
        EXPECT_FALSE(writer.begin(dir.file("x.bmp"), distinctHeader(), somePalette(), w, h, error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(std::filesystem::exists(dir.file("x.bmp")));
    }
    EXPECT_FALSE(writeBitmap(dir.file("x.bmp"), distinctHeader(), somePalette(), 10, {}, error));
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.bmp")));

    const std::string missingDir = dir.file("no/such/dir.bmp");
    EXPECT_FALSE(writer.begin(missingDir, distinctHeader(), somePalette(), 10, 10, error));
    EXPECT_NE(error.find(missingDir), std::string::npos) << error;
    EXPECT_FALSE(writer.end(error));

}

TEST(BitmapWriter, makesTheFileAnewInsteadOfWritingThroughWhatStandsUnderItsName) {
    TempDir dir;
    const std::vector<std::uint8_t> precious = {1, 2, 3};
    testing::writeFile(dir.file("precious.bmp"), precious);
    const std::string path = dir.file("velta.bmp");
    std::string error;
    auto write = [&] { return writeBitmap(path, distinctHeader(), somePalette(), 8, someRows(2), error); };

    // A link to another file: the link goes, the file it led to stays as it was.
    fs::create_symlink(dir.file("precious.bmp"), path);
    ASSERT_TRUE(write()) << error;
    EXPECT_EQ(testing::readFile(dir.file("precious.bmp")), precious);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
    EXPECT_EQ(testing::readFile(path).size(), 1078u + 2u * 8u);

    // A second name of the old file, and a link to a place where nothing is yet.
    fs::create_hard_link(path, dir.file("kept.bmp"));
    const auto kept = testing::readFile(dir.file("kept.bmp"));
    fs::remove(path);
    fs::create_symlink(dir.file("elsewhere.bmp"), path);
    ASSERT_TRUE(write()) << error;
    EXPECT_FALSE(fs::exists(dir.file("elsewhere.bmp")));
    ASSERT_TRUE(write()) << error;
    EXPECT_EQ(testing::readFile(dir.file("kept.bmp")), kept);
    EXPECT_EQ(fs::hard_link_count(path), 1u);

    // Something that is not a file under the name is left alone, and said so.
    fs::remove(path);
    fs::create_directory(path);
    testing::writeFile(dir.file("velta.bmp/inside"), precious);
    EXPECT_FALSE(write());
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(testing::readFile(dir.file("velta.bmp/inside")), precious);
}

TEST(BitmapWriter, aFileCutShortByAFailedWriteIsRemovedAndTheReasonIsItalian) {
    TempDir dir;
    const std::string path = dir.file("velta.bmp");
    std::string error;
    {
        velta::testing::FileSizeLimit limit(5000);   // the header and a row or so fit
        EXPECT_FALSE(writeBitmap(path, distinctHeader(), somePalette(), 3000, someRows(20), error));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("file troppo grande ("), std::string::npos) << error;
}

TEST(BitmapWriter, writesAColourFileByteForByteAsTheEncoderAndReplacesALink) {
    // The 6 x 5 "F", each stroke pixel its own colour so that swapped rows or columns show.
    std::vector<std::uint32_t> f(30, 0x00FFFFFF);
    for (std::uint32_t k = 0; k < 4; ++k) f[k] = 0x00100000u * (k + 1) + 0x0305;  // top bar
    for (std::uint32_t r = 1; r < 5; ++r) f[6 * r] = 0x00000100u * (r + 9);          // stem
    f[12] = 0x00ABCDEF;
    f[13] = 0x00123456;
    f[29] = 0x000000FF;                                                           // bottom right
    VectorSink expected;
    BitmapEncoder encoder;
    ASSERT_TRUE(encoder.beginColour(expected, 6, 5));
    for (int r = 4; r >= 0; --r) ASSERT_TRUE(encoder.writeColourRow(&f[static_cast<std::size_t>(6 * r)]));
    ASSERT_TRUE(encoder.finish());

    TempDir dir;
    testing::writeFile(dir.file("precious.bmp"), {1, 2, 3});
    const std::string path = dir.file("colour.bmp");
    fs::create_symlink(dir.file("precious.bmp"), path);
    BitmapWriter writer;
    std::string error;
    ASSERT_TRUE(writer.beginColour(path, 6, 5, error)) << error;
    for (int r = 4; r >= 0; --r) ASSERT_TRUE(writer.writeColourRow(&f[static_cast<std::size_t>(6 * r)]));
    EXPECT_FALSE(writer.writeColourRow(f.data()));  // a sixth row
    EXPECT_FALSE(writer.end(error));
    EXPECT_NE(error.find("5 righe"), std::string::npos) << error;
    const auto file = testing::readFile(path);
    EXPECT_EQ(file, expected.take());
    EXPECT_EQ(file[54 + 4 * 20 + 3 * 2 + 2], 0x30);  // the top bar's third pixel, red, in the last file row
    EXPECT_EQ(testing::readFile(dir.file("precious.bmp")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs::is_symlink(path));
}

TEST(BitmapWriter, colourFilesAreUpTo32767WideAndTakeOnlyColourRows) {
    TempDir dir;
    BitmapWriter writer;
    std::string error;
    for (auto [w, h] : {std::pair{0, 1}, {32768, 1}, {1, 0}, {1, 32768}}) {
        error.clear();
        EXPECT_FALSE(writer.beginColour(dir.file("x.bmp"), w, h, error)) << w << " x " << h;
        EXPECT_NE(error.find("32767"), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(dir.file("x.bmp")));
    }

    // Wider than the plain format; rows begun, the rest of the picture left to end() as zeros.
    const std::vector<std::uint32_t> row(5000, 0x00010203);
    ASSERT_TRUE(writer.beginColour(dir.file("wide.bmp"), 5000, 300, error)) << error;
    EXPECT_FALSE(writer.writeRow(RowRecord{}));  // an 8-bit row does not fit a colour file
    ASSERT_TRUE(writer.writeColourRow(row.data()));
    ASSERT_TRUE(writer.writeZeroRows(100));
    EXPECT_EQ(writer.rowsWritten(), 101);
    EXPECT_FALSE(writer.end(error));  // the refused 8-bit row is reported
    EXPECT_NE(error.find("24 bit"), std::string::npos) << error;
    auto file = testing::readFile(dir.file("wide.bmp"));
    ASSERT_EQ(file.size(), 54u + 300u * 15000u);
    EXPECT_EQ(file[54], 3);
    EXPECT_EQ(file[54 + 15000], 0);
    EXPECT_EQ(file.back(), 0);

    // An 8-bit file does not take colour rows; the writer then begins a colour file anew.
    ASSERT_TRUE(writer.begin(dir.file("plain.bmp"), distinctHeader(), somePalette(), 4, 2, error));
    EXPECT_FALSE(writer.writeColourRow(row.data()));
    EXPECT_FALSE(writer.end(error));
    ASSERT_TRUE(writer.beginColour(dir.file("wide.bmp"), 3, 1, error)) << error;
    ASSERT_TRUE(writer.end(error)) << error;
    EXPECT_EQ(testing::readFile(dir.file("wide.bmp")).size(), 54u + 12u);

    // A file cut short by a failed write is removed.
    {
        velta::testing::FileSizeLimit limit(50000);
        ASSERT_TRUE(writer.beginColour(dir.file("cut.bmp"), 20000, 10, error)) << error;
        for (int r = 0; r < 10; ++r) writer.writeZeroRows(1);
        EXPECT_FALSE(writer.end(error));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file("cut.bmp"))));
    EXPECT_NE(error.find("file troppo grande ("), std::string::npos) << error;
}

// The same on a disk that really fills up: a small file system of its own, mounted where only
// a child process sees it. Needs the right to mount (root in a container that allows it).
TEST(BitmapWriter, aFullDiskLeavesNoFileAndSaysDiscoPieno) {
    TempDir dir;
    const std::string mountPoint = dir.file("");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        auto report = [&](const std::string& text, int code) {
            const ssize_t n = ::write(pipeEnds[1], text.data(), text.size());
            ::_exit(n < 0 ? 3 : code);
        };
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            report("no mount", 77);
        const std::string path = mountPoint + "/velta.bmp";
        std::string error;
        const bool written = writeBitmap(path, distinctHeader(), somePalette(), 3000, someRows(100), error);
        report(error + (written ? " [written]" : "") + (::access(path.c_str(), F_OK) == 0 ? " [left behind]" : ""), 0);
    }
    ::close(pipeEnds[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no right to mount a small file system here";
    EXPECT_NE(said.find("disco pieno (" + std::string(std::strerror(ENOSPC)) + ")"), std::string::npos) << said;
    EXPECT_EQ(said.find("[written]"), std::string::npos) << said;
    EXPECT_EQ(said.find("[left behind]"), std::string::npos) << said;
}

}  // namespace
}  // namespace velta::bitmap

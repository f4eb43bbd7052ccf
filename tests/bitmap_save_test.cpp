#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "bitmap/save.h"
#include "testutils.h"

namespace velta::bitmap {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

TEST(BitmapSave, appendsTheExtensionUnlessTheNameEndsInBmpOrBMP) {
    EXPECT_EQ(withBmpExtension("facciata"), "facciata.BMP");
    EXPECT_EQ(withBmpExtension("facciata.bmp"), "facciata.bmp");
    EXPECT_EQ(withBmpExtension("facciata.BMP"), "facciata.BMP");
    EXPECT_EQ(withBmpExtension("facciata.Bmp"), "facciata.Bmp.BMP");
    EXPECT_EQ(withBmpExtension("facciata.bMP"), "facciata.bMP.BMP");
    EXPECT_EQ(withBmpExtension("/tmp/a.b/bmp"), "/tmp/a.b/bmp.BMP");
    EXPECT_EQ(withBmpExtension(".bmp"), ".bmp");
    EXPECT_EQ(withBmpExtension("mp"), "mp.BMP");
    EXPECT_EQ(withBmpExtension(""), ".BMP");
}

TEST(BitmapSave, onlyANameThatEndsInAFileNameNamesAFile) {
    for (const char* name : {"a", "/tmp/a.bmp", "dir/.hidden", "...", "a.", "/tmp/x/..bmp"}) EXPECT_TRUE(namesAFile(name)) << name;
    for (const char* name : {"", "/", "/tmp/", "dir/", ".", "..", "/tmp/.", "/tmp/.."}) EXPECT_FALSE(namesAFile(name)) << name;
}

TEST(BitmapSave, aLinkUnderTheChosenNameIsReplacedNotFollowed) {
    TempDir dir;
    const std::vector<std::uint8_t> image = {1, 2, 3}, other = {4, 5};
    testing::writeFile(dir.file("other.bmp"), other);
    std::string error;
    for (const bool copying : {false, true}) {
        SCOPED_TRACE(copying);
        testing::writeFile(dir.file("velta.bmp"), image);
        fs::remove(dir.file("out.bmp"));
        fs::create_symlink(dir.file("other.bmp"), dir.file("out.bmp"));
        ASSERT_TRUE(copying ? moveByCopying(dir.file("velta.bmp"), dir.file("out.bmp"), error)
                            : moveFile(dir.file("velta.bmp"), dir.file("out.bmp"), error))
            << error;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.file("out.bmp"))));
        EXPECT_EQ(testing::readFile(dir.file("out.bmp")), image);
        EXPECT_EQ(testing::readFile(dir.file("other.bmp")), other);
    }
}

TEST(BitmapSave, moveFileRenamesAndReplacesAnExistingTarget) {
    TempDir dir;
    const std::vector<std::uint8_t> image = {1, 2, 3, 4, 5};
    testing::writeFile(dir.file("velta.bmp"), image);
    testing::writeFile(dir.file("old.BMP"), {9, 9});
    std::string error;
    ASSERT_TRUE(moveFile(dir.file("velta.bmp"), dir.file("old.BMP"), error)) << error;
    EXPECT_FALSE(fs::exists(dir.file("velta.bmp")));
    EXPECT_EQ(testing::readFile(dir.file("old.BMP")), image);

    // A second move finds no working file: an error, and nothing is created.
    EXPECT_FALSE(moveFile(dir.file("velta.bmp"), dir.file("new.BMP"), error));
    EXPECT_NE(error.find("non esiste"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.file("new.BMP")));
}

TEST(BitmapSave, failedMoveKeepsTheSource) {
    TempDir dir;
    const std::vector<std::uint8_t> image = {7, 8, 9};
    testing::writeFile(dir.file("velta.bmp"), image);
    std::string error;
    EXPECT_FALSE(moveFile(dir.file("velta.bmp"), dir.file("missing/a.BMP"), error));
    EXPECT_NE(error.find("missing/a.BMP"), std::string::npos) << error;
    EXPECT_EQ(testing::readFile(dir.file("velta.bmp")), image);

    error.clear();
    EXPECT_FALSE(moveByCopying(dir.file("velta.bmp"), dir.file("missing/a.BMP"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(testing::readFile(dir.file("velta.bmp")), image);

    // A directory in the way of the copy: the half-made copy is removed again.
    fs::create_directory(dir.file("taken.BMP"));
    fs::create_directory(dir.file("taken.BMP/inside"));
    EXPECT_FALSE(moveByCopying(dir.file("velta.bmp"), dir.file("taken.BMP"), error));
    EXPECT_EQ(testing::readFile(dir.file("velta.bmp")), image);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.file(""))) ++entries;
    EXPECT_EQ(entries, 2);  // velta.bmp and taken.BMP, no leftover copy
}

TEST(BitmapSave, copyingMoveReplacesTheTargetAndRemovesTheSource) {
    TempDir dir;
    std::vector<std::uint8_t> image((1u << 20) + 4321);  // more than one copy buffer
    for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>(k * 7 % 253);
    testing::writeFile(dir.file("velta.bmp"), image);
    testing::writeFile(dir.file("out.bmp"), {1});
    std::string error;
    ASSERT_TRUE(moveByCopying(dir.file("velta.bmp"), dir.file("out.bmp"), error)) << error;
    EXPECT_FALSE(fs::exists(dir.file("velta.bmp")));
    EXPECT_EQ(testing::readFile(dir.file("out.bmp")), image);
}

TEST(BitmapSave, moveFileCrossesFileSystems) {
    // Only where a second file system is at hand: /dev/shm is usually one.
    TempDir dir;
    struct stat a {}, b {};
    if (::stat(dir.file("").c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second file system";
    const std::string shm = "/dev/shm/velta-bitmap-move-" + std::to_string(::getpid()) + ".bmp";
    testing::writeFile(shm, {4, 3, 2, 1});
    std::string error;
    const bool ok = moveFile(shm, dir.file("moved.bmp"), error);
    std::error_code ec;
    fs::remove(shm, ec);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(testing::readFile(dir.file("moved.bmp")), (std::vector<std::uint8_t>{4, 3, 2, 1}));
}

}  // namespace
}  // namespace velta::bitmap

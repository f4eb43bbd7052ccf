// Writing through a temporary file: the target is replaced whole or not at all, and nothing is
// left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/safe_write.h"
#include "testutils.h"

namespace velta::bitmap {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', '!'};

// A filler that writes kNew by path, as the platform's image writer does, and notes the path.
FileFiller writesNew(std::string& seen) {
    return [&seen](const std::string& temp, std::string&) {
        seen = temp;
        return fs::exists(temp) && fs::file_size(temp) == 0 && testing::writeFile(temp, kNew);
    };
}

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(SafeWrite, replacesTheTargetThroughANewFileInItsFolder) {
    TempDir dir;
    const std::string target = dir.file("picture.png");
    ASSERT_TRUE(testing::writeFile(target, kOld));
    const mode_t oldMask = ::umask(022);
    std::string seen, error;
    const bool ok = safeWrite(target, writesNew(seen), error);
    ::umask(oldMask);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(testing::readFile(target), kNew);
    EXPECT_EQ(fs::path(seen).parent_path(), dir.path());
    EXPECT_NE(seen, target);
    EXPECT_EQ(entries(dir.path()), 1u);  // the temporary file became the target
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    // A new target in the current folder, given without a folder.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    const bool bare = safeWrite("bare.png", writesNew(seen), error);
    fs::current_path(cwd);
    EXPECT_TRUE(bare) << error;
    EXPECT_EQ(testing::readFile(dir.file("bare.png")), kNew);
}

TEST(SafeWrite, aLinkAtTheTargetIsReplacedNotFollowed) {
    TempDir dir;
    ASSERT_TRUE(testing::writeFile(dir.file("elsewhere.png"), kOld));
    fs::create_symlink(dir.file("elsewhere.png"), dir.file("link.png"));
    std::string seen, error;
    ASSERT_TRUE(safeWrite(dir.file("link.png"), writesNew(seen), error)) << error;
    EXPECT_FALSE(fs::is_symlink(dir.file("link.png")));
    EXPECT_EQ(testing::readFile(dir.file("link.png")), kNew);
    EXPECT_EQ(testing::readFile(dir.file("elsewhere.png")), kOld);
}

TEST(SafeWrite, aFailureLeavesTheTargetAsItWasAndNoTemporaryFile) {
    TempDir dir;
    const std::string target = dir.file("picture.png");
    ASSERT_TRUE(testing::writeFile(target, kOld));

    // The filler writes half a file, then fails with its reason.
    std::string error;
    const auto halfThenFail = [](const std::string& temp, std::string& why) {
        testing::writeFile(temp, {'h', 'a'});
        why = "codifica non riuscita";
        return false;
    };
    EXPECT_FALSE(safeWrite(target, halfThenFail, error));
    EXPECT_NE(error.find("picture.png"), std::string::npos) << error;
    EXPECT_NE(error.find("codifica non riuscita"), std::string::npos) << error;
    EXPECT_EQ(testing::readFile(target), kOld);
    EXPECT_EQ(entries(dir.path()), 1u);

    // A filler that fails without a reason still gets one; the target is a folder: the rename
    // fails and says so.
    error.clear();
    EXPECT_FALSE(safeWrite(target, [](const std::string&, std::string&) { return false; }, error));
    EXPECT_FALSE(error.empty());
    fs::create_directory(dir.file("folder.png"));
    std::string seen;
    EXPECT_FALSE(safeWrite(dir.file("folder.png"), writesNew(seen), error));
    EXPECT_NE(error.find("è una cartella"), std::string::npos) << error;
    EXPECT_EQ(entries(dir.path()), 2u);
    EXPECT_EQ(testing::readFile(target), kOld);
}

TEST(SafeWrite, aMissingFolderIsReportedInItalianWithoutCallingTheFiller) {
    TempDir dir;
    bool called = false;
    std::string error;
    EXPECT_FALSE(safeWrite(dir.file("none/picture.png"),
                           [&called](const std::string&, std::string&) { return called = true; }, error));
    EXPECT_FALSE(called);
    EXPECT_NE(error.find("none/picture.png"), std::string::npos) << error;
    EXPECT_NE(error.find("file o cartella inesistente"), std::string::npos) << error;
}

}  // namespace
}  // namespace velta::bitmap

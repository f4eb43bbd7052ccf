// The save command through the recording window: the working file moved to the chosen name,
// the extension rule, an existing target, a failing move, and nothing to save.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testutils.h"

using namespace velta;
using velta::testing::readFile;
using velta::testing::HandlerTest;

namespace fs = std::filesystem;

namespace {

class HandlersSave : public HandlerTest {
protected:
    void SetUp() override {
        rectifyFacade();
        ASSERT_TRUE(fs::exists(app.workingFile()));
        image = readFile(app.workingFile());
    }

    // Another rectification of the same area: the working file is new again.
    void rectifyAgain() {
        ALTRA1(app);
        RADDR1(app);
        ASSERT_TRUE(fs::exists(app.workingFile()));
    }

    void save(const std::string& name) {
        w.saveAnswers.push_back(name);
        saveClick(app);
    }

    std::string in(const std::string& name) const { return (dir / name).string(); }

    std::vector<std::uint8_t> image;
};

TEST_F(HandlersSave, movesTheWorkingFileAndAddsTheExtensionWhereNeeded) {
    save(in("front"));
    ASSERT_EQ(w.saveDirs, std::vector<std::string>{app.dataDir});
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(app.s.saveFileName, in("front.BMP"));
    EXPECT_EQ(readFile(in("front.BMP")), image);
    EXPECT_FALSE(fs::exists(app.workingFile()));
    EXPECT_FALSE(fs::exists(in("front")));

    struct Case {
        const char *typed, *saved;
    };
    for (const Case c : {Case{"a.bmp", "a.bmp"}, Case{"b.BMP", "b.BMP"}, Case{"c.Bmp", "c.Bmp.BMP"},
                         Case{"d.bmpx", "d.bmpx.BMP"}, Case{"e.jpg", "e.jpg.BMP"}}) {
        SCOPED_TRACE(c.typed);
        rectifyAgain();
        save(in(c.typed));
        EXPECT_TRUE(fs::exists(in(c.saved)));
        EXPECT_FALSE(fs::exists(app.workingFile()));
        if (std::string(c.typed) != c.saved) {
            EXPECT_FALSE(fs::exists(in(c.typed)));
        }
    }
    EXPECT_TRUE(w.messages.empty());
}

TEST_F(HandlersSave, refusesWhenThereIsNoFreshWorkingFile) {
    save(in("first.bmp"));
    ASSERT_TRUE(fs::exists(in("first.bmp")));
    // Already saved: said so, no dialog, nothing moves.
    save(in("second.bmp"));
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_NE(w.messages[0].text.find(app.workingFile()), std::string::npos);
    EXPECT_EQ(w.saveDirs.size(), 1u);
    EXPECT_FALSE(fs::exists(in("second.bmp")));
    EXPECT_EQ(readFile(in("first.bmp")), image);

    // A working file this run did not write (left from another run) is not saved either.
    fs::copy_file(in("first.bmp"), app.workingFile());
    save(in("stale.bmp"));
    EXPECT_EQ(w.messages.size(), 2u);
    EXPECT_FALSE(fs::exists(in("stale.bmp")));
    EXPECT_TRUE(fs::exists(app.workingFile()));
}

using HandlersSaveUnrectified = HandlerTest;

TEST_F(HandlersSaveUnrectified, nothingToSaveBeforeAnyRectification) {
    openImage(makeBitmap(60, 40));
    ASSERT_TRUE(w.enabled(Ctl::save));
    w.saveAnswers.push_back((dir / "none.bmp").string());
    saveClick(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_TRUE(w.saveDirs.empty());
    EXPECT_FALSE(fs::exists(dir / "none.bmp"));
}

TEST_F(HandlersSave, aCancelledDialogKeepsTheWorkingFileForLater) {
    saveClick(app);   // no answer: cancelled
    EXPECT_EQ(w.saveDirs.size(), 1u);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(readFile(app.workingFile()), image);
    save("*.bmp");   // the pattern left in the name box
    EXPECT_EQ(readFile(app.workingFile()), image);
    save(in("later.bmp"));
    EXPECT_EQ(readFile(in("later.bmp")), image);
}

TEST_F(HandlersSave, asksBeforeReplacingAFileOfTheFinalName) {
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    {
        std::ofstream(in("taken.BMP"), std::ios::binary).write("old", 3);
    }
    // Typed without the extension: the question is about the name with it.
    w.boxAnswers.push_back(Answer::No);
    save(in("taken"));
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Question);
    EXPECT_EQ(w.messages[0].buttons, Buttons::YesNo);
    EXPECT_NE(w.messages[0].text.find(in("taken.BMP")), std::string::npos);
    // No: both files stay, and the image can still be saved.
    EXPECT_EQ(readFile(in("taken.BMP")), old);
    EXPECT_EQ(readFile(app.workingFile()), image);

    w.boxAnswers.push_back(Answer::Yes);
    save(in("taken"));
    EXPECT_EQ(w.messages.size(), 2u);
    EXPECT_EQ(readFile(in("taken.BMP")), image);
    EXPECT_FALSE(fs::exists(app.workingFile()));
}

TEST_F(HandlersSave, aFailingMoveKeepsTheWorkingFile) {
    const std::string target = in("no/such/dir/front.bmp");
    save(target);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_NE(w.messages[0].text.find(target), std::string::npos);
    EXPECT_NE(w.messages[0].text.find(app.workingFile()), std::string::npos);
    EXPECT_EQ(readFile(app.workingFile()), image);
    EXPECT_FALSE(fs::exists(target));
    // Still the image to save.
    save(in("front.bmp"));
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(readFile(in("front.bmp")), image);
}

TEST_F(HandlersSave, aFolderNameIsRefusedInsteadOfSavingAHiddenFileInIt) {
    fs::create_directory(in("sub"));
    for (const std::string& name : {in("sub/"), in("sub/."), in("sub/.."), std::string("/")}) {
        SCOPED_TRACE(name);
        const std::size_t shown = w.messages.size();
        save(name);
        ASSERT_EQ(w.messages.size(), shown + 1);
        EXPECT_EQ(w.messages.back().icon, Icon::Critical);
        EXPECT_NE(w.messages.back().text.find("cartella"), std::string::npos) << w.messages.back().text;
        EXPECT_EQ(readFile(app.workingFile()), image);
    }
    EXPECT_FALSE(fs::exists(in("sub/.BMP")));
    EXPECT_FALSE(fs::exists(in("sub/..BMP")));
    EXPECT_FALSE(fs::exists(in("sub/...BMP")));
    // The image is still there to save under a file's name.
    save(in("sub/front"));
    EXPECT_EQ(readFile(in("sub/front.BMP")), image);
}

TEST_F(HandlersSave, theWorkingFileItselfIsNoPlaceToKeepTheImage) {
    save(app.workingFile());
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_EQ(readFile(app.workingFile()), image);
    // Still unsaved: another name takes it.
    save(in("kept.bmp"));
    EXPECT_EQ(readFile(in("kept.bmp")), image);
}

}  // namespace

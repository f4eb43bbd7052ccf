// The working file on the road of a rectification: made anew under the name the program was
// given at start-up, never written through a link, never left behind cut short, and refused
// outright in a data directory that others could tamper with.
#include <filesystem>
#include <string>
#include <vector>

#include "testutils.h"

using namespace velta;
using velta::testing::readFile;
using velta::testing::HandlerTest;

namespace fs = std::filesystem;

namespace {

class HandlersWorkingFile : public HandlerTest {
protected:
    void readyToRectify() {
        openFacadeWithLines();
        markArea(300, 200, 420, 300);
    }

    // Everything a user sees of the controls, one text per control.
    std::vector<std::string> controls() const {
        std::vector<std::string> all;
        for (int c = 0; c < controlCount; ++c) {
            const ControlState& k = w.control(static_cast<Ctl>(c));
            all.push_back(k.text + "|" + k.toolTip + "|" + std::to_string(k.enabled) + std::to_string(k.visible) +
                          std::to_string(k.checked));
        }
        return all;
    }

    std::string in(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(HandlersWorkingFile, aLinkInPlaceOfTheWorkingFileIsReplacedNotWrittenThrough) {
    const std::vector<std::uint8_t> precious = {'k', 'e', 'e', 'p'};
    {
        std::ofstream(in("precious.bmp"), std::ios::binary).write("keep", 4);
    }
    readyToRectify();
    fs::create_symlink(in("precious.bmp"), app.workingFile());
    RADDR1(app);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_EQ(readFile(in("precious.bmp")), precious);
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(app.workingFile())));
    const auto image = readFile(app.workingFile());
    EXPECT_EQ(image.size(), 1078 + static_cast<std::size_t>(app.s.frame.rectHeight) *
                                       ((static_cast<std::size_t>(app.s.frame.rectWidth) + 3) / 4 * 4));

    w.saveAnswers.push_back(in("front.bmp"));
    saveClick(app);
    EXPECT_EQ(readFile(in("front.bmp")), image);
    EXPECT_EQ(readFile(in("precious.bmp")), precious);
}

TEST_F(HandlersWorkingFile, anUnsafeDataDirectoryRefusesTheFirstPressAndNothingElseChanges) {
    readyToRectify();
    app.workingDirProblem = "La cartella di lavoro \"" + dir.string() + "\" ha i permessi 0777 invece di 0700.";
    const std::vector<std::string> before = controls();
    const DrawMode mode = w.pic1.drawMode();
    RADDR1(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].title, "IMPOSSIBILE RADDRIZZARE");
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_EQ(w.messages[0].text, app.workingDirProblem);
    EXPECT_EQ(app.s.raddrCount, 0);
    EXPECT_EQ(app.s.rectDone, 0);
    EXPECT_EQ(controls(), before);
    EXPECT_EQ(w.pic1.drawMode(), mode);
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_FALSE(w.pic2.visible());
    EXPECT_FALSE(fs::exists(fs::symlink_status(app.workingFile())));

    // Once the directory is safe the same press rectifies.
    app.workingDirProblem.clear();
    RADDR1(app);
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_TRUE(fs::exists(app.workingFile()));
}

TEST_F(HandlersWorkingFile, aRectificationCutShortByAFullDiskLeavesNoWorkingFile) {
    readyToRectify();
    {
        velta::testing::FileSizeLimit full(6000);   // the header and a few rows fit
        RADDR1(app);
    }
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].title, "IMPOSSIBILE RADDRIZZARE");
    EXPECT_NE(w.messages[0].text.find("file troppo grande ("), std::string::npos) << w.messages[0].text;
    EXPECT_FALSE(fs::exists(fs::symlink_status(app.workingFile())));
    EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
    EXPECT_TRUE(w.pic1.visible());
    EXPECT_TRUE(w.visible(Ctl::RADDRIZZA));

    RADDR1(app);
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.text(Ctl::domanda1), "Vuoi misurare ?");
    EXPECT_TRUE(fs::exists(app.workingFile()));
}

// A further copy of the program writes a file of its own and keeps off the first copy's.
TEST_F(HandlersWorkingFile, aCopyGivenItsOwnNameRectifiesAndSavesThroughIt) {
    app.workingName = "velta-4242.bmp";
    ASSERT_EQ(app.workingFile(), in("velta-4242.bmp"));
    readyToRectify();
    RADDR1(app);
    ASSERT_TRUE(w.messages.empty());
    EXPECT_FALSE(fs::exists(in("velta.bmp")));
    const auto image = readFile(in("velta-4242.bmp"));
    ASSERT_FALSE(image.empty());

    // The first copy's working file is no place to keep the image.
    w.saveAnswers.push_back(in("velta.bmp"));
    saveClick(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_FALSE(fs::exists(in("velta.bmp")));

    w.saveAnswers.push_back(in("mine.bmp"));
    saveClick(app);
    EXPECT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(readFile(in("mine.bmp")), image);
    EXPECT_FALSE(fs::exists(in("velta-4242.bmp")));
}

}  // namespace

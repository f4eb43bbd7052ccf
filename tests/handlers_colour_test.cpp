// The colour road through the handlers: which files take it, what a colour rectification
// writes and keeps, the export command's choices and the interpolation entries. Decoding is
// stood in for by a fake that hands out a picture made here.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "input/dispatch.h"
#include "input/handlers.h"
#include "sample/facade.h"
#include "testutils.h"
#include "util/little_endian.h"

using namespace velta;
using velta::testing::BmpSpec;
using velta::testing::FakeIO;
using velta::testing::HandlerTest;
using velta::testing::makeBmp;
using velta::testing::readFile;
using velta::testing::writeFile;

namespace {

// The sample façade as a colour picture: every pixel its palette colour.
Picture facadePicture() {
    const sample::Camera& g = sample::facadeCamera();
    const std::vector<std::uint8_t> idx = sample::facadePixels();
    const auto& pal = sample::facadePalette();
    Picture p = Picture::allocate(g.width, g.height);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const std::size_t e = 4u * idx[static_cast<std::size_t>(y * g.width + x)];
            p.row(y)[x] = 0xFF000000u | std::uint32_t{pal[e + 2]} << 16 | std::uint32_t{pal[e + 1]} << 8 | pal[e];
        }
    return p;
}

class HandlersColour : public HandlerTest {
protected:
    HandlersColour() { app.io = &io; }

    // A file the plain reader refuses for its depth only: it goes to the colour road.
    std::string colourFile(const std::string& name = "foto.bmp") {
        BmpSpec colour;
        colour.bitCount = 24;
        const std::string path = (dir / name).string();
        writeFile(path, makeBmp(colour));
        return path;
    }

    // The façade opened on the colour road with its four edges marked, as the plain test does.
    void openColourFacadeWithLines() {
        io.picture = facadePicture();
        const std::string path = colourFile();
        openImage(path);
        markFacadeEdges(sample::facadeGeometry().facade);
    }

    FakeIO io;
};

TEST_F(HandlersColour, aFileOutsideThePlainFormatOpensInColourAndADamagedOneIsNeverDecoded) {
    io.picture = Picture::allocate(40, 30);
    openImage(colourFile());
    EXPECT_EQ(io.decodes, 1);
    EXPECT_EQ(app.s.image.road, Road::colour);
    EXPECT_EQ(w.pic1.pictureWidth(), 40);
    EXPECT_EQ(app.s.imageHeight, 30);
    EXPECT_EQ(w.text(Ctl::tfuox), " 40 x");
    EXPECT_TRUE(w.messages.empty());
    // Every kernel may be chosen on a colour picture.
    EXPECT_TRUE(w.enabled(Ctl::bilineare) && w.enabled(Ctl::bicubica) && w.checked(Ctl::bicubica));

    // A plain bitmap cut short is damaged, not of another kind: refused as before, not decoded.
    BmpSpec plain;
    const std::vector<std::uint8_t> whole = makeBmp(plain);
    writeFile(dir / "corto.bmp", std::vector<std::uint8_t>(whole.begin(), whole.end() - 10));
    openImage((dir / "corto.bmp").string());
    EXPECT_EQ(io.decodes, 1);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(app.s.image.road, Road::colour);
    EXPECT_EQ(w.pic1.pictureWidth(), 40);

    // A refused decode leaves the open picture as it was.
    io.refusal = "file danneggiato";
    openImage(colourFile("altra.png"));
    ASSERT_EQ(w.messages.size(), 2u);
    EXPECT_NE(w.messages[1].text.find("file danneggiato"), std::string::npos);
    EXPECT_EQ(app.s.image.picture.width, 40);
    EXPECT_EQ(w.pic1.pictureWidth(), 40);
}

TEST_F(HandlersColour, aPlainBitmapIsSampledByTruncationWhateverKernelWasChosen) {
    dispatch(app, Command::interpBilinear);
    EXPECT_TRUE(w.checked(Ctl::bilineare) && !w.checked(Ctl::bicubica));
    openImage(makeBitmap(20, 10));
    EXPECT_TRUE(w.checked(Ctl::vicino) && !w.checked(Ctl::bilineare));
    EXPECT_FALSE(w.enabled(Ctl::bilineare) || w.enabled(Ctl::bicubica));
    dispatch(app, Command::interpBicubic);
    EXPECT_TRUE(w.checked(Ctl::vicino) && !w.checked(Ctl::bicubica));
    // The choice made before is the colour road's again.
    io.picture = Picture::allocate(8, 8);
    openImage(colourFile());
    EXPECT_TRUE(w.checked(Ctl::bilineare) && w.enabled(Ctl::bicubica));
    EXPECT_EQ(app.s.interpolation, Interpolation::bilinear);
}

// Nearest on the colour road reads the pixels the plain road reads: the façade rectified both
// ways gives, pixel for pixel, the palette colour of the plain road's index; and the working
// file holds the kept image's rows, bottom row first, in 24 bits.
TEST_F(HandlersColour, nearestRectifiesAsThePlainRoadAndTheWorkingFileHoldsTheKeptRows) {
    openFacadeWithLines();
    markArea(300, 200, 420, 300);
    RADDR1(app);
    const RectifiedImage plain = app.s.rectified;
    ASSERT_EQ(plain.road, Road::plain);
    ASSERT_GT(plain.width, 10);

    w.boxAnswers.push_back(Answer::Discard);   // the plain image was not saved
    openColourFacadeWithLines();
    dispatch(app, Command::interpNearest);
    markArea(300, 200, 420, 300);
    RADDR1(app);
    const RectifiedImage& colour = app.s.rectified;
    ASSERT_EQ(colour.road, Road::colour);
    ASSERT_EQ(colour.width, plain.width);
    ASSERT_EQ(colour.height, plain.height);
    const auto& pal = sample::facadePalette();
    int differing = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            const std::uint8_t index = plain.indices[static_cast<std::size_t>(y * plain.width + x)];
            const std::size_t e = 4u * index;
            const std::uint32_t want = std::uint32_t{pal[e + 2]} << 16 | std::uint32_t{pal[e + 1]} << 8 | pal[e];
            const std::uint32_t got = colour.picture.row(y)[x] & 0xFFFFFFu;
            // Outside the window the plain road writes index 0, the colour road black.
            differing += got != want && !(index == 0 && got == 0);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(w.pic2.pictureWidth(), colour.width);
    EXPECT_TRUE(w.enabled(Ctl::esporta));

    const std::vector<std::uint8_t> file = readFile(app.workingFile());
    const int stride = (3 * colour.width + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54u + static_cast<std::size_t>(stride) * static_cast<std::size_t>(colour.height));
    EXPECT_EQ(le::u16(file, 28), 24);
    EXPECT_EQ(le::i32(file, 18), colour.width);
    EXPECT_EQ(le::i32(file, 22), colour.height);
    for (int k = 0; k < colour.height; ++k) {
        const std::uint32_t* row = colour.picture.row(colour.height - 1 - k);
        for (int x = 0; x < colour.width; ++x) {
            const std::size_t at = 54u + static_cast<std::size_t>(k * stride + 3 * x);
            const std::uint32_t got = std::uint32_t{file[at + 2]} << 16 | std::uint32_t{file[at + 1]} << 8 | file[at];
            if (got != (row[x] & 0xFFFFFFu)) {
                ADD_FAILURE() << "file row " << k << " column " << x;
                return;
            }
        }
    }
}

TEST_F(HandlersColour, aColourFrameIsRefusedOnlyBeyondItsOwnLimits) {
    openColourFacadeWithLines();
    // A step well below one pixel makes the frame larger than 3000 but within the colour limits.
    app.s.pixelStep = 0.25;
    FUGHE(app);
    ASSERT_GT(app.s.frame.rectWidth, 3000);
    RADDR1(app);
    EXPECT_TRUE(w.messages.empty()) << w.messages[0].text;
    EXPECT_EQ(app.s.rectified.width, static_cast<int>(app.s.frame.rectWidth));

    w.boxAnswers.push_back(Answer::Discard);
    ALTRA1(app);
    app.s.pixelStep = 0.01;
    FUGHE(app);
    RADDR1(app);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].title, "IMPOSSIBILE RADDRIZZARE");
    EXPECT_NE(w.messages[0].text.find("al massimo 32767 per lato e 200 milioni in tutto"), std::string::npos);
}

TEST_F(HandlersColour, exportTakesTheFormatFromTheNameOrTheFilterAndAsksOnceBeforeReplacing) {
    openColourFacadeWithLines();
    markArea(300, 200, 420, 300);
    RADDR1(app);
    const std::string base = (dir / "prospetto").string();
    w.exportAnswers.push_back({base + ".JPG", ImageFormat::png});   // the typed extension wins
    w.exportAnswers.push_back({base, ImageFormat::tiff});           // none typed: the filter's is added
    w.exportAnswers.push_back({base + ".tif", ImageFormat::png});   // exists now: asked, declined
    dispatch(app, Command::exportClick);
    dispatch(app, Command::exportClick);
    dispatch(app, Command::exportClick);
    ASSERT_EQ(io.writes.size(), 2u);
    EXPECT_EQ(io.writes[0].path, base + ".JPG");
    EXPECT_EQ(io.writes[0].format, ImageFormat::jpeg);
    EXPECT_EQ(io.writes[1].path, base + ".tif");
    EXPECT_EQ(io.writes[1].format, ImageFormat::tiff);
    EXPECT_EQ(io.writes[1].image.width, app.s.rectified.width);
    EXPECT_EQ(w.exportJpegOffered, (std::vector<bool>{true, true, true}));
    ASSERT_FALSE(w.messages.empty());
    EXPECT_EQ(w.messages.back().buttons, Buttons::YesNo);

    // The working file's name is refused; so is JPEG for a 256-colour image.
    w.exportAnswers.push_back({app.workingFile(), ImageFormat::bmp});
    dispatch(app, Command::exportClick);
    EXPECT_EQ(io.writes.size(), 2u);
    EXPECT_NE(w.messages.back().text.find("file di lavoro"), std::string::npos);

    w.boxAnswers.push_back(Answer::Discard);
    openFacadeWithLines();
    EXPECT_FALSE(w.enabled(Ctl::esporta));
    markArea(300, 200, 420, 300);
    RADDR1(app);
    w.exportAnswers.push_back({base + ".jpeg", ImageFormat::png});
    dispatch(app, Command::exportClick);
    EXPECT_EQ(io.writes.size(), 2u);
    EXPECT_EQ(w.exportJpegOffered.back(), false);
    EXPECT_NE(w.messages.back().text.find("JPEG"), std::string::npos);
}

// The six numbers of a world file, each on its own line ending in "\n".
std::vector<std::string> worldLines(const std::filesystem::path& p) {
    std::vector<std::string> lines;
    const std::vector<std::uint8_t> bytes = readFile(p.string());
    std::string line;
    for (std::uint8_t b : bytes) {
        if (b == '\n') lines.push_back(std::exchange(line, {}));
        else line += static_cast<char>(b);
    }
    EXPECT_TRUE(line.empty()) << "last line without its end";
    return lines;
}

TEST_F(HandlersColour, aScaleWritesTheWorldFileAndTheResolutionBesideTheImage) {
    openColourFacadeWithLines();
    markArea(300, 200, 420, 300);
    RADDR1(app);
    const int height = app.s.rectified.height;
    app.log.scale = 2.5;   // 40 pixels a metre exactly
    w.exportAnswers.push_back({(dir / "prospetto").string(), ImageFormat::png});
    dispatch(app, Command::exportClick);
    ASSERT_EQ(io.writes.size(), 1u);
    EXPECT_EQ(io.writes[0].pixelsPerMetre, 40);
    const std::vector<std::string> lines = worldLines(dir / "prospetto.pgw");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "0.025");
    EXPECT_EQ(lines[1], "0");
    EXPECT_EQ(lines[2], "0");
    EXPECT_EQ(lines[3], "-0.025");
    EXPECT_EQ(lines[4], "0.0125");
    EXPECT_DOUBLE_EQ(std::stod(lines[5]), (height - 0.5) * 0.025);
    EXPECT_NE(w.messages.back().text.find("prospetto.pgw"), std::string::npos);
    EXPECT_EQ(w.messages.back().text.find("arrotondata"), std::string::npos);

    // A scale with more digits than the file's resolution holds: ten digits in the world file,
    // the nearest whole resolution in the image, and the message says it was rounded. TIFF and
    // JPEG keep the writer's default.
    app.log.scale = 3.0;
    w.exportAnswers.push_back({(dir / "rilievo.BMP").string(), ImageFormat::png});
    w.exportAnswers.push_back({(dir / "rilievo.jpg").string(), ImageFormat::png});
    dispatch(app, Command::exportClick);
    dispatch(app, Command::exportClick);
    ASSERT_EQ(io.writes.size(), 3u);
    EXPECT_EQ(io.writes[1].pixelsPerMetre, 33);
    EXPECT_EQ(io.writes[2].pixelsPerMetre, 0);
    EXPECT_NE(w.messages[w.messages.size() - 2].text.find("arrotondata a 33 pixel per metro"), std::string::npos);
    EXPECT_EQ(worldLines(dir / "rilievo.BPW").front(), "0.03");
    const std::vector<std::string> jpeg = worldLines(dir / "rilievo.jgw");
    ASSERT_EQ(jpeg.size(), 6u);
    EXPECT_NEAR(std::stod(jpeg[5]), (height - 0.5) * 0.03, 1e-9);
    app.log.scale = 1.0 / 3;
    w.exportAnswers.push_back({(dir / "terzo.tif").string(), ImageFormat::png});
    dispatch(app, Command::exportClick);
    EXPECT_EQ(worldLines(dir / "terzo.tfw").front(), "0.003333333333");
}

TEST_F(HandlersColour, withoutAScaleAStaleWorldFileGoesWithTheImageItBelongedTo) {
    openColourFacadeWithLines();
    markArea(300, 200, 420, 300);
    RADDR1(app);
    writeFile(dir / "prospetto.png", std::vector<std::uint8_t>{'v', 'e', 'c', 'c', 'h', 'i', 'o'});
    writeFile(dir / "prospetto.pgw", std::vector<std::uint8_t>{'1', '\n'});
    writeFile(dir / "prospetto.tfw", std::vector<std::uint8_t>{'1', '\n'});   // another format's: kept
    w.messages.clear();

    // Declined: both stay. The question names both.
    w.exportAnswers.push_back({(dir / "prospetto.png").string(), ImageFormat::png});
    w.boxAnswers.push_back(Answer::No);
    dispatch(app, Command::exportClick);
    EXPECT_TRUE(io.writes.empty());
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_NE(w.messages[0].text.find("prospetto.png"), std::string::npos);
    EXPECT_NE(w.messages[0].text.find("prospetto.pgw"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "prospetto.pgw"));

    w.exportAnswers.push_back({(dir / "prospetto.png").string(), ImageFormat::png});
    w.boxAnswers.push_back(Answer::Yes);
    dispatch(app, Command::exportClick);
    ASSERT_EQ(io.writes.size(), 1u);
    EXPECT_EQ(io.writes[0].pixelsPerMetre, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "prospetto.pgw"));
    EXPECT_TRUE(std::filesystem::exists(dir / "prospetto.tfw"));
    EXPECT_EQ(w.messages.back().icon, Icon::Information);
}

TEST_F(HandlersColour, aFailedExportLeavesTheImageAndItsWorldFileAsTheyWere) {
    openColourFacadeWithLines();
    markArea(300, 200, 420, 300);
    RADDR1(app);
    app.log.scale = 2.5;
    w.messages.clear();
    // A folder that is not there: a message, nothing written.
    w.exportAnswers.push_back({(dir / "manca" / "prospetto.png").string(), ImageFormat::png});
    dispatch(app, Command::exportClick);
    EXPECT_TRUE(io.writes.empty());
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].icon, Icon::Critical);
    EXPECT_NE(w.messages[0].text.find("Impossibile"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "manca"));

    // The image fails after its world file was written: the former world file is put back.
    const std::vector<std::uint8_t> former{'v', 'e', 'c', 'c', 'h', 'i', 'o', '\n'};
    writeFile(dir / "prospetto.pgw", former);
    io.writeRefusal = "disco pieno";
    w.exportAnswers.push_back({(dir / "prospetto.png").string(), ImageFormat::png});
    w.boxAnswers.push_back(Answer::Yes);
    dispatch(app, Command::exportClick);
    EXPECT_NE(w.messages.back().text.find("disco pieno"), std::string::npos);
    EXPECT_EQ(readFile((dir / "prospetto.pgw").string()), former);
    EXPECT_FALSE(std::filesystem::exists(dir / "prospetto.png"));

    // A world file that cannot be replaced (a folder holds its name): the image is not written.
    io.writeRefusal.clear();
    std::filesystem::create_directory(dir / "rilievo.pgw");
    w.exportAnswers.push_back({(dir / "rilievo.png").string(), ImageFormat::png});
    w.boxAnswers.push_back(Answer::Yes);
    dispatch(app, Command::exportClick);
    EXPECT_TRUE(io.writes.empty());
    EXPECT_EQ(w.messages.back().icon, Icon::Critical);
    EXPECT_FALSE(std::filesystem::exists(dir / "rilievo.png"));
}

}  // namespace

// Pictures as large as the program makes them: a 3000 x 32767 bitmap opens in the source view,
// and a working file of that size shows in the rectified view. A picture that memory cannot
// hold is refused as such, not as a damaged file.
#include <QImageReader>
#include <QTest>
#include <array>
#include <filesystem>
#include <string>

#include "bitmap/writer.h"
#include "widget_testutils.h"

namespace {

constexpr int bigWidth = 3000;
constexpr int bigHeight = 32767;

// Palette index of pixel (x, y) from the top: bands both ways, so that a lost or shifted row
// or column shows.
std::uint8_t indexAt(int x, int y) { return static_cast<std::uint8_t>((x / 10 + y / 7) % 250 + 3); }

// Palette entry k of plainPalette: blue k, green 255 - k, red k / 2.
QRgb colourOf(std::uint8_t k) { return qRgb(k / 2, 255 - k, k); }

// Writes a `width` x `height` 8-bit bitmap of indexAt, streamed row by row.
bool writeBands(const std::string& path, int width, int height) {
    velta::bitmap::BitmapWriter out;
    std::string error;
    if (!out.begin(path, velta::testing::plainHeader(), velta::testing::plainPalette(), width, height, error))
        return false;
    velta::RowRecord row{};
    for (int i = 0; i < height; ++i) {   // file row i is image row height - 1 - i
        for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = indexAt(x, height - 1 - i);
        if (!out.writeRow(row)) break;
    }
    return out.end(error);
}

// The picture shows the file's pixels at its corners and in its last rows.
void expectBands(const velta::qt::PictureView& view) {
    QCOMPARE(view.picture().size(), QSize(bigWidth, bigHeight));
    for (auto [x, y] : {std::pair{0, 0}, {bigWidth - 1, 0}, {1234, 20000}, {0, bigHeight - 1},
                        {bigWidth - 1, bigHeight - 1}})
        QCOMPARE(view.picture().pixel(x, y), colourOf(indexAt(x, y)));
}

}  // namespace

class LargeImageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void theOpenCommandShowsABitmapOf3000By32767();
    void theRectifiedViewShowsAWorkingFileOf3000By32767();
    void aPictureMemoryCannotHoldIsRefusedAsSuch();

private:
    QTemporaryDir files_;
    std::string big_;   // the one 3000 x 32767 bitmap, about 98 MB
};

void LargeImageTest::initTestCase() {
    QVERIFY(files_.isValid());
    big_ = files_.filePath(QStringLiteral("tall.bmp")).toStdString();
    QVERIFY(writeBands(big_, bigWidth, bigHeight));
}

void LargeImageTest::theOpenCommandShowsABitmapOf3000By32767() {
    e2e::Rig rig;
    QVERIFY(rig.ready);
    rig.dialogs->openNames.push_back(big_);
    rig.window.action(velta::Ctl::open)->trigger();
    for (const auto& m : rig.dialogs->messages) qWarning("%s", m.text.c_str());
    QVERIFY(rig.dialogs->messages.empty());
    QCOMPARE(rig.prompt(), QStringLiteral("Definire due rette orizz."));
    QCOMPARE(rig.app.s.imageHeight, float(bigHeight));
    QCOMPARE(rig.app.s.image.fileHeight, std::int16_t(bigHeight));
    expectBands(rig.view(velta::Pic::Picture1));
}

void LargeImageTest::theRectifiedViewShowsAWorkingFileOf3000By32767() {
    e2e::Rig rig;
    QVERIFY(rig.ready);
    // The working file of a rectification of that size, loaded the way the rectification does.
    std::filesystem::create_hard_link(big_, rig.app.workingFile());
    std::string why;
    QVERIFY2(rig.window.model().picture(velta::Pic::Picture2).loadPicture(rig.app.workingFile(), why), why.c_str());
    expectBands(rig.view(velta::Pic::Picture2));
}

void LargeImageTest::aPictureMemoryCannotHoldIsRefusedAsSuch() {
    velta::qt::PictureView view;
    const std::string path = files_.filePath(QStringLiteral("square.bmp")).toStdString();
    QVERIFY(writeBands(path, 1000, 1000));
    // A limit below the picture's 4 MB stands for a machine without the memory.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(2);
    std::string why;
    const bool loaded = view.loadPicture(path, why);
    QImageReader::setAllocationLimit(limit);
    QVERIFY(!loaded);
    QVERIFY2(why.find("memoria insufficiente") != std::string::npos, why.c_str());
    QVERIFY(view.picture().isNull());
    QVERIFY(view.loadPicture(path, why));
}

QTEST_MAIN(LargeImageTest)
#include "large_image_test.moc"

// Pictures as large as the program makes them: a 3000 x 32767 bitmap opens in the source view,
// and a rectification of that size is computed and shown in the rectified view. A picture that memory cannot
// hold is refused as such, not as a damaged file.
#include <QImageReader>
#include <QTest>
#include <array>
#include <string>

#include "bitmap/writer.h"
#include "input/handlers.h"
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
    void aRectificationOf3000By32767IsComputedAndShown();
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

void LargeImageTest::aRectificationOf3000By32767IsComputedAndShown() {
    e2e::Rig rig;
    QVERIFY(rig.ready);
    const std::string small = files_.filePath(QStringLiteral("small.bmp")).toStdString();
    QVERIFY(writeBands(small, 640, 480));
    rig.dialogs->openNames.push_back(small);
    rig.window.action(velta::Ctl::open)->trigger();
    velta::App& app = rig.app;
    // Two pairs converging to the right and upwards make a construction about the centre.
    for (const std::array<float, 4>& l : {std::array<float, 4>{100, 100, 500, 140}, {100, 400, 500, 360},
                                          {100, 400, 130, 100}, {540, 400, 500, 100}})
        for (std::size_t k = 0; k < 4; k += 2) {
            velta::PICTURE1_MouseDown(app, 1, 0, l[k], l[k + 1]);
            velta::Picture1_MouseUp(app, 1, 0, l[k], l[k + 1]);
        }
    QVERIFY(app.s.constructionValid);
    // The frame stretched to the largest size the program makes, its marks one step apart.
    velta::geom::Orientation& f = app.s.frame;
    const auto extend = [&f](std::vector<velta::MarkRow>& marks, int count) {
        const double dx = marks.at(1)[2] - f.originX, dy = marks.at(1)[3] - f.originY;
        marks.assign(static_cast<std::size_t>(count) + 1, velta::MarkRow{});
        for (int i = 1; i <= count; ++i) marks[static_cast<std::size_t>(i)] = {0, 0, f.originX + i * dx, f.originY + i * dy};
    };
    extend(f.rowPoints, bigHeight);
    extend(f.colPoints, bigWidth);
    f.rectWidth = bigWidth;
    f.rectHeight = bigHeight;

    rig.key(Qt::Key_F6);
    for (const auto& m : rig.dialogs->messages) qWarning("%s", m.text.c_str());
    QVERIFY(rig.dialogs->messages.empty());
    QCOMPARE(rig.prompt(), QStringLiteral("Vuoi misurare ?"));
    QVERIFY(rig.view(velta::Pic::Picture2).isVisible());
    QCOMPARE(rig.view(velta::Pic::Picture2).picture().size(), QSize(bigWidth, bigHeight));
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

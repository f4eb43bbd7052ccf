// VELTA300: builds the main window, connects it to the program's handlers and runs the event loop.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <string>
#include <vector>

#include "colour_sample.h"
#include "imageio/qt_image_io.h"
#include "input/app.h"
#include "input/dispatch.h"
#include "sample/facade.h"
#include "ui/qt/main_window.h"
#include "ui/qt/working_place.h"

namespace {

// The help document shipped beside the program; in a build tree, the one in the sources.
std::string helpFile() {
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/velta300/help/velta300.html"));
    if (QFileInfo::exists(installed)) return QDir::cleanPath(installed).toStdString();
#ifdef VELTA_HELP_FALLBACK
    return VELTA_HELP_FALLBACK;
#else
    return QDir::cleanPath(installed).toStdString();
#endif
}

// Where the colour sample photograph made by the build may be: installed beside the program, or
// in the build tree, where the program and the sample are side by side.
std::vector<std::string> shippedColourSample() {
    const QDir bin(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(bin.filePath(QStringLiteral("../share/velta300/facciata.jpg"))).toStdString(),
            bin.filePath(QStringLiteral("facciata.jpg")).toStdString()};
}

// The user's decimal separator; a separator that is not one plain character reads as a point.
char decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() != 1 || point.at(0).unicode() > 0x7F) return '.';
    return point.at(0).toLatin1();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velta300"));

    // The data directory and this copy's working file. Declared first, so that it outlives the
    // window and the program: a working file of this copy's own is removed after the last
    // question on exit has been answered.
    const velta::qt::WorkingPlace place(velta::qt::dataDirectory());
    // A new user finds a photograph to open; without it the program works all the same. Nothing
    // is written into a directory that others could tamper with.
    std::string sampleError;
    if (place.problem().empty()) {
        velta::sample::ensureSampleFacade(place.dataDir(), sampleError);
        // The colour one is copied from the program's own files; rendered afresh only when those are missing.
        velta::app::ensureColourSample(place.dataDir(), shippedColourSample(), sampleError);
    }

    velta::qt::MainWindow window;
    velta::App app(window.model(), place.dataDir());
    // Photographs in the common formats, read and exported through Qt's image plugins.
    velta::imageio::QtImageIO imageIO;
    app.io = &imageIO;
    place.applyTo(app);
    app.helpFile = helpFile();
    app.decimalSep = decimalSeparator();
    window.attach(app);

    velta::dispatch(app, velta::Command::formLoad);
    if (window.quitRequested()) return 0;
    window.showMaximized();
    return QApplication::exec();
}

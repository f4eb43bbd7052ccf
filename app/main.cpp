// VELTA300: builds the main window, connects it to the program's handlers and runs the event loop.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <string>

#include "input/app.h"
#include "input/handlers.h"
#include "sample/facade.h"
#include "ui/qt/main_window.h"

namespace {

// The per-user data directory: the working output file goes there, the dialogs start there.
std::string dataDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Without a home directory there is no per-user place: the temporary one stands in.
    if (dir.isEmpty()) dir = QDir::tempPath() + QStringLiteral("/velta300");
    QDir().mkpath(dir);
    return dir.toStdString();
}

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

    const std::string dataDir = dataDirectory();
    // A new user finds a photograph to open; without it the program works all the same.
    std::string sampleError;
    velta::sample::ensureSampleFacade(dataDir, sampleError);

    velta::qt::MainWindow window;
    velta::App app(window, dataDir);
    app.helpFile = helpFile();
    app.decimalSep = decimalSeparator();
    window.attach(app);

    velta::formLoad(app);
    if (window.quitRequested()) return 0;
    window.showMaximized();
    return QApplication::exec();
}

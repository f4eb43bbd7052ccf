// Where a copy of the program keeps its working file: the private fallback directory and its
// checks, the lock of the first copy, and two copies running at once, each a process of its own,
// each saving the image it rectified.
//
// The copies are this test program started again with "--copy DIR": it settles its working
// place in DIR as the program does at start-up and then takes commands, one a line, on its
// standard input: "rectify X1 Y1 X2 Y2" rectifies the sample façade over that area, "save PATH"
// saves, "quit" ends. Each command is answered with one line.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "input/app.h"
#include "input/handlers.h"
#include "sample/facade.h"
#include "ui/qt/working_place.h"
#include "ui/recording_window.h"

using velta::qt::DataDirectory;
using velta::qt::WorkingPlace;
namespace fs = std::filesystem;

namespace {

// FNV-1a of a file's bytes: tells two rectified images apart.
std::string digestOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "missing";
    std::uint64_t h = 1469598103934665603u;
    for (char c; in.get(c);) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return std::to_string(h);
}

// One copy of the program, driven by commands from its standard input.
int runCopy(const QString& dir) {
    const WorkingPlace place(DataDirectory{dir, {}});
    velta::RecordingWindow w;
    velta::App app(w, place.dataDir());
    place.applyTo(app);
    velta::formLoad(app);
    std::cout << app.workingName << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream command(line);
        std::string verb;
        command >> verb;
        if (verb == "rectify") {
            float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            command >> x1 >> y1 >> x2 >> y2;
            w.openAnswers.push_back(place.dataDir() + "/facciata.bmp");
            velta::openClick(app);
            const velta::sample::Quad& q = velta::sample::facadeGeometry().facade;
            auto click = [&app](double x, double y) {
                const float fx = static_cast<float>(std::floor(x)), fy = static_cast<float>(std::floor(y));
                velta::PICTURE1_MouseDown(app, 1, 0, fx, fy);
                velta::Picture1_MouseUp(app, 1, 0, fx, fy);
            };
            for (auto [a, b] : {std::pair{q.topLeft, q.topRight}, {q.bottomLeft, q.bottomRight},
                                {q.bottomLeft, q.topLeft}, {q.bottomRight, q.topRight}}) {
                click(a.x, a.y);
                click(b.x, b.y);
            }
            velta::RETTANG3(app);
            click(x1, y1);
            click(x2, y2);
            velta::RADDR1(app);
            std::cout << digestOf(app.workingFile()) << " " << w.messages.size() << std::endl;
        } else if (verb == "save") {
            std::string path;
            command >> path;
            w.saveAnswers.push_back(path);
            velta::saveClick(app);
            std::cout << w.messages.size() << std::endl;
        } else {
            break;
        }
    }
    return 0;
}

// A running copy, as seen from the test.
class Copy {
public:
    explicit Copy(const QString& dir) {
        process_.setProgram(QCoreApplication::applicationFilePath());
        process_.setArguments({QStringLiteral("--copy"), dir});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        started_ = process_.waitForStarted(30000);
        workingName = answer();
    }
    ~Copy() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(30000);
        }
    }
    /// Sends one command; returns its one-line answer ("" when none came).
    std::string command(const std::string& line) {
        process_.write((line + "\n").c_str());
        return answer();
    }
    /// Ends the copy the ordinary way; true once it has.
    bool quit() {
        process_.write("quit\n");
        process_.closeWriteChannel();
        return process_.waitForFinished(60000) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }
    /// Ends the copy as a crash would, leaving its lock behind.
    void killHard() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished(30000);
    }
    bool started() const { return started_ && !workingName.empty(); }
    qint64 pid() const { return process_.processId(); }

    std::string workingName;

private:
    std::string answer() {
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(60000)) return {};
        return process_.readLine().trimmed().toStdString();
    }

    QProcess process_;
    bool started_ = false;
};

std::string in(const QTemporaryDir& dir, const char* name) { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

unsigned modeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace

class WorkingPlaceTest : public QObject {
    Q_OBJECT
private slots:
    void theFallbackDirectoryIsPrivateOrRefused();
    void anUnsafeDirectoryIsNeitherLockedNorWrittenInto();
    void twoRunningCopiesEachSaveTheImageTheyRectified();
};

void WorkingPlaceTest::theFallbackDirectoryIsPrivateOrRefused() {
    QTemporaryDir root;
    const QString expected = root.filePath(QStringLiteral("velta300-") + QString::number(::geteuid()));
    ::umask(022);
    DataDirectory made = velta::qt::privateDirectoryIn(root.path());
    QCOMPARE(made.path, expected);
    QVERIFY2(made.problem.empty(), made.problem.c_str());
    QCOMPARE(modeOf(expected), 0700u);
    QVERIFY(velta::qt::privateDirectoryIn(root.path()).problem.empty());   // found again as it was

    // Open to others.
    ::chmod(QFile::encodeName(expected).constData(), 0755);
    DataDirectory open = velta::qt::privateDirectoryIn(root.path());
    QVERIFY(open.problem.find("0755") != std::string::npos);
    QVERIFY(open.problem.find("raddrizzare") != std::string::npos);

    // Someone else's: only root can make one to try.
    if (::geteuid() == 0) {
        ::chmod(QFile::encodeName(expected).constData(), 0700);
        QCOMPARE(::chown(QFile::encodeName(expected).constData(), 65534, 65534), 0);
        const std::string why = velta::qt::privateDirectoryIn(root.path()).problem;
        QVERIFY2(why.find("altro utente") != std::string::npos, why.c_str());
    }

    // A link to a private directory, and a plain file, stand under the name.
    QVERIFY(QDir(expected).removeRecursively());
    QVERIFY(QDir().mkdir(root.filePath(QStringLiteral("elsewhere"))));
    ::chmod(QFile::encodeName(root.filePath(QStringLiteral("elsewhere"))).constData(), 0700);
    QVERIFY(QFile::link(root.filePath(QStringLiteral("elsewhere")), expected));
    std::string why = velta::qt::privateDirectoryIn(root.path()).problem;
    QVERIFY2(why.find("collegamento simbolico") != std::string::npos, why.c_str());
    QVERIFY(QFile::remove(expected));
    { QFile(expected).open(QIODevice::WriteOnly); }
    why = velta::qt::privateDirectoryIn(root.path()).problem;
    QVERIFY2(why.find("non è una cartella") != std::string::npos, why.c_str());
}

void WorkingPlaceTest::anUnsafeDirectoryIsNeitherLockedNorWrittenInto() {
    QTemporaryDir dir;
    std::ofstream(in(dir, "velta.bmp")) << "someone's";
    {
        const WorkingPlace place(DataDirectory{dir.path(), "La cartella di lavoro è di un altro utente."});
        velta::RecordingWindow w;
        velta::App app(w, place.dataDir());
        place.applyTo(app);
        QCOMPARE(app.workingDirProblem, std::string("La cartella di lavoro è di un altro utente."));
        QVERIFY(!place.holdsLock());
    }
    QVERIFY(!fs::exists(in(dir, "velta.lock")));
    QVERIFY(fs::exists(in(dir, "velta.bmp")));
}

void WorkingPlaceTest::twoRunningCopiesEachSaveTheImageTheyRectified() {
    QTemporaryDir dir;
    {
        const std::vector<std::uint8_t> facade = velta::sample::facadeBitmap();
        std::ofstream(in(dir, "facciata.bmp"), std::ios::binary)
            .write(reinterpret_cast<const char*>(facade.data()), static_cast<std::streamsize>(facade.size()));
    }
    Copy a(dir.path());
    QVERIFY(a.started());
    QCOMPARE(a.workingName, std::string("velta.bmp"));
    Copy b(dir.path());
    QVERIFY(b.started());
    QCOMPARE(b.workingName, "velta-" + std::to_string(b.pid()) + ".bmp");

    // A rectifies, then B another area, then each saves.
    const std::string imageA = a.command("rectify 300 200 420 300");
    const std::string imageB = b.command("rectify 250 150 450 350");
    QVERIFY(imageA.size() > 2 && imageA.substr(imageA.size() - 2) == " 0");   // no message shown
    QVERIFY(imageB.size() > 2 && imageB.substr(imageB.size() - 2) == " 0");
    QVERIFY(imageA != imageB);
    QCOMPARE(a.command("save " + in(dir, "a.bmp")), std::string("0"));
    QCOMPARE(digestOf(in(dir, "a.bmp")) + " 0", imageA);
    QCOMPARE(b.command("save " + in(dir, "b.bmp")), std::string("0"));
    QCOMPARE(digestOf(in(dir, "b.bmp")) + " 0", imageB);

    // A further copy's unsaved working file goes when it ends.
    b.command("rectify 250 150 450 350");
    const std::string bFile = in(dir, b.workingName.c_str());
    QVERIFY(fs::exists(bFile));
    QVERIFY(b.quit());
    QVERIFY(!fs::exists(bFile));

    // Once A has ended the next copy gets the shared name, also after one that died with it.
    QVERIFY(a.quit());
    Copy c(dir.path());
    QCOMPARE(c.workingName, std::string("velta.bmp"));
    c.killHard();
    QVERIFY(fs::exists(in(dir, "velta.lock")));
    Copy d(dir.path());
    QCOMPARE(d.workingName, std::string("velta.bmp"));
    QVERIFY(d.quit());
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--copy") {
        QCoreApplication app(argc, argv);
        return runCopy(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    WorkingPlaceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "working_place_test.moc"

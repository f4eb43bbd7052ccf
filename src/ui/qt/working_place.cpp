#include "ui/qt/working_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <cerrno>

#include "bitmap/os_error.h"
#include "input/app.h"

namespace velta::qt {

namespace {

std::string refusal(const QString& dir, const std::string& why) {
    return "La cartella di lavoro \"" + dir.toStdString() + "\" " + why +
           ": altri utenti potrebbero leggere o sostituire il file di lavoro, quindi non si può "
           "raddrizzare.\nLa cartella deve appartenere all'utente e avere i permessi 0700.";
}

std::string octal(unsigned mode) {
    return "0" + std::to_string((mode >> 6) & 7) + std::to_string((mode >> 3) & 7) + std::to_string(mode & 7);
}

}  // namespace

DataDirectory dataDirectory() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty()) return privateDirectoryIn(QDir::tempPath());
    QDir().mkpath(dir);
    return {dir, {}};
}

DataDirectory privateDirectoryIn(const QString& tempRoot) {
    const uid_t user = ::geteuid();
    const QString dir = tempRoot + QStringLiteral("/velta300-") + QString::number(user);
    const QByteArray native = QFile::encodeName(dir);
    // The temporary directory is everyone's: the name may already be taken by someone else.
    if (::mkdir(native.constData(), 0700) == 0) ::chmod(native.constData(), 0700);   // whatever the umask
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return {dir, refusal(dir, "non si lascia creare (" + bitmap::osErrorText(errno) + ")")};
    if (S_ISLNK(st.st_mode)) return {dir, refusal(dir, "è un collegamento simbolico")};
    if (!S_ISDIR(st.st_mode)) return {dir, refusal(dir, "non è una cartella")};
    if (st.st_uid != user)
        return {dir, refusal(dir, "appartiene a un altro utente (" + std::to_string(st.st_uid) + ")")};
    if ((st.st_mode & 07777) != 0700)
        return {dir, refusal(dir, "ha i permessi " + octal(st.st_mode & 0777) + " invece di 0700")};
    return {dir, {}};
}

WorkingPlace::WorkingPlace(const DataDirectory& dir) : dataDir_(dir.path.toStdString()), problem_(dir.problem) {
    // In an unsafe directory nothing is written, so nothing is locked or removed either.
    if (!problem_.empty()) return;
    auto lock = std::make_unique<QLockFile>(dir.path + QStringLiteral("/velta.lock"));
    // Only a lock whose copy is no longer running is stale, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        lock_ = std::move(lock);
        return;
    }
    // Another copy runs (or the lock cannot be had): a name no other copy uses.
    workingName_ = "velta-" + std::to_string(QCoreApplication::applicationPid()) + ".bmp";
    ownFile_ = true;
}

WorkingPlace::~WorkingPlace() {
    if (ownFile_) ::unlink(workingFile().c_str());
}

void WorkingPlace::applyTo(App& app) const {
    app.workingName = workingName_;
    app.workingDirProblem = problem_;
}

}  // namespace velta::qt

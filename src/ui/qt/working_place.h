#pragma once
// Where this copy of the program keeps its files: the data directory, checked to be a safe
// place for the working file, and the working file's name. The first copy of the program that
// runs holds a lock in the data directory and writes "velta.bmp" there; every further copy
// writes a file of its own, "velta-<process id>.bmp", and removes it when it ends, so that no
// copy ever saves an image that another one rectified.

#include <QLockFile>
#include <QString>
#include <memory>
#include <string>

namespace velta {
struct App;
}

namespace velta::qt {

/// A data directory and, when it is no safe place for the working file, why (in Italian).
struct DataDirectory {
    QString path;
    std::string problem;
};

/// The per-user data directory: Qt's data location (created when missing), or, where there is
/// none, a private directory in the temporary one.
DataDirectory dataDirectory();

/// "<tempRoot>/velta300-<user id>", created with mode 0700 when missing. Unless it is then a
/// directory (not a link) of this user with mode 0700, others could read the working file or
/// put a link in its place: the problem says so.
DataDirectory privateDirectoryIn(const QString& tempRoot);

class WorkingPlace {
public:
    /// Takes the lock in `dir` if no running copy holds it (a lock left by a copy that died is
    /// taken over) and chooses the working file's name accordingly.
    explicit WorkingPlace(const DataDirectory& dir);
    /// Removes a working file of this copy's own and releases the lock.
    ~WorkingPlace();
    WorkingPlace(const WorkingPlace&) = delete;
    WorkingPlace& operator=(const WorkingPlace&) = delete;

    const std::string& dataDir() const { return dataDir_; }
    /// The working file: its name in the data directory, and its full path.
    const std::string& workingName() const { return workingName_; }
    std::string workingFile() const { return dataDir_ + "/" + workingName_; }
    const std::string& problem() const { return problem_; }
    /// Whether this copy holds the lock and so the shared name "velta.bmp".
    bool holdsLock() const { return lock_ != nullptr; }

    /// Gives the program object the working file and the directory's problem.
    void applyTo(App& app) const;

private:
    std::string dataDir_;
    std::string workingName_ = "velta.bmp";
    std::string problem_;
    bool ownFile_ = false;   // the working file is this copy's alone: removed at the end
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace velta::qt

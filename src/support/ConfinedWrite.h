#pragma once
// Writing one file below a folder without following any symbolic link on the
// way, and without losing an existing file.
//
// Every folder below `root` is opened relative to its parent with links
// refused (so a link swapped in between a check and the write cannot redirect
// it), and missing folders are made on the way. A new file is created
// exclusively and written in place; if that write fails the half-written file
// is removed. An existing file is replaced only through a temporary file in
// the same folder that is renamed over it after a complete write, so on any
// failure the old file keeps its bytes and time. The modification time is set
// before the file is closed or renamed; nothing touches it afterwards.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace pelkora {

enum class ConfinedError {
    None,
    RootUnusable,       // the destination folder cannot be made or opened
    FolderIsLink,       // a folder below the destination is a symbolic link
    FolderNotMade,      // a folder cannot be made (a file in the way, no permission)
    TargetIsLink,       // the target name is a symbolic link
    TargetIsNotFile,    // a folder or other non-regular file holds the target name
    TargetReadOnly,     // the existing target has no write permission
    CannotCreate,       // the file cannot be created (name too long, no permission)
    CannotWrite,        // writing failed (disk full, file size limit, I/O error)
    CannotReplace,      // the complete new file could not be renamed over the old one
    CannotStamp,        // the modification time could not be set
};

struct ConfinedResult {
    ConfinedError error = ConfinedError::None;
    QString path;       // the path concerned, with "/" separators
    int systemError = 0;

    bool ok() const { return error == ConfinedError::None; }
    // What went wrong, as a short sentence naming the path.
    QString message() const;
};

// Writes files below one destination folder, keeping the folders it opened
// open for the next file, so that writing many files into the same few
// folders opens each folder once rather than once per file. Held folders are
// the very folders that were opened with links refused; a folder removed
// meanwhile is noticed (the file cannot be made in it) and walked to afresh.
// Not copyable; closes what it holds when destroyed.
class ConfinedWriter {
public:
    // `root` may itself be a link (the user chose it); nothing below it may
    // be. It is made when missing, at the first write.
    explicit ConfinedWriter(const QString& root);
    ~ConfinedWriter();
    ConfinedWriter(const ConfinedWriter&) = delete;
    ConfinedWriter& operator=(const ConfinedWriter&) = delete;

    // Writes `data` to root/folders[0]/.../fileName with the modification
    // time `modifiedUtc` (seconds since 1970-01-01 UTC). The names in
    // `folders` and `fileName` must already be checked to be plain single
    // components.
    ConfinedResult write(const QStringList& folders, const QString& fileName, const QByteArray& data,
        qint64 modifiedUtc);

    // The destination folder as given (empty stands for ".").
    const QString& root() const { return root_; }

private:
    ConfinedResult writeOnce(const QStringList& folders, const QString& fileName, const QByteArray& data,
        qint64 modifiedUtc, bool& usedHeld);
    ConfinedResult openRoot();
    ConfinedResult openFolders(const QStringList& folders, int& folderFd, bool& usedHeld);
    void hold(const QString& key, int fd);
    void releaseAll();

    QString root_;
    QString rootPath_; // root_, or "." for an empty one
    int rootFd_ = -1;
    QHash<QString, int> held_; // "a/b" below the root -> its open folder
    QStringList lastFolders_;  // the folders of the file before...
    int lastFolder_ = -1;      // ...and the held one they lead to
};

} // namespace pelkora

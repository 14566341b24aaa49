#pragma once
// Writing one file below a folder without following any symbolic link on the
// way, and without losing an existing file.
//
// Every folder below `root` is opened relative to its parent with links
// refused (so a link swapped in between a check and the write cannot redirect
// it), and missing folders are made on the way. Every file, new or
// replacing an existing one, is written to a temporary file in its folder
// (".pelkora-XXXXXXXX.tmp", made exclusively) and renamed to its name only
// once complete and stamped: an interrupted or failed write never leaves a
// half file under the real name, and an existing file keeps its bytes and
// time on any failure. A name that became a link while the file was written
// is refused, not replaced. SIGINT and SIGTERM wait until the temporary file
// is renamed or removed (see Interruption.h).

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

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
    PathTooLong,        // the target path is longer than the file system takes
    ReadOnlyFileSystem, // the existing target lies on a read-only file system
    ContentFailed,      // the content producer gave up (it knows why)
    Interrupted,        // SIGINT or SIGTERM arrived during the write
};

// What a content producer answers.
enum class ContentStatus {
    Complete,    // everything was written
    WriteFailed, // writing failed; errno says why
    Failed,      // the content itself could not be made
};

// Writes a file's whole content to `fd`, a new empty file opened for writing.
using ContentProducer = std::function<ContentStatus(int fd)>;

// Writes all `size` bytes to `fd`, retrying short writes; false with errno
// set on failure.
bool WriteAll(int fd, const char* data, std::size_t size);

struct ConfinedResult {
    ConfinedError error = ConfinedError::None;
    QString path; // the path concerned, with "/" separators
    int systemError = 0;

    bool ok() const { return error == ConfinedError::None; }
    // What went wrong, as a short sentence naming the path.
    QString message() const;
};

// Writes files below one destination folder, keeping the folders it opened
// open for the next file, so that writing many files into the same folders
// opens each folder once rather than once per file (as many as the limit on
// open files comfortably allows). Held folders are the very folders that were
// opened with links refused; a folder removed meanwhile is noticed (the file
// cannot be made in it) and walked to afresh. Time and memory are linear in
// the length of a name, however deep its folders. Not copyable; closes what
// it holds when destroyed.
class ConfinedWriter {
public:
    // `root` may itself be a link (the user chose it); nothing below it may
    // be. It is made when missing, at the first write. `writers`: how many
    // writers of this process work at the same time, sharing the limit on
    // open files.
    explicit ConfinedWriter(const QString& root, std::size_t writers = 1);
    ~ConfinedWriter();
    ConfinedWriter(const ConfinedWriter&) = delete;
    ConfinedWriter& operator=(const ConfinedWriter&) = delete;

    // Writes the content `produce` gives to root/folders[0]/.../fileName with
    // the modification time `modifiedUtc` (seconds since 1970-01-01 UTC). The
    // names in `folders` and `fileName` must already be checked to be plain
    // single components. A path longer than the file system takes is refused
    // before any folder is made.
    ConfinedResult write(const QStringList& folders, const QString& fileName, const ContentProducer& produce,
        qint64 modifiedUtc);
    ConfinedResult write(const QStringList& folders, const QString& fileName, const QByteArray& data,
        qint64 modifiedUtc);

    // The destination folder as given (empty stands for ".").
    const QString& root() const { return mRoot; }

private:
    ConfinedResult writeOnce(const QStringList& folders, const QString& fileName, const ContentProducer& produce,
        qint64 modifiedUtc, bool& usedHeld);
    ConfinedResult checkLength(const QStringList& folders, const QString& fileName) const;
    ConfinedResult openRoot();
    ConfinedResult openFolders(const QStringList& folders, int& folderFd, int& unheldFd, bool& usedHeld);
    QString spelled(const QStringList& folders, qsizetype count, const QString& last = {}) const;
    void releaseHeld();
    void releaseAll();

    QString mRoot;
    QString mRootPath;        // mRoot, or "." for an empty one
    qsizetype mRootBytes = 0; // length of the absolute root path on disk
    int mRootFd = -1;
    // Held folders form a tree below the root (node 0): a folder is found by
    // its parent's node and its own name, so no lookup spells a whole path.
    std::vector<int> mHeldFds;                      // node -> open folder (node 0: the root)
    QHash<std::pair<int, QString>, int> mHeldNodes; // (parent node, name) -> node
    std::size_t mMaxHeld = 64;
    std::uint32_t mNextName = 0; // of the next temporary file
    QStringList mLastFolders;    // the folders of the file before...
    int mLastFolder = -1;        // ...and the held one they lead to
};

} // namespace pelkora

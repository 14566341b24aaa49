#include "support/ConfinedWrite.h"

#include "support/FileTime.h"
#include "support/Interruption.h"
#include "support/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pelkora {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1)
        : mFd(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept
        : mFd(std::exchange(other.mFd, -1))
    {
    }
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            mFd = other.mFd;
            other.mFd = -1;
        }
        return *this;
    }
    int get() const { return mFd; }
    int release()
    {
        const int fd = mFd;
        mFd = -1;
        return fd;
    }
    bool valid() const { return mFd >= 0; }
    void reset()
    {
        if (mFd >= 0)
            ::close(mFd);
        mFd = -1;
    }
    // Closes and reports a failure of close itself (delayed write errors).
    bool close()
    {
        const int fd = mFd;
        mFd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int mFd;
};

ConfinedResult failed(ConfinedError error, int systemError = errno)
{
    return {error, {}, systemError};
}

// Opens (making it when missing) the folder `name` inside `parent`, refusing
// a link. The caller names the path in a failure.
ConfinedResult openFolder(int parent, const QByteArray& name, Fd& out)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::openat(parent, name.constData(), flags);
        if (fd >= 0) {
            out = Fd(fd);
            return {};
        }
        const int error = errno;
        struct stat st { };
        if (::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(st.st_mode))
                return failed(ConfinedError::FolderIsLink, 0);
            if (!S_ISDIR(st.st_mode))
                return failed(ConfinedError::FolderNotMade, EEXIST);
            // Missing a moment ago and a folder now: another writer (another
            // thread of this extraction) made it in between. Open it again.
            if (error == ENOENT)
                continue;
            return failed(ConfinedError::FolderNotMade, error);
        }
        if (errno != ENOENT)
            return failed(ConfinedError::FolderNotMade, error);
        if (::mkdirat(parent, name.constData(), 0777) != 0 && errno != EEXIST)
            return failed(ConfinedError::FolderNotMade);
    }
    return failed(ConfinedError::FolderNotMade);
}

// Looks at what holds `name` in `folder` now. A missing name is fine (a new
// file); an existing one must be a regular file that may be written, and
// `mode` gets its permission bits (only those: extraction never sets setuid,
// setgid or sticky).
ConfinedResult checkTarget(int folder, const QByteArray& name, bool& exists, mode_t& mode)
{
    struct stat st { };
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return failed(ConfinedError::CannotCreate);
        exists = false;
        mode = 0666; // less the umask, at creation
        return {};
    }
    exists = true;
    if (S_ISLNK(st.st_mode))
        return failed(ConfinedError::TargetIsLink, 0);
    if (!S_ISREG(st.st_mode))
        return failed(ConfinedError::TargetIsNotFile, 0);
    // The owner's write bit stands for "read-only"; it is looked at besides
    // the access test because that one says yes to root.
    if ((st.st_mode & S_IWUSR) == 0)
        return failed(ConfinedError::TargetReadOnly, 0);
    if (::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
        return failed(errno == EROFS ? ConfinedError::ReadOnlyFileSystem : ConfinedError::TargetReadOnly, 0);
    mode = st.st_mode & 0777;
    return {};
}

// Makes a temporary file of our own in `folder`, with a short name so that a
// long target name still fits. Names need not be secret: a name someone else
// took (a file or a link) is never opened, only skipped.
Fd makeTemporary(int folder, mode_t mode, std::uint32_t& nextName, QByteArray& temp)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        temp = ".pelkora-" + QByteArray::number(nextName++, 16).rightJustified(8, '0') + ".tmp";
        Fd file(::openat(folder, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (file.valid() || errno != EEXIST)
            return file;
    }
    return Fd();
}

// Runs the producer, stamps the time and closes; the caller removes the file
// when this fails.
ConfinedResult fillAndClose(Fd& file, const ContentProducer& produce, qint64 modifiedUtc)
{
    ConfinedError error = ConfinedError::None;
    errno = 0;
    switch (produce(file.get())) {
    case ContentStatus::Complete:
        if (!StampModified(file.get(), modifiedUtc))
            error = ConfinedError::CannotStamp;
        break;
    case ContentStatus::WriteFailed:
        error = ConfinedError::CannotWrite;
        break;
    case ContentStatus::Failed:
        error = ConfinedError::ContentFailed;
        break;
    }
    const int systemError = error == ConfinedError::ContentFailed ? 0 : errno;
    if (error != ConfinedError::None) {
        file.reset();
        return failed(error, systemError);
    }
    if (!file.close())
        return failed(ConfinedError::CannotWrite);
    if (InterruptionRequested())
        return failed(ConfinedError::Interrupted, 0);
    return {};
}

// Gives the complete temporary file the existing target's permission bits
// (the umask may have narrowed them), opened anew with a link refused.
bool takeMode(int folder, const QByteArray& temp, mode_t mode)
{
    const Fd file(::openat(folder, temp.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    return file.valid() && ::fchmod(file.get(), mode) == 0;
}

// Renames the complete temporary file to `name`. A new file never replaces
// anything: what took the name meanwhile, or held it from the start, gets
// the checks an existing file needs before it is replaced; a name that is a
// link or a folder is refused.
ConfinedResult moveIntoPlace(int folder, const QByteArray& temp, const QByteArray& name)
{
    if (::renameat2(folder, temp.constData(), folder, name.constData(), RENAME_NOREPLACE) == 0)
        return {};
    // EEXIST: the name is taken. EINVAL: the file system cannot refuse to
    // replace; check by hand as below.
    if (errno != EEXIST && errno != EINVAL && errno != ENOSYS)
        return failed(ConfinedError::CannotCreate);
    bool exists = false;
    mode_t mode = 0;
    if (ConfinedResult r = checkTarget(folder, name, exists, mode); !r.ok())
        return r;
    if (exists && !takeMode(folder, temp, mode))
        return failed(ConfinedError::CannotReplace);
    if (::renameat(folder, temp.constData(), folder, name.constData()) != 0)
        return failed(ConfinedError::CannotReplace);
    return {};
}

// Most targets are new: the name is looked at only when the rename finds it
// taken, or when the temporary file cannot be made, so that the answer says
// why (a read-only target or file system rather than "cannot create").
ConfinedResult writeFile(int folder, const QByteArray& name, const ContentProducer& produce, qint64 modifiedUtc,
    std::uint32_t& nextName)
{
    // From here until the temporary file is renamed or removed, SIGINT and
    // SIGTERM wait.
    const InterruptionDeferral deferral;
    if (InterruptionRequested())
        return failed(ConfinedError::Interrupted, 0);
    QByteArray temp;
    Fd file = makeTemporary(folder, 0666, nextName, temp);
    if (!file.valid()) {
        const int error = errno;
        bool exists = false;
        mode_t mode = 0;
        if (ConfinedResult r = checkTarget(folder, name, exists, mode); !r.ok())
            return r;
        return failed(ConfinedError::CannotCreate, error);
    }
    ConfinedResult r = fillAndClose(file, produce, modifiedUtc);
    if (r.ok())
        r = moveIntoPlace(folder, temp, name);
    if (!r.ok())
        ::unlinkat(folder, temp.constData(), 0);
    return r;
}

std::size_t heldFolderLimit()
{
    // Half the descriptors the process may open, leaving room for the rest
    // of the program; never fewer than a few.
    struct rlimit limit { };
    rlim_t open = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        open = limit.rlim_cur;
    return static_cast<std::size_t>(std::clamp<rlim_t>(open / 2, 16, 8192));
}

} // namespace

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

ConfinedWriter::ConfinedWriter(const QString& root, std::size_t writers)
    : mRoot(root)
    , mRootPath(root.isEmpty() ? QStringLiteral(".") : root)
    , mRootBytes(QFile::encodeName(QFileInfo(mRootPath).absoluteFilePath()).size())
    , mMaxHeld(std::max<std::size_t>(heldFolderLimit() / std::max<std::size_t>(writers, 1), 8))
    , mNextName(QRandomGenerator::global()->generate())
{
}

ConfinedWriter::~ConfinedWriter()
{
    releaseAll();
}

void ConfinedWriter::releaseHeld()
{
    for (std::size_t node = 1; node < mHeldFds.size(); ++node)
        ::close(mHeldFds[node]);
    mHeldFds.resize(std::min<std::size_t>(mHeldFds.size(), 1));
    mHeldNodes.clear();
    mLastFolder = -1;
}

void ConfinedWriter::releaseAll()
{
    releaseHeld();
    mHeldFds.clear();
    if (mRootFd >= 0)
        ::close(mRootFd);
    mRootFd = -1;
}

ConfinedResult ConfinedWriter::openRoot()
{
    if (mRootFd >= 0)
        return {};
    const QByteArray native = QFile::encodeName(mRootPath);
    mRootFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mRootFd < 0) {
        MakeDirs(QDir::toNativeSeparators(mRootPath));
        mRootFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (mRootFd < 0) {
            ConfinedResult r = failed(ConfinedError::RootUnusable);
            r.path = mRootPath;
            return r;
        }
    }
    mHeldFds.assign(1, mRootFd);
    return {};
}

QString ConfinedWriter::spelled(const QStringList& folders, qsizetype count, const QString& last) const
{
    QString path = mRootPath;
    const auto append = [&](const QString& component) {
        if (!path.endsWith(u'/'))
            path += u'/';
        path += component;
    };
    for (qsizetype d = 0; d < count; ++d)
        append(folders[d]);
    if (!last.isEmpty())
        append(last);
    return path;
}

ConfinedResult ConfinedWriter::checkLength(const QStringList& folders, const QString& fileName) const
{
    // Counted before any folder is made, so that a name the file system
    // cannot take leaves nothing behind.
    qsizetype bytes = mRootBytes;
    bool fits = true;
    const auto count = [&](const QString& component) {
        const qsizetype length = QFile::encodeName(component).size();
        fits = fits && length <= NAME_MAX;
        bytes += 1 + length;
    };
    for (const QString& folder : folders)
        count(folder);
    count(fileName);
    if (!fits || bytes >= PATH_MAX)
        return {ConfinedError::PathTooLong, spelled(folders, folders.size(), fileName), ENAMETOOLONG};
    return {};
}

ConfinedResult ConfinedWriter::openFolders(const QStringList& folders, int& folderFd, int& unheldFd, bool& usedHeld)
{
    // Most files go to the folder of the file before.
    if (mLastFolder >= 0 && folders == mLastFolders) {
        folderFd = mHeldFds[static_cast<std::size_t>(mLastFolder)];
        usedHeld = true;
        return {};
    }
    if (mHeldFds.size() >= mMaxHeld)
        releaseHeld();

    // Down from the root through held folders while there are some, then
    // opening (and holding, while there is room) the rest. Past the limit a
    // folder is held only until the next one below it is open.
    int node = 0;
    int current = mRootFd;
    Fd unheld;
    for (qsizetype d = 0; d < folders.size(); ++d) {
        if (!unheld.valid()) {
            if (const auto it = mHeldNodes.constFind({node, folders[d]}); it != mHeldNodes.constEnd()) {
                node = *it;
                current = mHeldFds[static_cast<std::size_t>(node)];
                usedHeld = true;
                continue;
            }
        }
        Fd inner;
        if (ConfinedResult r = openFolder(current, QFile::encodeName(folders[d]), inner); !r.ok()) {
            r.path = spelled(folders, d + 1);
            return r;
        }
        if (!unheld.valid() && mHeldFds.size() < mMaxHeld) {
            const int child = static_cast<int>(mHeldFds.size());
            mHeldFds.push_back(inner.release());
            mHeldNodes.insert({node, folders[d]}, child);
            node = child;
            current = mHeldFds.back();
        } else {
            unheld = std::move(inner); // closes the one above, no longer needed
            current = unheld.get();
        }
    }
    folderFd = current;
    if (unheld.valid()) {
        unheldFd = unheld.release();
        mLastFolder = -1;
    } else {
        mLastFolders = folders;
        mLastFolder = folders.isEmpty() ? -1 : node; // the root is not among the held ones
    }
    return {};
}

ConfinedResult ConfinedWriter::write(const QStringList& folders, const QString& fileName, const QByteArray& data,
    qint64 modifiedUtc)
{
    return write(
        folders, fileName,
        [&data](int fd) {
            return WriteAll(fd, data.constData(), static_cast<std::size_t>(data.size())) ? ContentStatus::Complete
                                                                                         : ContentStatus::WriteFailed;
        },
        modifiedUtc);
}

ConfinedResult ConfinedWriter::write(const QStringList& folders, const QString& fileName,
    const ContentProducer& produce, qint64 modifiedUtc)
{
    if (ConfinedResult r = checkLength(folders, fileName); !r.ok())
        return r;
    bool usedHeld = false;
    ConfinedResult r = writeOnce(folders, fileName, produce, modifiedUtc, usedHeld);
    // A held folder that was removed meanwhile (by the user, between two
    // files) cannot take a file; walking from the root again makes it anew,
    // as writing that file alone would have. The producer may be run again
    // and starts over.
    if (!r.ok() && usedHeld && r.systemError == ENOENT) {
        releaseAll();
        usedHeld = false;
        r = writeOnce(folders, fileName, produce, modifiedUtc, usedHeld);
    }
    return r;
}

ConfinedResult ConfinedWriter::writeOnce(const QStringList& folders, const QString& fileName,
    const ContentProducer& produce, qint64 modifiedUtc, bool& usedHeld)
{
    usedHeld = mRootFd >= 0;
    if (ConfinedResult r = openRoot(); !r.ok())
        return r;
    int folder = -1;
    int unheldFd = -1;
    if (ConfinedResult r = openFolders(folders, folder, unheldFd, usedHeld); !r.ok())
        return r;
    const Fd unheld(unheldFd);

    ConfinedResult r = writeFile(folder, QFile::encodeName(fileName), produce, modifiedUtc, mNextName);
    if (!r.ok())
        r.path = spelled(folders, folders.size(), fileName); // spelled out only for the message
    return r;
}

} // namespace pelkora

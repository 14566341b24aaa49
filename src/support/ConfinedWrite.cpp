#include "support/ConfinedWrite.h"

#include "support/Paths.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <utility>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelkora {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1)
        : fd_(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    bool valid() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // Closes and reports a failure of close itself (delayed write errors).
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

ConfinedResult failed(ConfinedError error, const QString& path, int systemError = errno)
{
    return {error, path, systemError};
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t done = ::write(fd, p, static_cast<std::size_t>(left));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += done;
        left -= done;
    }
    return true;
}

bool stamp(int fd, qint64 modifiedUtc)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // the access time stays
    times[1].tv_sec = static_cast<time_t>(modifiedUtc);
    times[1].tv_nsec = 0;
    return ::futimens(fd, times) == 0;
}

// Writes all of `data`, stamps the time and closes; the caller removes the
// file when this fails. Failures of a file leave the path to the caller.
ConfinedResult fillAndClose(Fd& file, const QByteArray& data, qint64 modifiedUtc)
{
    ConfinedError error = ConfinedError::None;
    if (!writeAll(file.get(), data))
        error = ConfinedError::CannotWrite;
    else if (!stamp(file.get(), modifiedUtc))
        error = ConfinedError::CannotStamp;
    const int systemError = errno;
    if (error != ConfinedError::None) {
        file.reset();
        return failed(error, {}, systemError);
    }
    if (!file.close())
        return failed(ConfinedError::CannotWrite, {});
    return {};
}

// Opens (making it when missing) the folder `name` inside `parent`, refusing
// a link.
ConfinedResult openFolder(int parent, const QString& name, const QString& shownPath, Fd& out)
{
    const QByteArray native = QFile::encodeName(name);
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::openat(parent, native.constData(), flags);
        if (fd >= 0) {
            out = Fd(fd);
            return {};
        }
        const int error = errno;
        struct stat st {};
        if (::fstatat(parent, native.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(st.st_mode))
                return failed(ConfinedError::FolderIsLink, shownPath, 0);
            return failed(ConfinedError::FolderNotMade, shownPath, S_ISDIR(st.st_mode) ? error : EEXIST);
        }
        if (errno != ENOENT)
            return failed(ConfinedError::FolderNotMade, shownPath, error);
        if (::mkdirat(parent, native.constData(), 0777) != 0 && errno != EEXIST)
            return failed(ConfinedError::FolderNotMade, shownPath);
    }
    return failed(ConfinedError::FolderNotMade, shownPath);
}

// Replaces the existing file `name` in `folder` through a temporary file.
ConfinedResult replaceFile(int folder, const QByteArray& name, const QByteArray& data, qint64 modifiedUtc)
{
    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return failed(ConfinedError::CannotCreate, {});
    if (S_ISLNK(st.st_mode))
        return failed(ConfinedError::TargetIsLink, {}, 0);
    if (!S_ISREG(st.st_mode))
        return failed(ConfinedError::TargetIsNotFile, {}, 0);
    // The owner's write bit stands for "read-only"; it is looked at besides
    // the access test because that one says yes to root.
    if ((st.st_mode & S_IWUSR) == 0 || ::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
        return failed(ConfinedError::TargetReadOnly, {}, 0);

    // A short name of our own, so that a long target name still fits.
    QByteArray temp;
    Fd file;
    for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
        temp = ".pelkora-" + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        file = Fd(::openat(folder, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
            st.st_mode & 0777));
        if (!file.valid() && errno != EEXIST)
            break;
    }
    if (!file.valid())
        return failed(ConfinedError::CannotCreate, {});

    // Only the permission bits carry over: extraction never sets setuid, setgid or sticky.
    ::fchmod(file.get(), st.st_mode & 0777); // the umask may have narrowed it
    ConfinedResult r = fillAndClose(file, data, modifiedUtc);
    if (r.ok() && ::renameat(folder, temp.constData(), folder, name.constData()) != 0)
        r = failed(ConfinedError::CannotReplace, {});
    if (!r.ok())
        ::unlinkat(folder, temp.constData(), 0);
    return r;
}

} // namespace

QString ConfinedResult::message() const
{
    const QString where = u'"' + QDir::toNativeSeparators(path) + u'"';
    const QString why = systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : QString();
    const QString because = why.isEmpty() ? QString() : QStringLiteral(": ") + why;
    switch (error) {
    case ConfinedError::None:
        return {};
    case ConfinedError::RootUnusable:
        return QStringLiteral("the destination folder %1 cannot be used%2.").arg(where, because);
    case ConfinedError::FolderIsLink:
        return QStringLiteral("refused, the folder %1 is a link.").arg(where);
    case ConfinedError::FolderNotMade:
        return QStringLiteral("the folder %1 cannot be created%2.").arg(where, because);
    case ConfinedError::TargetIsLink:
        return QStringLiteral("refused, %1 is a link.").arg(where);
    case ConfinedError::TargetIsNotFile:
        return QStringLiteral("a folder or other non-file %1 is in the way.").arg(where);
    case ConfinedError::TargetReadOnly:
        return QStringLiteral("the existing file %1 is read-only and was kept.").arg(where);
    case ConfinedError::CannotCreate:
        return QStringLiteral("%1 cannot be created%2.").arg(where, because);
    case ConfinedError::CannotWrite:
        return QStringLiteral("%1 cannot be written%2.").arg(where, because);
    case ConfinedError::CannotReplace:
        return QStringLiteral("%1 cannot replace the existing file%2.").arg(where, because);
    case ConfinedError::CannotStamp:
        return QStringLiteral("the modification time of %1 cannot be set%2.").arg(where, because);
    }
    return {};
}

ConfinedWriter::ConfinedWriter(const QString& root)
    : root_(root)
    , rootPath_(root.isEmpty() ? QStringLiteral(".") : root)
{
}

ConfinedWriter::~ConfinedWriter()
{
    releaseAll();
}

void ConfinedWriter::releaseAll()
{
    for (const int fd : std::as_const(held_))
        ::close(fd);
    held_.clear();
    lastFolder_ = -1;
    if (rootFd_ >= 0)
        ::close(rootFd_);
    rootFd_ = -1;
}

void ConfinedWriter::hold(const QString& key, int fd)
{
    // A few folders at a time are plenty: archives keep a folder's files
    // together, and the list's name order revisits a handful of folders.
    constexpr qsizetype kMaxHeld = 64;
    if (held_.size() >= kMaxHeld) {
        for (const int held : std::as_const(held_))
            ::close(held);
        held_.clear();
        lastFolder_ = -1;
    }
    held_.insert(key, fd);
}

ConfinedResult ConfinedWriter::openRoot()
{
    if (rootFd_ >= 0)
        return {};
    const QByteArray native = QFile::encodeName(rootPath_);
    rootFd_ = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd_ < 0) {
        MakeDirs(QDir::toNativeSeparators(rootPath_));
        rootFd_ = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (rootFd_ < 0)
            return failed(ConfinedError::RootUnusable, rootPath_);
    }
    return {};
}

ConfinedResult ConfinedWriter::openFolders(const QStringList& folders, int& folderFd, bool& usedHeld)
{
    // Most files go to the folder of the file before.
    if (lastFolder_ >= 0 && folders == lastFolders_) {
        folderFd = lastFolder_;
        usedHeld = true;
        return {};
    }
    // keys[d]: the first d folders joined by "/".
    QStringList keys(folders.size() + 1);
    for (qsizetype d = 0; d < folders.size(); ++d)
        keys[d + 1] = d == 0 ? folders[0] : keys[d] + u'/' + folders[d];

    // The walk starts at the deepest folder already held.
    qsizetype depth = folders.size();
    int current = rootFd_;
    for (; depth > 0; --depth) {
        if (const auto it = held_.constFind(keys[depth]); it != held_.constEnd()) {
            current = *it;
            usedHeld = true;
            break;
        }
    }
    const QString base = rootPath_.endsWith(u'/') ? rootPath_ : rootPath_ + u'/';
    for (; depth < folders.size(); ++depth) {
        Fd inner;
        ConfinedResult r = openFolder(current, folders[depth], base + keys[depth + 1], inner);
        if (!r.ok())
            return r;
        current = inner.release();
        hold(keys[depth + 1], current); // may close the parent, which is no longer needed
    }
    folderFd = current;
    lastFolders_ = folders;
    lastFolder_ = folders.isEmpty() ? -1 : current; // the root is not among the held ones
    return {};
}

ConfinedResult ConfinedWriter::write(const QStringList& folders, const QString& fileName, const QByteArray& data,
    qint64 modifiedUtc)
{
    bool usedHeld = false;
    ConfinedResult r = writeOnce(folders, fileName, data, modifiedUtc, usedHeld);
    // A held folder that was removed meanwhile (by the user, between two
    // files) cannot take a file; walking from the root again makes it anew,
    // as writing that file alone would have.
    if (!r.ok() && usedHeld && r.systemError == ENOENT) {
        releaseAll();
        usedHeld = false;
        r = writeOnce(folders, fileName, data, modifiedUtc, usedHeld);
    }
    return r;
}

ConfinedResult ConfinedWriter::writeOnce(const QStringList& folders, const QString& fileName, const QByteArray& data,
    qint64 modifiedUtc, bool& usedHeld)
{
    usedHeld = rootFd_ >= 0;
    if (ConfinedResult r = openRoot(); !r.ok())
        return r;
    int folder = -1;
    if (ConfinedResult r = openFolders(folders, folder, usedHeld); !r.ok())
        return r;

    const QByteArray name = QFile::encodeName(fileName);
    ConfinedResult r;
    Fd file(::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.valid()) {
        // A new file: nothing to lose, so it is written in place and removed
        // again if the write does not complete.
        r = fillAndClose(file, data, modifiedUtc);
        if (!r.ok())
            ::unlinkat(folder, name.constData(), 0);
    } else if (errno == EEXIST) {
        r = replaceFile(folder, name, data, modifiedUtc);
    } else {
        r = failed(ConfinedError::CannotCreate, {});
    }
    if (!r.ok()) {
        // The path is spelled out only for the message.
        r.path = rootPath_;
        for (const QString& component : folders + QStringList{fileName}) {
            if (!r.path.endsWith(u'/'))
                r.path += u'/';
            r.path += component;
        }
    }
    return r;
}

} // namespace pelkora

#include "archive/ArchiveWriter.h"

#include "archive/ArchiveNames.h"
#include "archive/BigDirectory.h"
#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "archive/UnscrambleName.h"
#include "lzss/LzssEncoder.h"
#include "support/ConfinedWrite.h"
#include "support/Crc.h"
#include "support/FileCopy.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelkora {
namespace {

[[noreturn]] void fail(int number, const QString& text)
{
    throw BigRuntimeError(number, QStringLiteral("Write"), text);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void putInt32(char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((value >> (8 * i)) & 0xFFu);
}

class Descriptor {
public:
    explicit Descriptor(int fd)
        : mFd(fd)
    {
    }
    ~Descriptor()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return mFd; }

private:
    int mFd;
};

// Reads up to `size` bytes at the current position; fewer only at the end.
qint64 readUpTo(int fd, char* dst, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, dst + done, static_cast<std::size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

ArchiveWriter::ArchiveWriter(const QString& target, std::int32_t entryCount, ArchiveHeaderReserved reserved)
    : mTarget(target)
    , mEntryCount(entryCount)
    , mReserved(reserved)
    , mPosition(ArchiveSize(entryCount, 0))
    , mDirectory(static_cast<std::size_t>(entryCount) * big::kEntrySize, '\0')
    , mFilled(static_cast<std::size_t>(entryCount), false)
{
    CheckArchiveSize(mPosition);
    const QByteArray encodedTarget = QFile::encodeName(target);
    mode_t mode = 0;
    struct stat st { };
    if (::stat(encodedTarget.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            fail(failure::FileAccess, QStringLiteral("%1: not a regular file, refused as the output.").arg(target));
        mTargetExists = true;
        mTargetDevice = st.st_dev;
        mTargetInode = st.st_ino;
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const QFileInfo info(target);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.pelkora-XXXXXX.tmp"));
    mFd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (mFd < 0)
        fail(failure::FileAccess,
            QStringLiteral("%1: the temporary file cannot be created: %2").arg(target, systemReason(errno)));
    mTemporaryPath = QFile::decodeName(pattern);
    if (::fchmod(mFd, mode) != 0 || ::lseek(mFd, mPosition, SEEK_SET) != mPosition)
        fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(errno)));
}

ArchiveWriter::~ArchiveWriter()
{
    if (mFd >= 0)
        ::close(mFd);
    if (!mCommitted && !mTemporaryPath.isEmpty())
        ::unlink(QFile::encodeName(mTemporaryPath).constData());
}

void ArchiveWriter::checkInterruption() const
{
    if (InterruptionRequested())
        fail(failure::Interrupted, QStringLiteral("%1: interrupted, nothing written.").arg(mTarget));
}

char* ArchiveWriter::record(std::int32_t slot)
{
    if (slot < 0 || slot >= mEntryCount || mFilled[static_cast<std::size_t>(slot)])
        fail(failure::FileAccess, QStringLiteral("%1: entry %2 given twice or out of range.").arg(mTarget).arg(slot));
    mFilled[static_cast<std::size_t>(slot)] = true;
    return mDirectory.data() + static_cast<std::size_t>(slot) * big::kEntrySize;
}

void ArchiveWriter::checkEnd(qint64 bytesToCome, const QString& what) const
{
    if (mPosition + bytesToCome > kLargestArchive)
        fail(failure::TooLarge,
            QStringLiteral("%1: refused, with %2 the archive would pass the format's limit of %3 bytes.")
                .arg(mTarget, what)
                .arg(kLargestArchive));
}

void ArchiveWriter::writeArea(const QByteArray& bytes)
{
    if (!WriteAll(mFd, bytes.constData(), static_cast<std::size_t>(bytes.size())))
        fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(errno)));
    mPosition += bytes.size();
}

void ArchiveWriter::AddFile(std::int32_t slot, const QString& fullName, const QString& path, int level)
{
    checkInterruption();
    const QByteArray name = ArchiveNameBytes(fullName);
    // Not blocking: a pipe swapped in for the file is refused below, not waited on.
    const Descriptor input(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (input.get() < 0)
        fail(failure::NoInput, QStringLiteral("%1: cannot be read: %2").arg(path, systemReason(errno)));
    struct stat st { };
    if (::fstat(input.get(), &st) != 0)
        fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    if (!S_ISREG(st.st_mode))
        fail(failure::NoInput, QStringLiteral("%1: not a regular file.").arg(path));
    struct stat own { };
    const bool isOwn = ::fstat(mFd, &own) == 0 && own.st_dev == st.st_dev && own.st_ino == st.st_ino;
    if (isOwn || (mTargetExists && st.st_dev == mTargetDevice && st.st_ino == mTargetInode))
        fail(failure::FileAccess, QStringLiteral("%1: refused, it is the output archive itself.").arg(path));
    checkEnd(AreaSize(name.size(), st.st_size), QStringLiteral("\"%1\"").arg(fullName));
    const std::int32_t timestamp = EntryTimestampOf(st.st_mtim.tv_sec, fullName);

    QByteArray head = name; // the name and the byte after it
    ScrambleName(reinterpret_cast<unsigned char*>(head.data()), head.size() - 1);
    head.append('\0');
    const qint64 areaStart = mPosition;
    writeArea(head);
    bool compressed = false;
    qint64 contentSize = 0;
    qint64 storedSize = 0;
    if (level <= 0) {
        // Stored as it is: copied in pieces, never held.
        // A file that shrank meanwhile is taken as it now is.
        const qint64 copied = copyFrom(input.get(), 0, st.st_size, path);
        contentSize = copied < 0 ? -1 - copied : copied;
        storedSize = contentSize;
    } else {
        try {
            QByteArray content(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
            contentSize = readUpTo(input.get(), content.data(), content.size());
            if (contentSize < 0)
                fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
            content.truncate(contentSize);
            const QByteArray stream = contentSize > 0 ? EncodeLZSS(content, level) : QByteArray();
            compressed = contentSize > 0 && stream.size() < content.size();
            const QByteArray& stored = compressed ? stream : content;
            writeArea(stored);
            storedSize = stored.size();
        } catch (const std::bad_alloc&) {
            fail(failure::OutOfMemory, QStringLiteral("%1: out of memory while packing it.").arg(path));
        }
    }

    char* r = record(slot);
    const std::uint64_t hash = NameKey(fullName);
    putInt32(r + big::kEntryHashLowOffset, static_cast<std::uint32_t>(hash));
    putInt32(r + big::kEntryHashHighOffset, static_cast<std::uint32_t>(hash >> 32));
    putInt32(r + big::kEntryNameLengthOffset, static_cast<std::uint32_t>(name.size()));
    putInt32(r + big::kEntryPackedSizeOffset, static_cast<std::uint32_t>(storedSize));
    putInt32(r + big::kEntryUnpackedSizeOffset, static_cast<std::uint32_t>(contentSize));
    putInt32(r + big::kEntryOffsetOffset, static_cast<std::uint32_t>(areaStart));
    putInt32(r + big::kEntryTimestampOffset, static_cast<std::uint32_t>(timestamp));
    r[big::kEntryFlagOffset] = compressed ? 1 : 0;
}

qint64 ArchiveWriter::copyFrom(int in, qint64 from, qint64 size, const QString& what)
{
    qint64 copied = 0;
    CopyEnd end = CopyRange(in, from, size, mFd, copied);
    if (end == CopyEnd::Unsupported) {
        constexpr qint64 kPiece = 1 << 20;
        QByteArray buffer(static_cast<qsizetype>(std::min(kPiece, size - copied)), Qt::Uninitialized);
        end = CopyEnd::Done;
        while (copied < size) {
            const qint64 piece = std::min<qint64>(buffer.size(), size - copied);
            const ssize_t n = ::pread(in, buffer.data(), static_cast<std::size_t>(piece), from + copied);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(what, systemReason(errno)));
            if (n == 0) {
                end = CopyEnd::SourceShort;
                break;
            }
            if (!WriteAll(mFd, buffer.constData(), static_cast<std::size_t>(n)))
                fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(errno)));
            copied += n;
        }
    }
    if (end == CopyEnd::Failed)
        fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(errno)));
    mPosition += copied;
    return end == CopyEnd::SourceShort ? -1 - copied : copied;
}

void ArchiveWriter::AddCopied(std::int32_t slot, const BigDirectory& source, std::int32_t ID)
{
    checkInterruption();
    const BigEntry& entry = source.Entry(ID);
    const StoredRange stored = source.Stored(ID); // checked to lie inside the file
    const qint64 areaStart = entry.entryOffset;
    const qint64 areaSize = stored.start + stored.size - areaStart;
    checkEnd(areaSize, QStringLiteral("entry %1").arg(ID));

    char* r = record(slot);
    const qint64 recordAt = big::kHeaderSize + static_cast<qint64>(ID) * big::kEntrySize;
    if (::pread(source.Handle(), r, big::kEntrySize, recordAt) != big::kEntrySize)
        fail(failure::DeviceIo,
            QStringLiteral("entry %1's record cannot be read: %2").arg(ID).arg(systemReason(errno)));
    putInt32(r + big::kEntryOffsetOffset, static_cast<std::uint32_t>(mPosition));

    if (copyFrom(source.Handle(), areaStart, areaSize, QStringLiteral("entry %1").arg(ID)) != areaSize)
        fail(failure::DeviceIo, QStringLiteral("entry %1: the archive ended before its data did.").arg(ID));
}

void ArchiveWriter::Commit()
{
    checkInterruption();
    for (std::int32_t slot = 0; slot < mEntryCount; ++slot)
        if (!mFilled[static_cast<std::size_t>(slot)])
            fail(failure::FileAccess, QStringLiteral("%1: entry %2 was never written.").arg(mTarget).arg(slot));
    char header[big::kHeaderSize] = {};
    std::memcpy(header, big::kSignature, big::kSignatureSize);
    header[big::kHeaderReservedByteOffset] = static_cast<char>(mReserved.byte7);
    putInt32(header + big::kHeaderFileCountOffset, static_cast<std::uint32_t>(mEntryCount));
    putInt32(header + big::kHeaderReservedWordOffset, mReserved.word12);
    const auto writeAt = [&](const char* data, std::size_t size, off_t at) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(mFd, data + done, size - done, at + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(failure::DeviceIo,
                    QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(n < 0 ? errno : EIO)));
            done += static_cast<std::size_t>(n);
        }
    };
    writeAt(header, sizeof header, 0);
    writeAt(mDirectory.data(), mDirectory.size(), big::kHeaderSize);
    if (::fsync(mFd) != 0)
        fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(errno)));
    const int fd = mFd;
    mFd = -1;
    if (::close(fd) != 0)
        fail(failure::DeviceIo, QStringLiteral("%1: %2").arg(mTemporaryPath, systemReason(errno)));
    checkInterruption();
    if (::rename(QFile::encodeName(mTemporaryPath).constData(), QFile::encodeName(mTarget).constData()) != 0)
        fail(failure::FileAccess, QStringLiteral("%1: cannot be replaced: %2").arg(mTarget, systemReason(errno)));
    mCommitted = true;
}

} // namespace pelkora

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
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
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
    : m_target(target)
    , m_entryCount(entryCount)
    , m_reserved(reserved)
    , m_position(ArchiveSize(entryCount, 0))
    , m_directory(static_cast<std::size_t>(entryCount) * big::kEntrySize, '\0')
    , m_filled(static_cast<std::size_t>(entryCount), false)
{
    CheckArchiveSize(m_position);
    const QByteArray encodedTarget = QFile::encodeName(target);
    mode_t mode = 0;
    struct stat st { };
    if (::stat(encodedTarget.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            fail(write_error::FileAccess, QStringLiteral("%1: not a regular file, refused as the output.").arg(target));
        m_targetExists = true;
        m_targetDevice = st.st_dev;
        m_targetInode = st.st_ino;
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const QFileInfo info(target);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.pelkora-XXXXXX.tmp"));
    m_fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (m_fd < 0)
        fail(write_error::FileAccess,
            QStringLiteral("%1: the temporary file cannot be created: %2").arg(target, systemReason(errno)));
    m_temporaryPath = QFile::decodeName(pattern);
    if (::fchmod(m_fd, mode) != 0 || ::lseek(m_fd, m_position, SEEK_SET) != m_position)
        fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(errno)));
}

ArchiveWriter::~ArchiveWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporaryPath.isEmpty())
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
}

void ArchiveWriter::checkInterruption() const
{
    if (InterruptionRequested())
        fail(write_error::Interrupted, QStringLiteral("%1: interrupted, nothing written.").arg(m_target));
}

char* ArchiveWriter::record(std::int32_t slot)
{
    if (slot < 0 || slot >= m_entryCount || m_filled[static_cast<std::size_t>(slot)])
        fail(write_error::FileAccess,
            QStringLiteral("%1: entry %2 given twice or out of range.").arg(m_target).arg(slot));
    m_filled[static_cast<std::size_t>(slot)] = true;
    return m_directory.data() + static_cast<std::size_t>(slot) * big::kEntrySize;
}

void ArchiveWriter::checkEnd(qint64 bytesToCome, const QString& what) const
{
    if (m_position + bytesToCome > kLargestArchive)
        fail(write_error::TooLarge,
            QStringLiteral("%1: refused, with %2 the archive would pass the format's limit of %3 bytes.")
                .arg(m_target, what)
                .arg(kLargestArchive));
}

void ArchiveWriter::writeArea(const QByteArray& bytes)
{
    if (!WriteAll(m_fd, bytes.constData(), static_cast<std::size_t>(bytes.size())))
        fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(errno)));
    m_position += bytes.size();
}

void ArchiveWriter::AddFile(std::int32_t slot, const QString& fullName, const QString& path, int level)
{
    checkInterruption();
    const QByteArray name = ArchiveNameBytes(fullName);
    // Not blocking: a pipe swapped in for the file is refused below, not waited on.
    const Descriptor input(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (input.get() < 0)
        fail(write_error::NoInput, QStringLiteral("%1: cannot be read: %2").arg(path, systemReason(errno)));
    struct stat st { };
    if (::fstat(input.get(), &st) != 0)
        fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    if (!S_ISREG(st.st_mode))
        fail(write_error::NoInput, QStringLiteral("%1: not a regular file.").arg(path));
    struct stat own { };
    const bool isOwn = ::fstat(m_fd, &own) == 0 && own.st_dev == st.st_dev && own.st_ino == st.st_ino;
    if (isOwn || (m_targetExists && st.st_dev == m_targetDevice && st.st_ino == m_targetInode))
        fail(write_error::FileAccess, QStringLiteral("%1: refused, it is the output archive itself.").arg(path));
    checkEnd(AreaSize(name.size(), st.st_size), QStringLiteral("\"%1\"").arg(fullName));
    const std::int32_t timestamp = EntryTimestampOf(st.st_mtim.tv_sec, fullName);

    QByteArray head = name; // the name and the byte after it
    ScrambleName(reinterpret_cast<unsigned char*>(head.data()), head.size() - 1);
    head.append('\0');
    const qint64 areaStart = m_position;
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
                fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
            content.truncate(contentSize);
            const QByteArray stream = contentSize > 0 ? EncodeLZSS(content, level) : QByteArray();
            compressed = contentSize > 0 && stream.size() < content.size();
            const QByteArray& stored = compressed ? stream : content;
            writeArea(stored);
            storedSize = stored.size();
        } catch (const std::bad_alloc&) {
            fail(runtime_error::OutOfMemory, QStringLiteral("%1: out of memory while packing it.").arg(path));
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
    CopyEnd end = CopyRange(in, from, size, m_fd, copied);
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
                fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(what, systemReason(errno)));
            if (n == 0) {
                end = CopyEnd::SourceShort;
                break;
            }
            if (!WriteAll(m_fd, buffer.constData(), static_cast<std::size_t>(n)))
                fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(errno)));
            copied += n;
        }
    }
    if (end == CopyEnd::Failed)
        fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(errno)));
    m_position += copied;
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
        fail(write_error::DeviceIo,
            QStringLiteral("entry %1's record cannot be read: %2").arg(ID).arg(systemReason(errno)));
    putInt32(r + big::kEntryOffsetOffset, static_cast<std::uint32_t>(m_position));

    if (copyFrom(source.Handle(), areaStart, areaSize, QStringLiteral("entry %1").arg(ID)) != areaSize)
        fail(write_error::DeviceIo, QStringLiteral("entry %1: the archive ended before its data did.").arg(ID));
}

void ArchiveWriter::Commit()
{
    checkInterruption();
    for (std::int32_t slot = 0; slot < m_entryCount; ++slot)
        if (!m_filled[static_cast<std::size_t>(slot)])
            fail(write_error::FileAccess, QStringLiteral("%1: entry %2 was never written.").arg(m_target).arg(slot));
    char header[big::kHeaderSize] = {};
    std::memcpy(header, big::kSignature, big::kSignatureSize);
    header[7] = static_cast<char>(m_reserved.byte7);
    putInt32(header + big::kHeaderFileCountOffset, static_cast<std::uint32_t>(m_entryCount));
    putInt32(header + 12, m_reserved.word12);
    const auto writeAt = [&](const char* data, std::size_t size, off_t at) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, at + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(write_error::DeviceIo,
                    QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(n < 0 ? errno : EIO)));
            done += static_cast<std::size_t>(n);
        }
    };
    writeAt(header, sizeof header, 0);
    writeAt(m_directory.data(), m_directory.size(), big::kHeaderSize);
    if (::fsync(m_fd) != 0)
        fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(errno)));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(write_error::DeviceIo, QStringLiteral("%1: %2").arg(m_temporaryPath, systemReason(errno)));
    checkInterruption();
    if (::rename(QFile::encodeName(m_temporaryPath).constData(), QFile::encodeName(m_target).constData()) != 0)
        fail(write_error::FileAccess, QStringLiteral("%1: cannot be replaced: %2").arg(m_target, systemReason(errno)));
    m_committed = true;
}

} // namespace pelkora

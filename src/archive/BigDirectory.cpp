#include "archive/BigDirectory.h"

#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "archive/UnscrambleName.h"
#include "archive/cError.h"
#include "support/AnsiText.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>

namespace pelkora {
namespace {

constexpr std::int32_t kNameBlockSize = 16384;

std::int32_t readInt32(const unsigned char* p)
{
    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return static_cast<std::int32_t>(v);
}

std::uint32_t readUInt32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(readInt32(p));
}

BigEntry parseEntry(const unsigned char* record)
{
    BigEntry e;
    e.hashLow = readUInt32(record + big::kEntryHashLowOffset);
    e.hashHigh = readUInt32(record + big::kEntryHashHighOffset);
    e.nameLength = readInt32(record + big::kEntryNameLengthOffset);
    e.compressedSize = readInt32(record + big::kEntryPackedSizeOffset);
    e.uncompressedSize = readInt32(record + big::kEntryUnpackedSizeOffset);
    e.entryOffset = readInt32(record + big::kEntryOffsetOffset);
    e.timestamp = readInt32(record + big::kEntryTimestampOffset);
    e.compressedFlag = record[big::kEntryFlagOffset];
    return e;
}

[[noreturn]] void raise(int number, const char* source, const QString& description)
{
    throw BigRuntimeError(number, QString::fromLatin1(source), description);
}

// What a read is about: "the name of entry 3", or "the header" (ID < 0).
QString readSubject(const char* what, std::int32_t ID)
{
    if (ID < 0)
        return QStringLiteral("the %1").arg(QLatin1String(what));
    return QStringLiteral("the %1 of entry %2").arg(QLatin1String(what)).arg(ID);
}

} // namespace

BigDirectory::~BigDirectory() = default;

// Reads exactly `size` bytes at `offset`; a short read or an I/O error is a
// run-time failure naming `what` of entry ID (or of the archive when ID < 0).
void BigDirectory::readAt(qint64 offset, char* dst, qint64 size, const char* what, std::int32_t ID,
    const char* source) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(mFd, dst + done, static_cast<std::size_t>(size - done), static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            raise(failure::DeviceIo, source,
                QStringLiteral("Cannot read %1: %2.")
                    .arg(readSubject(what, ID), QString::fromLocal8Bit(std::strerror(errno))));
        if (got == 0) {
            QString subject = readSubject(what, ID);
            subject[0] = subject[0].toUpper();
            raise(failure::PastEndOfFile, source, QStringLiteral("%1 runs past the end of the file.").arg(subject));
        }
        done += got;
    }
}

BigDirectory::Opened BigDirectory::Open(const QString& filename)
{
    // Every regular file counts as present; folders and missing paths do not.
    if (!QFileInfo(filename).isFile())
        return {nullptr, cError::FileNotFound};

    constexpr const char* source = "Load";
    std::shared_ptr<BigDirectory> d(new BigDirectory);
    try {
        d->mFile = std::make_unique<QFile>(filename);
        if (!d->mFile->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            raise(failure::FileAccess, source,
                QStringLiteral("Cannot open \"%1\": %2.").arg(filename, d->mFile->errorString()));
        d->mFd = d->mFile->handle();
        d->mFileSize = d->mFile->size();

        // A file shorter than the header reads as if zeros followed it.
        unsigned char header[big::kHeaderSize] = {};
        const qint64 headerBytes = std::min<qint64>(d->mFileSize, big::kHeaderSize);
        if (headerBytes > 0)
            d->readAt(0, reinterpret_cast<char*>(header), headerBytes, "header", -1, source);
        if (std::memcmp(header, big::kSignature, big::kSignatureSize) != 0)
            return {nullptr, cError::NotABigFile};

        if (d->mFileSize < big::kHeaderSize)
            raise(failure::PastEndOfFile, source, QStringLiteral("The header runs past the end of the file."));
        const std::int32_t count = readInt32(header + big::kHeaderFileCountOffset);
        d->mHeaderReserved = {
            header[big::kHeaderReservedByteOffset], readUInt32(header + big::kHeaderReservedWordOffset)};
        if (count < 0)
            raise(failure::BadRecord, source, QStringLiteral("The archive's entry count is negative (%1).").arg(count));
        const qint64 directoryBytes = static_cast<qint64>(count) * big::kEntrySize;
        if (big::kHeaderSize + directoryBytes > d->mFileSize)
            raise(failure::PastEndOfFile, source, QStringLiteral("Directory runs past the end of the file."));

        d->mEntries.resize(static_cast<std::size_t>(count));
        d->mIndex.resize(static_cast<std::size_t>(count));
        // Read in pieces and parsed as they come, so the stored records are
        // never held whole beside the parsed ones.
        constexpr std::int32_t kPieceRecords = 32768;
        QByteArray piece(std::min<qint64>(directoryBytes, qint64{kPieceRecords} * big::kEntrySize), Qt::Uninitialized);
        const auto* records = reinterpret_cast<const unsigned char*>(piece.constData());
        for (std::int32_t first = 0; first < count; first += kPieceRecords) {
            const std::int32_t n = std::min(kPieceRecords, count - first);
            d->readAt(big::kHeaderSize + qint64{first} * big::kEntrySize, piece.data(), qint64{n} * big::kEntrySize,
                "directory", -1, source);
            for (std::int32_t i = 0; i < n; ++i) {
                const auto at = static_cast<std::size_t>(first + i);
                d->mEntries[at] = parseEntry(records + static_cast<qint64>(i) * big::kEntrySize);
                d->mIndex[at] = {d->mEntries[at].hash(), first + i};
            }
        }
        std::sort(d->mIndex.begin(), d->mIndex.end());
    } catch (const std::bad_alloc&) {
        raise(failure::OutOfMemory, source,
            QStringLiteral("Out of memory reading the directory of \"%1\".").arg(filename));
    }
    return {std::move(d), 0};
}

std::int32_t BigDirectory::FindNextFile(std::uint64_t hash, std::int32_t afterId) const
{
    const auto it = std::upper_bound(mIndex.begin(), mIndex.end(), std::make_pair(hash, afterId));
    if (it != mIndex.end() && it->first == hash)
        return it->second;
    return -1;
}

void BigDirectory::checkId(std::int32_t ID, const char* source) const
{
    if (ID < 0 || ID >= FileCount()) {
        cError bounds;
        bounds.setNumber(cError::IdOutOfBounds);
        raise(cError::IdOutOfBounds, source, bounds.Description());
    }
}

// The effective name length of an entry whose area may be read: a negative
// length or offset is a broken record.
std::int32_t BigDirectory::nameLengthOf(std::int32_t ID, const char* source) const
{
    const BigEntry& e = Entry(ID);
    const std::int32_t length = big::EffectiveNameLength(e.nameLength);
    if (length < 0)
        raise(failure::BadRecord, source, QStringLiteral("Entry %1 has a negative name length.").arg(ID));
    if (e.entryOffset < 0)
        raise(failure::BadRecord, source, QStringLiteral("Entry %1 has a negative offset.").arg(ID));
    return length;
}

QString BigDirectory::Name(std::int32_t ID, NameBlock* cache) const
{
    constexpr const char* source = "GetFileName";
    checkId(ID, source);
    const BigEntry& e = Entry(ID);
    const std::int32_t length = nameLengthOf(ID, source);
    const qint64 offset = e.entryOffset;
    if (offset + length > mFileSize)
        raise(failure::PastEndOfFile, source,
            QStringLiteral("The name of entry %1 runs past the end of the file.").arg(ID));
    if (length == 0)
        return {};
    try {
        QByteArray bytes(length, Qt::Uninitialized);
        if (!cache || length > kNameBlockSize) {
            readAt(offset, bytes.data(), length, "name", ID, source);
        } else {
            if (cache->start < 0 || offset < cache->start || offset + length > cache->start + cache->bytes.size()) {
                cache->start = -1;
                cache->bytes.resize(std::min<qint64>(kNameBlockSize, mFileSize - offset));
                readAt(offset, cache->bytes.data(), cache->bytes.size(), "name", ID, source);
                cache->start = offset;
            }
            std::memcpy(bytes.data(), cache->bytes.constData() + (offset - cache->start),
                static_cast<std::size_t>(length));
        }
        UnscrambleName(reinterpret_cast<unsigned char*>(bytes.data()), length - 1);
        return FromAnsi(bytes);
    } catch (const std::bad_alloc&) {
        raise(failure::OutOfMemory, source, QStringLiteral("Out of memory reading the name of entry %1.").arg(ID));
    }
}

StoredRange BigDirectory::Stored(std::int32_t ID) const
{
    constexpr const char* source = "GetFileBlob";
    checkId(ID, source);
    const BigEntry& e = Entry(ID);
    const std::int32_t length = nameLengthOf(ID, source);
    if (e.compressedSize < 0)
        raise(failure::BadRecord, source, QStringLiteral("Entry %1 has a negative packed size.").arg(ID));
    if (e.compressedSize == 0)
        return {};
    const qint64 start = static_cast<qint64>(e.entryOffset) + length + big::kNameDataGap;
    if (start + e.compressedSize > mFileSize)
        raise(failure::PastEndOfFile, source,
            QStringLiteral("The data of entry %1 runs past the end of the file.").arg(ID));
    return {start, e.compressedSize};
}

QByteArray BigDirectory::Blob(std::int32_t ID) const
{
    const StoredRange data = Stored(ID);
    if (data.size == 0)
        return {};
    try {
        QByteArray bytes(static_cast<qsizetype>(data.size), Qt::Uninitialized);
        readAt(data.start, bytes.data(), data.size, "data", ID, "GetFileBlob");
        return bytes;
    } catch (const std::bad_alloc&) {
        raise(failure::OutOfMemory, "GetFileBlob",
            QStringLiteral("Out of memory reading the data of entry %1.").arg(ID));
    }
}

void BigDirectory::ReadData(qint64 offset, char* dst, qint64 size, std::int32_t ID) const
{
    readAt(offset, dst, size, "data", ID, "GetFileBlob");
}

qint64 BigDirectory::DataOffset(std::int32_t ID) const
{
    constexpr const char* source = "data_offset";
    checkId(ID, source);
    return static_cast<qint64>(Entry(ID).entryOffset) + nameLengthOf(ID, source) + big::kNameDataGap;
}

} // namespace pelkora

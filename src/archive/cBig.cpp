#include "archive/cBig.h"

#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "archive/UnscrambleName.h"
#include "support/AnsiText.h"
#include "support/Crc.h"
#include "support/TimestampText.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace pelkora {
namespace {

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

} // namespace

cBig::cBig() = default;

cBig::~cBig()
{
    closeFile();
}

void cBig::closeFile()
{
    if (file_.isOpen())
        file_.close();
}

void cBig::raise(int number, const QString& description)
{
    error_.setNumber(number);
    error_.setDescription(description);
    throw BigRuntimeError(error_.Number(), QString::fromLatin1(operation_), error_.Description());
}

namespace {

// What a read is about: "the name of entry 3", or "the header" (ID < 0).
QString readSubject(const char* what, std::int32_t ID)
{
    if (ID < 0)
        return QStringLiteral("the %1").arg(QLatin1String(what));
    return QStringLiteral("the %1 of entry %2").arg(QLatin1String(what)).arg(ID);
}

} // namespace

// Reads exactly `size` bytes at `offset`; a short read or an I/O error is a
// run-time failure naming `what` of entry ID (or of the archive when ID < 0).
void cBig::readAt(qint64 offset, char* dst, qint64 size, const char* what, std::int32_t ID)
{
    qint64 done = 0;
    while (done < size) {
#ifdef Q_OS_UNIX
        const ssize_t got = ::pread(file_.handle(), dst + done, static_cast<std::size_t>(size - done),
            static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            raise(runtime_error::DeviceIo,
                QStringLiteral("Cannot read %1: %2.")
                    .arg(readSubject(what, ID), QString::fromLocal8Bit(std::strerror(errno))));
#else
        if (!file_.seek(offset + done))
            raise(runtime_error::DeviceIo, QStringLiteral("Cannot read %1.").arg(readSubject(what, ID)));
        const qint64 got = file_.read(dst + done, size - done);
        if (got < 0)
            raise(runtime_error::DeviceIo, QStringLiteral("Cannot read %1.").arg(readSubject(what, ID)));
#endif
        if (got == 0) {
            QString subject = readSubject(what, ID);
            subject[0] = subject[0].toUpper();
            raise(runtime_error::PastEndOfFile, QStringLiteral("%1 runs past the end of the file.").arg(subject));
        }
        done += got;
    }
}

bool cBig::Load(const QString& filename)
{
    operation_ = "Load";
    error_.Clear();
    if (loaded_)
        return false;
    loaded_ = false;
    name_.clear();

    // Every regular file counts as present; folders and missing paths do not.
    if (!QFileInfo(filename).isFile()) {
        error_.setNumber(cError::FileNotFound);
        return false;
    }

    try {
        file_.setFileName(filename);
        if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            raise(runtime_error::FileAccess,
                QStringLiteral("Cannot open \"%1\": %2.").arg(filename, file_.errorString()));
        fileSize_ = file_.size();

        // A file shorter than the header reads as if zeros followed it.
        unsigned char header[big::kHeaderSize] = {};
        const qint64 headerBytes = std::min<qint64>(fileSize_, big::kHeaderSize);
        if (headerBytes > 0)
            readAt(0, reinterpret_cast<char*>(header), headerBytes, "header", -1);
        if (std::memcmp(header, big::kSignature, big::kSignatureSize) != 0) {
            closeFile();
            error_.setNumber(cError::NotABigFile);
            return false;
        }

        if (fileSize_ < big::kHeaderSize)
            raise(runtime_error::PastEndOfFile, QStringLiteral("The header runs past the end of the file."));
        const std::int32_t count = readInt32(header + big::kHeaderFileCountOffset);
        if (count < 0)
            raise(runtime_error::BadRecord, QStringLiteral("The archive's entry count is negative (%1).").arg(count));
        const qint64 directoryBytes = static_cast<qint64>(count) * big::kEntrySize;
        if (big::kHeaderSize + directoryBytes > fileSize_)
            raise(runtime_error::PastEndOfFile, QStringLiteral("Directory runs past the end of the file."));

        QByteArray raw(directoryBytes, Qt::Uninitialized);
        if (directoryBytes > 0)
            readAt(big::kHeaderSize, raw.data(), directoryBytes, "directory", -1);
        std::vector<BigEntry> directory(static_cast<std::size_t>(count));
        std::vector<std::pair<std::uint64_t, std::int32_t>> index(static_cast<std::size_t>(count));
        const auto* records = reinterpret_cast<const unsigned char*>(raw.constData());
        for (std::int32_t i = 0; i < count; ++i) {
            directory[static_cast<std::size_t>(i)] = parseEntry(records + static_cast<qint64>(i) * big::kEntrySize);
            index[static_cast<std::size_t>(i)] = {directory[static_cast<std::size_t>(i)].hash(), i};
        }
        std::sort(index.begin(), index.end());

        directory_ = std::move(directory);
        index_ = std::move(index);
        fileCount_ = count;
    } catch (const BigRuntimeError&) {
        closeFile();
        throw;
    } catch (const std::bad_alloc&) {
        closeFile();
        raise(runtime_error::OutOfMemory,
            QStringLiteral("Out of memory reading the directory of \"%1\".").arg(filename));
    }
    loaded_ = true;
    name_ = filename;
    return true;
}

std::int32_t cBig::FindFile(std::uint64_t crc64)
{
    operation_ = "FindFile";
    error_.Clear();
    if (!loaded_) {
        error_.setNumber(cError::NotLoaded);
        return -1;
    }
    const auto it = std::lower_bound(index_.begin(), index_.end(), std::make_pair(crc64, std::int32_t{-1}));
    if (it != index_.end() && it->first == crc64)
        return it->second;
    error_.setNumber(cError::NotInArchive);
    return -1;
}

std::int32_t cBig::FindNextFile(std::uint64_t crc64, std::int32_t afterId) const
{
    if (!loaded_)
        return -1;
    const auto it = std::upper_bound(index_.begin(), index_.end(), std::make_pair(crc64, afterId));
    if (it != index_.end() && it->first == crc64)
        return it->second;
    return -1;
}

bool cBig::nameIs(std::int32_t ID, const QString& lowerName)
{
    try {
        return GetFileName(ID).toLower() == lowerName;
    } catch (const BigRuntimeError&) {
        return false;
    }
}

std::int32_t cBig::FindFullName(const QString& fullName)
{
    if (!loaded_)
        return -1;
    const cError kept = error_;
    const QString lower = fullName.toLower();
    if (!fullNameIndexBuilt_) {
        const std::uint64_t key = GetCrc64(lower);
        std::int32_t id = FindNextFile(key, -1);
        for (int tried = 0; id >= 0 && tried < kTwinsBeforeIndex; ++tried, id = FindNextFile(key, id)) {
            if (nameIs(id, lower)) {
                error_ = kept;
                return id;
            }
        }
        if (id < 0) {
            error_ = kept;
            return -1;
        }
        // Many twins: one pass over every name beats walking them per lookup.
        fullNameIndex_.reserve(fileCount_);
        for (std::int32_t i = 0; i < fileCount_; ++i) {
            try {
                const QString name = GetFileName(i).toLower();
                if (!fullNameIndex_.contains(name)) // the lowest ID wins
                    fullNameIndex_.insert(name, i);
            } catch (const BigRuntimeError&) {
            }
        }
        fullNameIndexBuilt_ = true;
    }
    error_ = kept;
    return fullNameIndex_.value(lower, -1);
}

// Listing reads every name in turn, and the names of small entries lie close
// together: one read of a block serves the names that fall inside it.
void cBig::readName(qint64 offset, char* dst, std::int32_t length, std::int32_t ID)
{
    if (length > kNameBlockSize) {
        readAt(offset, dst, length, "name", ID);
        return;
    }
    const bool cached =
        nameBlockStart_ >= 0 && offset >= nameBlockStart_ && offset + length <= nameBlockStart_ + nameBlock_.size();
    if (!cached) {
        const qint64 size = std::min<qint64>(kNameBlockSize, fileSize_ - offset);
        nameBlockStart_ = -1;
        nameBlock_.resize(size);
        readAt(offset, nameBlock_.data(), size, "name", ID);
        nameBlockStart_ = offset;
    }
    std::memcpy(dst, nameBlock_.constData() + (offset - nameBlockStart_), static_cast<std::size_t>(length));
}

// The effective name length of an entry whose area may be read: a negative
// length or offset is a broken record.
std::int32_t cBig::nameLengthOf(const BigEntry& e, std::int32_t ID)
{
    const std::int32_t length = big::EffectiveNameLength(e.nameLength);
    if (length < 0)
        raise(runtime_error::BadRecord, QStringLiteral("Entry %1 has a negative name length.").arg(ID));
    if (e.entryOffset < 0)
        raise(runtime_error::BadRecord, QStringLiteral("Entry %1 has a negative offset.").arg(ID));
    return length;
}

QString cBig::GetFileName(std::int32_t ID)
{
    operation_ = "GetFileName";
    if (!checkEntry(ID))
        return {};
    const BigEntry& e = directory_[static_cast<std::size_t>(ID)];
    const std::int32_t length = nameLengthOf(e, ID);
    if (static_cast<qint64>(e.entryOffset) + length > fileSize_)
        raise(runtime_error::PastEndOfFile,
            QStringLiteral("The name of entry %1 runs past the end of the file.").arg(ID));
    if (length == 0)
        return {};
    try {
        QByteArray bytes(length, Qt::Uninitialized);
        readName(e.entryOffset, bytes.data(), length, ID);
        UnscrambleName(reinterpret_cast<unsigned char*>(bytes.data()), length - 1);
        return FromAnsi(bytes);
    } catch (const std::bad_alloc&) {
        raise(runtime_error::OutOfMemory, QStringLiteral("Out of memory reading the name of entry %1.").arg(ID));
    }
}

cBig::StoredData cBig::GetFileData(std::int32_t ID)
{
    operation_ = "GetFileBlob";
    if (!checkEntry(ID))
        return {};
    return storedDataOf(ID);
}

cBig::StoredData cBig::storedDataOf(std::int32_t ID)
{
    const BigEntry& e = directory_[static_cast<std::size_t>(ID)];
    const std::int32_t length = nameLengthOf(e, ID);
    if (e.compressedSize < 0)
        raise(runtime_error::BadRecord, QStringLiteral("Entry %1 has a negative packed size.").arg(ID));
    if (e.compressedSize == 0)
        return {};
    const qint64 start = static_cast<qint64>(e.entryOffset) + length + big::kNameDataGap;
    if (start + e.compressedSize > fileSize_)
        raise(runtime_error::PastEndOfFile,
            QStringLiteral("The data of entry %1 runs past the end of the file.").arg(ID));
    return {start, e.compressedSize};
}

QByteArray cBig::GetFileBlob(std::int32_t ID)
{
    operation_ = "GetFileBlob";
    if (!checkEntry(ID))
        return {};
    const StoredData data = storedDataOf(ID);
    if (data.size == 0)
        return {};
    try {
        QByteArray bytes(static_cast<qsizetype>(data.size), Qt::Uninitialized);
        readAt(data.start, bytes.data(), data.size, "data", ID);
        return bytes;
    } catch (const std::bad_alloc&) {
        raise(runtime_error::OutOfMemory, QStringLiteral("Out of memory reading the data of entry %1.").arg(ID));
    }
}

void cBig::ReadData(qint64 offset, char* dst, qint64 size, std::int32_t ID) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(file_.handle(), dst + done, static_cast<std::size_t>(size - done),
            static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw BigRuntimeError(runtime_error::DeviceIo, QStringLiteral("GetFileBlob"),
                QStringLiteral("Cannot read %1: %2.")
                    .arg(readSubject("data", ID), QString::fromLocal8Bit(std::strerror(errno))));
        if (got == 0)
            throw BigRuntimeError(runtime_error::PastEndOfFile, QStringLiteral("GetFileBlob"),
                QStringLiteral("The data of entry %1 runs past the end of the file.").arg(ID));
        done += got;
    }
}

int cBig::Handle() const
{
    return file_.handle();
}

qint64 cBig::data_offset(std::int32_t ID)
{
    operation_ = "data_offset";
    if (!checkEntry(ID))
        return -1;
    const BigEntry& e = directory_[static_cast<std::size_t>(ID)];
    return static_cast<qint64>(e.entryOffset) + nameLengthOf(e, ID) + big::kNameDataGap;
}

// Clears the record and answers 1003 / 1005 for an unusable ID.
bool cBig::checkEntry(std::int32_t ID)
{
    error_.Clear();
    if (!loaded_) {
        error_.setNumber(cError::NotLoaded);
        return false;
    }
    if (ID < 0 || ID >= fileCount_) {
        error_.setNumber(cError::IdOutOfBounds);
        return false;
    }
    return true;
}

std::int32_t cBig::data_compressed_size(std::int32_t ID)
{
    return checkEntry(ID) ? directory_[static_cast<std::size_t>(ID)].compressedSize : 0;
}

std::int32_t cBig::data_uncompressed_size(std::int32_t ID)
{
    return checkEntry(ID) ? directory_[static_cast<std::size_t>(ID)].uncompressedSize : 0;
}

QString cBig::timestamp(std::int32_t ID)
{
    return checkEntry(ID) ? TimestampText(directory_[static_cast<std::size_t>(ID)].timestamp) : QString();
}

bool cBig::data_compressed_flag(std::int32_t ID)
{
    return checkEntry(ID) && directory_[static_cast<std::size_t>(ID)].compressedFlag != 0;
}

std::int32_t cBig::timestamp_seconds(std::int32_t ID)
{
    return checkEntry(ID) ? directory_[static_cast<std::size_t>(ID)].timestamp : 0;
}

std::uint64_t cBig::name_hash(std::int32_t ID)
{
    return checkEntry(ID) ? directory_[static_cast<std::size_t>(ID)].hash() : 0;
}

} // namespace pelkora

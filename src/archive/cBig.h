#pragma once
// Reader of one "Big file" archive (layout in FORMAT.md beside this file).
//
// The reader's own failures (1001-1005) set Error() and return a failure
// value. Any other failure inside Load, FindFile, GetFileName or GetFileBlob
// is recorded in Error() and raised as BigRuntimeError with the operation's
// name as its source. No field of the file is trusted: nothing is allocated or
// read that does not lie inside the file.

#include "archive/cError.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace pelkora {

struct BigEntry {
    std::uint32_t hashLow = 0;
    std::uint32_t hashHigh = 0;
    std::int32_t nameLength = 0;
    std::int32_t compressedSize = 0;
    std::int32_t uncompressedSize = 0;
    std::int32_t entryOffset = 0;
    std::int32_t timestamp = 0;
    std::uint8_t compressedFlag = 0;

    std::uint64_t hash() const { return (static_cast<std::uint64_t>(hashHigh) << 32) | hashLow; }
};

class cBig {
public:
    cBig();
    ~cBig();
    cBig(const cBig&) = delete;
    cBig& operator=(const cBig&) = delete;

    cError& Error() { return error_; }
    const cError& Error() const { return error_; }
    bool Loaded() const { return loaded_; }
    QString Name() const { return name_; }

    bool Load(const QString& filename);
    // Lowest ID whose stored hash equals crc64, or -1 (1003 / 1004).
    std::int32_t FindFile(std::uint64_t crc64);
    QString GetFileName(std::int32_t ID);
    QByteArray GetFileBlob(std::int32_t ID);
    std::int32_t FileCount() const { return fileCount_; }

    std::int32_t data_compressed_size(std::int32_t ID);
    std::int32_t data_uncompressed_size(std::int32_t ID);
    // The moment as text (see support/TimestampText.h).
    QString timestamp(std::int32_t ID);
    bool data_compressed_flag(std::int32_t ID);

    // Beyond the classic members, for the command-line tool and the
    // extraction routine. Same error rules as the per-entry properties.
    std::int32_t timestamp_seconds(std::int32_t ID);
    std::uint64_t name_hash(std::int32_t ID);
    // Where the entry's stored data starts in the file (its name and the byte
    // after it come first). Raises for a negative name length or offset.
    qint64 data_offset(std::int32_t ID);
    // Where entry ID's stored bytes lie in the file, checked to lie inside
    // it; the errors are GetFileBlob's. For reading an entry in pieces.
    struct StoredData {
        qint64 start = 0;
        qint64 size = 0;
    };
    StoredData GetFileData(std::int32_t ID);
    // Reads `size` bytes at `offset` of the file, a part of what GetFileData
    // gave for entry ID. A positioned read that changes nothing in the
    // reader, so any thread may call it while the archive stays loaded.
    // Raises BigRuntimeError (source "GetFileBlob") without recording it.
    void ReadData(qint64 offset, char* dst, qint64 size, std::int32_t ID) const;
    // The open archive's descriptor, for copying stored bytes without
    // reading them (copy_file_range); -1 when not loaded.
    int Handle() const;

    // The next ID above `afterId` with the same stored hash, or -1. Does not
    // touch Error(); answers -1 when not loaded.
    std::int32_t FindNextFile(std::uint64_t crc64, std::int32_t afterId) const;

    // The lowest ID whose full name equals `fullName` without regard to
    // case, or -1. Entries whose name cannot be read never match. Does not
    // touch Error(). Names that share a stored hash are compared in turn, but
    // past a few such twins every name is put into an index once, so that
    // forged hash collisions cannot make a run of lookups quadratic.
    std::int32_t FindFullName(const QString& fullName);

private:
    bool nameIs(std::int32_t ID, const QString& lowerName);
    StoredData storedDataOf(std::int32_t ID);
    bool checkEntry(std::int32_t ID);
    void readAt(qint64 offset, char* dst, qint64 size, const char* what, std::int32_t ID);
    std::int32_t nameLengthOf(const BigEntry& e, std::int32_t ID);
    void readName(qint64 offset, char* dst, std::int32_t length, std::int32_t ID);
    [[noreturn]] void raise(int number, const QString& description);
    void closeFile();

    cError error_;
    QFile file_;
    qint64 fileSize_ = 0;
    QString name_;
    bool loaded_ = false;
    std::int32_t fileCount_ = 0;
    std::vector<BigEntry> directory_;
    // (hash, ID) sorted, so a lookup is a binary search and equal hashes are
    // in ID order.
    std::vector<std::pair<std::uint64_t, std::int32_t>> index_;
    const char* operation_ = "";
    static constexpr std::int32_t kNameBlockSize = 16384;
    QByteArray nameBlock_;
    static constexpr int kTwinsBeforeIndex = 8;
    QHash<QString, std::int32_t> fullNameIndex_; // lower-cased name -> lowest ID, built on demand
    bool fullNameIndexBuilt_ = false;
    qint64 nameBlockStart_ = -1;
};

} // namespace pelkora

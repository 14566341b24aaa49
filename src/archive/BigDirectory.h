#pragma once
// The parsed directory of one open "Big file" archive, made once by opening
// it and never changed afterwards. Every method is const and keeps no state,
// so any number of threads may use one directory at once (share it as
// std::shared_ptr<const BigDirectory>); the file stays open while it lives.
//
// Failures are raised as BigRuntimeError with the name of the reader's
// operation they belong to as source ("GetFileName", "GetFileBlob",
// "data_offset"), never recorded anywhere. No field of the file is trusted:
// nothing is allocated or read that does not lie inside the file.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "archive/BigFormat.h"
#include "support/LargeArray.h"
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QFile;

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

// Where an entry's stored bytes lie in the file.
struct StoredRange {
    qint64 start = 0;
    qint64 size = 0;
};

class BigDirectory {
public:
    struct Opened {
        std::shared_ptr<const BigDirectory> directory;
        int refusal = 0; // cError::FileNotFound or NotABigFile when directory is null
    };
    // Opens and parses `filename`. A path that is no regular file and a file
    // without the signature are refused by number; anything else that goes
    // wrong raises BigRuntimeError with the source "Load".
    static Opened Open(const QString& filename);

    ~BigDirectory();
    BigDirectory(const BigDirectory&) = delete;
    BigDirectory& operator=(const BigDirectory&) = delete;

    std::int32_t FileCount() const { return static_cast<std::int32_t>(mEntries.size()); }
    qint64 FileSize() const { return mFileSize; }
    // The records as stored; ID must be below FileCount().
    const BigEntry& Entry(std::int32_t ID) const { return mEntries[static_cast<std::size_t>(ID)]; }

    // Lowest ID whose stored hash equals `hash`, or -1.
    std::int32_t FindFile(std::uint64_t hash) const { return FindNextFile(hash, -1); }
    // The next ID above `afterId` with the same stored hash, or -1.
    std::int32_t FindNextFile(std::uint64_t hash, std::int32_t afterId) const;

    // Listing reads every name in turn, and the names of small entries lie
    // close together: a caller reading many names keeps one of these (on its
    // own thread) so that one read of a block serves the names inside it.
    struct NameBlock {
        qint64 start = -1;
        QByteArray bytes;
    };
    // Entry ID's full name ("GetFileName").
    QString Name(std::int32_t ID, NameBlock* cache = nullptr) const;
    // Where entry ID's stored bytes lie, checked to lie inside the file
    // ("GetFileBlob").
    StoredRange Stored(std::int32_t ID) const;
    // Entry ID's stored bytes ("GetFileBlob").
    QByteArray Blob(std::int32_t ID) const;
    // Reads `size` bytes at `offset` of the file, a part of what Stored gave
    // for entry ID ("GetFileBlob").
    void ReadData(qint64 offset, char* dst, qint64 size, std::int32_t ID) const;
    // Where entry ID's stored data starts, after its name ("data_offset").
    qint64 DataOffset(std::int32_t ID) const;
    // The open descriptor, for copying stored bytes without reading them.
    int Handle() const { return mFd; }
    // The header's reserved bytes, which a rewritten archive keeps.
    ArchiveHeaderReserved HeaderReserved() const { return mHeaderReserved; }

private:
    BigDirectory() = default;
    void checkId(std::int32_t ID, const char* source) const;
    std::int32_t nameLengthOf(std::int32_t ID, const char* source) const;
    void readAt(qint64 offset, char* dst, qint64 size, const char* what, std::int32_t ID, const char* source) const;

    std::unique_ptr<QFile> mFile;
    int mFd = -1;
    qint64 mFileSize = 0;
    ArchiveHeaderReserved mHeaderReserved;
    LargeVector<BigEntry> mEntries;
    // (hash, ID) sorted, so a lookup is a binary search and equal hashes are
    // in ID order.
    LargeVector<std::pair<std::uint64_t, std::int32_t>> mIndex;
};

} // namespace pelkora

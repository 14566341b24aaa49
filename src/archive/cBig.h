#pragma once
// Reader of one "Big file" archive (layout in FORMAT.md beside this file).
//
// The reader's own failures (1001-1005) set Error() and return a failure
// value. Any other failure inside Load, FindFile, GetFileName or GetFileBlob
// is recorded in Error() and raised as BigRuntimeError with the operation's
// name as its source. No field of the file is trusted: nothing is allocated or
// read that does not lie inside the file.
//
// A cBig belongs to one thread at a time: its getters keep the error record
// and caches. The parsed directory behind it never changes and may be shared
// with other threads (Directory()), which then read entries without
// touching this object.

#include "archive/BigDirectory.h"
#include "archive/cError.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>

namespace pelkora {

class cBig {
public:
    cBig();
    ~cBig();
    cBig(const cBig&) = delete;
    cBig& operator=(const cBig&) = delete;

    cError& Error() { return mError; }
    const cError& Error() const { return mError; }
    bool Loaded() const { return mDirectory != nullptr; }
    QString Name() const { return mName; }

    bool Load(const QString& filename);
    // Lowest ID whose stored hash equals crc64, or -1 (1003 / 1004).
    std::int32_t FindFile(std::uint64_t crc64);
    QString GetFileName(std::int32_t ID);
    QByteArray GetFileBlob(std::int32_t ID);
    std::int32_t FileCount() const { return mDirectory ? mDirectory->FileCount() : 0; }

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
    using StoredData = StoredRange;
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

    // The loaded archive's directory, for reading entries on other threads
    // while this reader goes on being used; null when not loaded. It keeps
    // the file open for as long as anyone holds it.
    std::shared_ptr<const BigDirectory> Directory() const { return mDirectory; }

private:
    bool nameIs(std::int32_t ID, const QString& lowerName);
    bool checkEntry(std::int32_t ID);
    // Records a failure of the directory in Error() and raises it again.
    template <typename Read> auto recorded(Read read);

    cError mError;
    QString mName;
    std::shared_ptr<const BigDirectory> mDirectory;
    BigDirectory::NameBlock mNameBlock;
    static constexpr int kTwinsBeforeIndex = 8;
    QHash<QString, std::int32_t> mFullNameIndex; // lower-cased name -> lowest ID, built on demand
    bool mFullNameIndexBuilt = false;
};

} // namespace pelkora

#include "archive/cBig.h"
#include "support/EntryKey.h"

#include "archive/BigRuntimeError.h"
#include "support/Crc.h"
#include "support/TimestampText.h"

#include <cerrno>
#include <cstring>

namespace pelkora {

cBig::cBig() = default;

cBig::~cBig() = default;

template <typename Read> auto cBig::recorded(Read read)
{
    try {
        return read();
    } catch (const BigRuntimeError& e) {
        mError.setNumber(e.number());
        mError.setDescription(e.description());
        throw;
    }
}

bool cBig::Load(const QString& filename)
{
    mError.Clear();
    if (Loaded())
        return false;
    mName.clear();
    const BigDirectory::Opened opened = recorded([&] { return BigDirectory::Open(filename); });
    if (!opened.directory) {
        mError.setNumber(opened.refusal);
        return false;
    }
    mDirectory = opened.directory;
    mName = filename;
    return true;
}

std::int32_t cBig::FindFile(std::uint64_t crc64)
{
    mError.Clear();
    if (!Loaded()) {
        mError.setNumber(cError::NotLoaded);
        return -1;
    }
    const std::int32_t id = mDirectory->FindFile(crc64);
    if (id < 0)
        mError.setNumber(cError::NotInArchive);
    return id;
}

std::int32_t cBig::FindNextFile(std::uint64_t crc64, std::int32_t afterId) const
{
    return Loaded() ? mDirectory->FindNextFile(crc64, afterId) : -1;
}

bool cBig::nameIs(std::int32_t ID, const QString& lowerName)
{
    try {
        return EntryKey(mDirectory->Name(ID, &mNameBlock)) == lowerName;
    } catch (const BigRuntimeError&) {
        return false;
    }
}

std::int32_t cBig::FindFullName(const QString& fullName)
{
    if (!Loaded())
        return -1;
    const QString lower = EntryKey(fullName);
    if (!mFullNameIndexBuilt) {
        const std::uint64_t key = GetCrc64(lower);
        std::int32_t id = FindNextFile(key, -1);
        for (int tried = 0; id >= 0 && tried < kTwinsBeforeIndex; ++tried, id = FindNextFile(key, id)) {
            if (nameIs(id, lower))
                return id;
        }
        if (id < 0)
            return -1;
        // Many twins: one pass over every name beats walking them per lookup.
        const std::int32_t count = FileCount();
        mFullNameIndex.reserve(count);
        for (std::int32_t i = 0; i < count; ++i) {
            try {
                const QString name = EntryKey(mDirectory->Name(i, &mNameBlock));
                if (!mFullNameIndex.contains(name)) // the lowest ID wins
                    mFullNameIndex.insert(name, i);
            } catch (const BigRuntimeError&) {
            }
        }
        mFullNameIndexBuilt = true;
    }
    return mFullNameIndex.value(lower, -1);
}

QString cBig::GetFileName(std::int32_t ID)
{
    if (!checkEntry(ID))
        return {};
    return recorded([&] { return mDirectory->Name(ID, &mNameBlock); });
}

cBig::StoredData cBig::GetFileData(std::int32_t ID)
{
    if (!checkEntry(ID))
        return {};
    return recorded([&] { return mDirectory->Stored(ID); });
}

QByteArray cBig::GetFileBlob(std::int32_t ID)
{
    if (!checkEntry(ID))
        return {};
    return recorded([&] { return mDirectory->Blob(ID); });
}

void cBig::ReadData(qint64 offset, char* dst, qint64 size, std::int32_t ID) const
{
    if (!Loaded())
        throw BigRuntimeError(failure::DeviceIo, QStringLiteral("GetFileBlob"),
            QStringLiteral("Cannot read the data of entry %1: %2.")
                .arg(QString::number(ID), QString::fromLocal8Bit(std::strerror(EBADF))));
    mDirectory->ReadData(offset, dst, size, ID);
}

int cBig::Handle() const
{
    return Loaded() ? mDirectory->Handle() : -1;
}

qint64 cBig::data_offset(std::int32_t ID)
{
    if (!checkEntry(ID))
        return -1;
    return recorded([&] { return mDirectory->DataOffset(ID); });
}

// Clears the record and answers 1003 / 1005 for an unusable ID.
bool cBig::checkEntry(std::int32_t ID)
{
    mError.Clear();
    if (!Loaded()) {
        mError.setNumber(cError::NotLoaded);
        return false;
    }
    if (ID < 0 || ID >= FileCount()) {
        mError.setNumber(cError::IdOutOfBounds);
        return false;
    }
    return true;
}

std::int32_t cBig::data_compressed_size(std::int32_t ID)
{
    return checkEntry(ID) ? mDirectory->Entry(ID).compressedSize : 0;
}

std::int32_t cBig::data_uncompressed_size(std::int32_t ID)
{
    return checkEntry(ID) ? mDirectory->Entry(ID).uncompressedSize : 0;
}

QString cBig::timestamp(std::int32_t ID)
{
    return checkEntry(ID) ? TimestampText(mDirectory->Entry(ID).timestamp) : QString();
}

bool cBig::data_compressed_flag(std::int32_t ID)
{
    return checkEntry(ID) && mDirectory->Entry(ID).compressedFlag != 0;
}

std::int32_t cBig::timestamp_seconds(std::int32_t ID)
{
    return checkEntry(ID) ? mDirectory->Entry(ID).timestamp : 0;
}

std::uint64_t cBig::name_hash(std::int32_t ID)
{
    return checkEntry(ID) ? mDirectory->Entry(ID).hash() : 0;
}

} // namespace pelkora

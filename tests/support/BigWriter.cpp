#include "BigWriter.h"

#include "LzssEncoder.h"
#include "archive/BigFormat.h"
#include "archive/UnscrambleName.h"
#include "support/AnsiText.h"
#include "support/Crc.h"

#include <QFile>

#include <cstring>

namespace pelkora::testsupport {
namespace {

void putInt32(QByteArray& bytes, qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFFu);
}

} // namespace

QByteArray BuildBigArchive(const std::vector<TestEntry>& entries, const WriterOptions& options)
{
    const auto count = static_cast<qsizetype>(entries.size());
    QByteArray file(big::kHeaderSize + count * big::kEntrySize, '\0');
    const QByteArray signature = options.signature.value_or(QByteArray(big::kSignature, big::kSignatureSize));
    std::memcpy(file.data(), signature.constData(), static_cast<std::size_t>(std::min<qsizetype>(signature.size(), 7)));
    file[7] = static_cast<char>(options.headerByte7);
    putInt32(file, big::kHeaderFileCountOffset,
        static_cast<std::uint32_t>(options.fileCount.value_or(static_cast<std::int32_t>(count))));
    putInt32(file, 12, static_cast<std::uint32_t>(options.headerReserved));

    std::vector<qsizetype> order(entries.size());
    for (qsizetype i = 0; i < count; ++i)
        order[static_cast<std::size_t>(i)] = options.reverseAreas ? count - 1 - i : i;

    for (qsizetype id : order) {
        const TestEntry& e = entries[static_cast<std::size_t>(id)];
        QByteArray name = e.rawName.value_or(ToAnsi(e.name));
        const QString hashedName = e.rawName ? FromAnsi(*e.rawName) : e.name;
        QByteArray stored = e.storedData.value_or(e.compress ? LzssEncode(e.data) : e.data);

        file.append(QByteArray(options.gapBetweenAreas, '\x5A'));
        const qsizetype areaOffset = file.size();
        QByteArray scrambled = name;
        ScrambleName(reinterpret_cast<unsigned char*>(scrambled.data()), scrambled.size() - 1);
        file.append(scrambled);
        file.append(static_cast<char>(e.gapByte));
        file.append(stored);

        const qsizetype record = big::kHeaderSize + id * big::kEntrySize;
        const std::uint64_t hash = e.hash.value_or(NameKey(hashedName));
        putInt32(file, record + big::kEntryHashLowOffset, static_cast<std::uint32_t>(hash));
        putInt32(file, record + big::kEntryHashHighOffset, static_cast<std::uint32_t>(hash >> 32));
        const std::uint32_t nameField = e.nameLength
            ? static_cast<std::uint32_t>(*e.nameLength)
            : (static_cast<std::uint32_t>(name.size()) | (e.maskedBits & big::kNameLengthIgnoredBits));
        putInt32(file, record + big::kEntryNameLengthOffset, nameField);
        putInt32(file, record + big::kEntryPackedSizeOffset,
            static_cast<std::uint32_t>(e.packedSize.value_or(static_cast<std::int32_t>(stored.size()))));
        putInt32(file, record + big::kEntryUnpackedSizeOffset,
            static_cast<std::uint32_t>(e.uncompressedSize.value_or(static_cast<std::int32_t>(e.data.size()))));
        putInt32(file, record + big::kEntryOffsetOffset,
            static_cast<std::uint32_t>(e.offset.value_or(static_cast<std::int32_t>(areaOffset))));
        putInt32(file, record + big::kEntryTimestampOffset, static_cast<std::uint32_t>(e.timestamp));
        file[record + big::kEntryFlagOffset] = static_cast<char>(e.flagByte.value_or(e.compress ? 1 : 0));
        for (int i = 29; i < 32; ++i)
            file[record + i] = static_cast<char>(options.entryReserved);
    }
    return file;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

bool WriteBigArchive(const QString& path, const std::vector<TestEntry>& entries, const WriterOptions& options)
{
    return WriteFile(path, BuildBigArchive(entries, options));
}

} // namespace pelkora::testsupport

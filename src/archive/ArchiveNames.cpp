#include "archive/ArchiveNames.h"

#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "archive/SafeName.h"
#include "support/AnsiText.h"
#include "support/FileTime.h"

#include <limits>

namespace pelkora {
namespace {

[[noreturn]] void refuse(int number, const QString& text)
{
    throw BigRuntimeError(number, QStringLiteral("Write"), text);
}

// The name-length field's ignored bits start at bit 16.
constexpr qsizetype kLongestName = 0xFFFF;

} // namespace

QByteArray ArchiveNameBytes(const QString& fullName)
{
    const QString unsafe = UnsafeNameReason(fullName);
    if (!unsafe.isEmpty())
        refuse(failure::BadName, QStringLiteral("\"%1\": refused, %2.").arg(fullName, unsafe));
    const QByteArray bytes = ToAnsi(fullName);
    if (FromAnsi(bytes) != fullName)
        refuse(failure::BadName,
            QStringLiteral("\"%1\": refused, the name has characters that Windows-1252 cannot spell.").arg(fullName));
    if (bytes.size() > kLongestName)
        refuse(failure::BadName,
            QStringLiteral("\"%1\": refused, the name is longer than %2 bytes.").arg(fullName).arg(kLongestName));
    return bytes;
}

std::int32_t EntryTimestampOf(qint64 utcSeconds, const QString& fullName)
{
    const qint64 seconds = EntrySecondsFromFileTime(utcSeconds);
    if (seconds < std::numeric_limits<std::int32_t>::min() || seconds > std::numeric_limits<std::int32_t>::max())
        refuse(failure::TooLarge,
            QStringLiteral("\"%1\": refused, its modification time lies outside 1901-12-13 to 2038-01-19.")
                .arg(fullName));
    return static_cast<std::int32_t>(seconds);
}

qint64 ArchiveSize(qint64 entryCount, qint64 areaBytes)
{
    return big::kHeaderSize + entryCount * big::kEntrySize + areaBytes;
}

void CheckArchiveSize(qint64 totalBytes)
{
    if (totalBytes > kLargestArchive)
        refuse(failure::TooLarge,
            QStringLiteral("refused, the archive would take %1 bytes and the format holds at most %2.")
                .arg(totalBytes)
                .arg(kLargestArchive));
}

} // namespace pelkora

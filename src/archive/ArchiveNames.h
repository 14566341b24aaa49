#pragma once
// The checks a file passes before it becomes an entry of a new archive: its
// name as the format stores it, its time as an entry's wall-clock seconds,
// and the archive's size against the format's 32-bit fields. Each refusal is
// raised as BigRuntimeError with the source "Write" before anything is
// written.

#include "support/Failure.h"
#include <QByteArray>
#include <QString>

#include <QtGlobal>
#include <cstdint>

namespace pelkora {

// The largest archive the format addresses: every offset and size is int32.
inline constexpr qint64 kLargestArchive = 0x7FFFFFFF;

// The Windows-1252 bytes stored for `fullName` ("\" between folders). Raises
// BadName for a name the code page cannot spell, one that extraction would
// refuse (SafeName.h), or one longer than the name-length field holds.
QByteArray ArchiveNameBytes(const QString& fullName);

// The entry seconds whose extraction stamps a file with `utcSeconds` in the
// system zone (see FileTime.h), so that a file packed and extracted again
// keeps its time. Raises TooLarge outside the int32 range.
std::int32_t EntryTimestampOf(qint64 utcSeconds, const QString& fullName);

// The bytes an archive of `entryCount` entries takes when its entry areas
// take `areaBytes`.
qint64 ArchiveSize(qint64 entryCount, qint64 areaBytes);
// An entry area: the name, the byte after it, the stored data.
inline qint64 AreaSize(qint64 nameBytes, qint64 storedBytes)
{
    return nameBytes + 1 + storedBytes;
}
// Raises TooLarge when an archive of `totalBytes` would not fit the format.
void CheckArchiveSize(qint64 totalBytes);

} // namespace pelkora

#pragma once
// Stamping a written file with an entry's modification time.

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace pelkora {

// Sets the last-write time of the existing file `path` from `local`, whose
// date and time fields are read as local wall-clock time. Local time becomes
// UTC with the zone's base (standard) offset only, whatever the season. The
// access time is kept. Returns false and changes nothing when the file cannot
// be opened for writing (read-only, missing) or the date is invalid.
bool SetFileModified(const QString& path, const QDateTime& local);

// Sets the modification time of the open file `fd` to `utcSeconds` (seconds
// since 1970 UTC), keeping its access time.
bool StampModified(int fd, qint64 utcSeconds);

// Same, with the zone given (tests); SetFileModified uses the system zone.
bool SetFileModifiedInZone(const QString& path, const QDateTime& local, const QTimeZone& zone);

// The UTC seconds SetFileModified writes for `local` in `zone`: the wall-clock
// fields shifted by the zone's base offset only.
qint64 FileTimeFromLocal(const QDateTime& local, const QTimeZone& zone);
// Same in the system zone (its base offset looked up once per TZ setting,
// since extraction stamps many files).
qint64 FileTimeFromLocal(const QDateTime& local);

// The inverse in the system zone: the entry seconds (wall-clock, see
// TimestampText.h) that FileTimeFromLocal turns into `utcSeconds`.
qint64 EntrySecondsFromFileTime(qint64 utcSeconds);

} // namespace pelkora

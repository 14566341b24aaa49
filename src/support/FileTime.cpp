#include "support/FileTime.h"

namespace pelkora {
namespace {

qint64 standardOffsetOf(const QTimeZone& zone)
{
    return zone.isValid() ? zone.standardTimeOffset(QDateTime::currentDateTimeUtc()) : 0;
}

} // namespace

qint64 FileTimeFromLocal(const QDateTime& local, const QTimeZone& zone)
{
    // The date and time fields as if they were UTC, then shifted by the bias.
    const QDateTime naive(local.date(), local.time(), Qt::UTC);
    return naive.toSecsSinceEpoch() - standardOffsetOf(zone);
}

namespace {

// The system zone's base offset, looked up once per TZ setting.
qint64 systemStandardOffset()
{
    thread_local QByteArray cachedTz;
    thread_local qint64 cachedOffset = 0;
    thread_local bool cached = false;
    const QByteArray tz = qgetenv("TZ");
    if (!cached || tz != cachedTz) {
        cachedOffset = standardOffsetOf(QTimeZone::systemTimeZone());
        cachedTz = tz;
        cached = true;
    }
    return cachedOffset;
}

} // namespace

qint64 FileTimeFromLocal(const QDateTime& local)
{
    const QDateTime naive(local.date(), local.time(), Qt::UTC);
    return naive.toSecsSinceEpoch() - systemStandardOffset();
}

qint64 EntrySecondsFromFileTime(qint64 utcSeconds)
{
    return utcSeconds + systemStandardOffset();
}

bool SetFileModified(const QString& path, const QDateTime& local)
{
    return SetFileModifiedInZone(path, local, QTimeZone::systemTimeZone());
}

} // namespace pelkora

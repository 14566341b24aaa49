#include "support/FileTime.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

qint64 FileTimeFromLocal(const QDateTime& local)
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
    const QDateTime naive(local.date(), local.time(), Qt::UTC);
    return naive.toSecsSinceEpoch() - cachedOffset;
}

bool SetFileModifiedInZone(const QString& path, const QDateTime& local, const QTimeZone& zone)
{
    if (!local.isValid())
        return false;
    const qint64 utcSeconds = FileTimeFromLocal(local, zone);

    const QByteArray native = QFile::encodeName(path);
    // Opening for writing (without truncating) is the test that the file may
    // be changed: a read-only file keeps its times.
    const int fd = ::open(native.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    // A file without any write permission is read-only, also for a user
    // (root) whom the open above does not stop.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(fd);
        return false;
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(utcSeconds);
    times[1].tv_nsec = 0;
    const bool ok = ::futimens(fd, times) == 0;
    ::close(fd);
    return ok;
}

bool SetFileModified(const QString& path, const QDateTime& local)
{
    return SetFileModifiedInZone(path, local, QTimeZone::systemTimeZone());
}

} // namespace pelkora

#include "support/FileTime.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelkora {

bool StampModified(int fd, qint64 utcSeconds)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // the access time stays
    times[1].tv_sec = static_cast<time_t>(utcSeconds);
    times[1].tv_nsec = 0;
    return ::futimens(fd, times) == 0;
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
    struct stat st { };
    if (::fstat(fd, &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(fd);
        return false;
    }
    const bool ok = StampModified(fd, utcSeconds);
    ::close(fd);
    return ok;
}

} // namespace pelkora

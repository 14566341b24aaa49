#include "FuzzFile.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString baseFolder()
{
    // /dev/shm keeps the per-input rewrite off the disk.
    if (QDir(QStringLiteral("/dev/shm")).exists())
        return QStringLiteral("/dev/shm");
    const char* tmp = std::getenv("TMPDIR");
    return QString::fromLocal8Bit(tmp && *tmp ? tmp : "/tmp");
}

} // namespace

FuzzFile::FuzzFile(const char* tag, const char* suffix)
{
    mFolder = QStringLiteral("%1/pelkora-fuzz-%2-%3").arg(baseFolder(), QLatin1String(tag)).arg(::getpid());
    if (!QDir().mkpath(mFolder)) {
        std::fprintf(stderr, "fuzz: cannot create %s\n", qPrintable(mFolder));
        std::abort();
    }
    mPath = mFolder + QStringLiteral("/input") + QLatin1String(suffix);
}

FuzzFile::~FuzzFile()
{
    QDir(mFolder).removeRecursively();
}

void FuzzFile::write(const std::uint8_t* data, std::size_t size)
{
    const QByteArray native = QFile::encodeName(mPath);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror("fuzz: open");
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror("fuzz: write");
            std::abort();
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

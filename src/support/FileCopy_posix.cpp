#include "support/FileCopy.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace pelkora {

CopyEnd CopyRange(int in, qint64 from, qint64 size, int out, qint64& copied)
{
    copied = 0;
    off_t position = static_cast<off_t>(from);
    while (copied < size) {
        const std::size_t want = static_cast<std::size_t>(std::min<qint64>(size - copied, qint64(1) << 30));
        const ssize_t done = ::copy_file_range(in, &position, out, nullptr, want, 0);
        if (done > 0) {
            copied += done;
            continue;
        }
        if (done == 0)
            return CopyEnd::SourceShort;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)
            return CopyEnd::Unsupported;
        return CopyEnd::Failed;
    }
    return CopyEnd::Done;
}

} // namespace pelkora

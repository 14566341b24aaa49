#include "support/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace pelkora {

QString SplitAtLast(const QString& text, bool right, QChar separator)
{
    const qsizetype k = text.lastIndexOf(separator);
    if (k < 0)
        return right ? text : QString();
    return right ? text.sliced(k + 1) : text.first(k);
}

void MakeDirs(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    const QString parent = SplitAtLast(path, false, QDir::separator());
    if (parent == path)
        return;
    MakeDirs(parent);
    // A failure (already there, a file in the way, no permission) is ignored.
    QDir().mkdir(path);
}

int UndecodableArgument(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]).toLocal8Bit() != QByteArray(argv[i]))
            return i;
    return 0;
}

} // namespace pelkora

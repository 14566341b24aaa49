#include "support/ConfinedWrite.h"

#include <QDir>

#include <cstring>

namespace pelkora {
namespace {

// A path of thousands of folders would make a message nobody can read.
QString shown(const QString& path)
{
    constexpr qsizetype kMost = 160;
    const QString native = QDir::toNativeSeparators(path);
    if (native.size() <= kMost)
        return native;
    return native.left(kMost / 2) + QStringLiteral("...") + native.right(kMost / 2);
}

} // namespace

QString ConfinedResult::message() const
{
    const QString where = u'"' + shown(path) + u'"';
    const QString why = systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : QString();
    const QString because = why.isEmpty() ? QString() : QStringLiteral(": ") + why;
    switch (error) {
    case ConfinedError::None:
        return {};
    case ConfinedError::RootUnusable:
        return QStringLiteral("the destination folder %1 cannot be used%2.").arg(where, because);
    case ConfinedError::FolderIsLink:
        return QStringLiteral("refused, the folder %1 is a link.").arg(where);
    case ConfinedError::FolderNotMade:
        return QStringLiteral("the folder %1 cannot be created%2.").arg(where, because);
    case ConfinedError::TargetIsLink:
        return QStringLiteral("refused, %1 is a link.").arg(where);
    case ConfinedError::TargetIsNotFile:
        return QStringLiteral("a folder or other non-file %1 is in the way.").arg(where);
    case ConfinedError::TargetReadOnly:
        return QStringLiteral("the existing file %1 is read-only and was kept.").arg(where);
    case ConfinedError::CannotCreate:
        return QStringLiteral("%1 cannot be created%2.").arg(where, because);
    case ConfinedError::CannotWrite:
        return QStringLiteral("%1 cannot be written%2.").arg(where, because);
    case ConfinedError::CannotReplace:
        return QStringLiteral("%1 cannot replace the existing file%2.").arg(where, because);
    case ConfinedError::CannotStamp:
        return QStringLiteral("the modification time of %1 cannot be set%2.").arg(where, because);
    case ConfinedError::PathTooLong:
        return QStringLiteral("%1 cannot be created: the path or a name in it is longer than the file system takes.")
            .arg(where);
    case ConfinedError::ReadOnlyFileSystem:
        return QStringLiteral("the existing file %1 is on a read-only file system and was kept.").arg(where);
    case ConfinedError::ContentFailed:
        return QStringLiteral("%1 was not written.").arg(where);
    case ConfinedError::Interrupted:
        return QStringLiteral("%1 was not written: interrupted.").arg(where);
    }
    return {};
}

} // namespace pelkora

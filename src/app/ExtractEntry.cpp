#include "app/ExtractEntry.h"

#include "app/SafeName.h"
#include "archive/BigRuntimeError.h"
#include "lzss/UnLZSS.h"
#include "support/FileTime.h"
#include "support/Paths.h"
#include "support/TimestampText.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <new>

namespace pelkora {
namespace {

const QChar kArchiveSeparator = u'\\';

QString entryLabel(const QString& fullName)
{
    return u'"' + fullName + u'"';
}

ExtractResult failure(const QString& source, int number, const QString& fullName, const QString& reason,
    const QString& target = {})
{
    return {false, source, number, entryLabel(fullName) + QStringLiteral(": ") + reason, target};
}

ExtractResult fileSystemFailure(int number, const QString& fullName, const QString& reason, const QString& target)
{
    return failure(QStringLiteral("ExtractEntry"), number, fullName, reason, target);
}

// A link of any kind that the file system would follow.
bool isLink(const QFileInfo& info)
{
    return info.isSymLink() || info.isJunction();
}

QString shown(const QString& path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

} // namespace

QByteArray ReadEntryContent(cBig& big, std::int32_t ID)
{
    QByteArray stored = big.GetFileBlob(ID);
    // The reader answers "not loaded" and a bad ID with an empty array and a
    // number; that must not turn into an empty file.
    if (big.Error().Number() != 0)
        throw BigRuntimeError(big.Error().Number(), QStringLiteral("GetFileBlob"), big.Error().Description());
    if (big.data_compressed_flag(ID))
        return UnLZSS(stored, static_cast<std::size_t>(std::max(0, big.data_uncompressed_size(ID))));
    return stored;
}

ExtractResult ExtractEntry(cBig& big, std::int32_t ID, const QString& destination, const QString& fullName)
{
    // The name decides where bytes go, so it is checked before anything else.
    const QString unsafe = UnsafeNameReason(fullName);
    if (!unsafe.isEmpty())
        return fileSystemFailure(extract_error::UnsafeName, fullName, QStringLiteral("refused, ") + unsafe + u'.', {});

    // Qt takes "/" on every platform; the archive's "\" is only a separator
    // here, where the path on disk is built.
    QString root = QDir::fromNativeSeparators(destination);
    if (!root.isEmpty() && !root.endsWith(u'/'))
        root += u'/';
    const QStringList components = fullName.split(kArchiveSeparator);
    QStringList folders; // destination + each folder level, outermost first
    QString walked = root;
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        walked += components[i];
        folders << walked;
        walked += u'/';
    }
    const QString target = walked + components.last();

    QByteArray content;
    try {
        content = ReadEntryContent(big, ID);
    } catch (const BigRuntimeError& e) {
        return failure(e.source(), e.number(), fullName, QStringLiteral("cannot be read: ") + e.description(), target);
    } catch (const std::bad_alloc&) {
        return failure(QStringLiteral("UnLZSS"), extract_error::OutOfMemory, fullName,
            QStringLiteral("out of memory while decoding."), target);
    }

    // Nothing is written through a link: a linked folder on the way (checked
    // before MakeDirs, which would follow it) or a link at the target itself.
    for (const QString& folder : folders) {
        const QFileInfo info(folder);
        if (isLink(info))
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("refused, the folder %1 is a link.").arg(shown(folder)), target);
        if (!info.exists())
            break;
    }
    // With no folder in the name this makes sure of the destination itself.
    if (!folders.isEmpty())
        MakeDirs(QDir::toNativeSeparators(folders.last() + u'/'));
    else if (!root.isEmpty())
        MakeDirs(QDir::toNativeSeparators(root));
    for (const QString& folder : folders) {
        const QFileInfo info(folder);
        if (isLink(info))
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("refused, the folder %1 is a link.").arg(shown(folder)), target);
        if (!info.isDir())
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("the folder %1 cannot be created.").arg(shown(folder)), target);
    }

    const QFileInfo existing(target);
    if (isLink(existing))
        return fileSystemFailure(extract_error::PathAccess, fullName,
            QStringLiteral("refused, %1 is a link.").arg(shown(target)), target);
    if (existing.exists()) {
        if (existing.isDir())
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("a folder %1 is in the way.").arg(shown(target)), target);
        // The owner's write bit stands for the read-only attribute; it is
        // looked at besides the access test because that one says yes to root.
        if (!existing.isWritable() || !(existing.permissions() & QFileDevice::WriteOwner))
            return fileSystemFailure(extract_error::ReadOnlyTarget, fullName,
                QStringLiteral("the existing file %1 is read-only and was kept.").arg(shown(target)), target);
    }

    // Written to a temporary file beside the target and renamed over it only
    // after a complete write: on any failure the old file stays as it was.
    {
        QSaveFile file(target);
        file.setDirectWriteFallback(false);
        if (!file.open(QIODevice::WriteOnly))
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("%1 cannot be created: %2.").arg(shown(target), file.errorString()), target);
        if (file.write(content) != content.size()) {
            const QString why = file.errorString();
            file.cancelWriting();
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("%1 cannot be written: %2.").arg(shown(target), why), target);
        }
        if (!file.commit())
            return fileSystemFailure(extract_error::PathAccess, fullName,
                QStringLiteral("%1 cannot be written: %2.").arg(shown(target), file.errorString()), target);
    }
    content = QByteArray();

    if (!SetFileModified(target, TimestampMoment(big.timestamp_seconds(ID))))
        return fileSystemFailure(extract_error::PathAccess, fullName,
            QStringLiteral("%1 was written, but its modification time cannot be set.").arg(shown(target)), target);
    return {true, {}, 0, {}, target};
}

} // namespace pelkora

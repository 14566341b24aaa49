#include "app/ExtractEntry.h"

#include "app/SafeName.h"
#include "archive/BigRuntimeError.h"
#include "lzss/UnLZSS.h"
#include "support/ConfinedWrite.h"
#include "support/FileTime.h"
#include "support/Paths.h"
#include "support/TimestampText.h"

#include <QDir>
#include <QFileInfo>
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

QString ExtractRoot(const QString& destination)
{
    // Qt takes "/" on every platform; the archive's "\\" is only a separator
    // where the path on disk is built.
    QString root = QDir::fromNativeSeparators(destination);
    if (!root.isEmpty() && !root.endsWith(u'/'))
        root += u'/';
    return root;
}

ExtractResult ExtractEntry(cBig& big, std::int32_t ID, const QString& destination, const QString& fullName)
{
    ConfinedWriter writer(ExtractRoot(destination));
    return ExtractEntry(big, ID, writer, fullName);
}

ExtractResult ExtractEntry(cBig& big, std::int32_t ID, ConfinedWriter& writer, const QString& fullName)
{
    // The name decides where bytes go, so it is checked before anything else.
    const QString unsafe = UnsafeNameReason(fullName);
    if (!unsafe.isEmpty())
        return fileSystemFailure(extract_error::UnsafeName, fullName, QStringLiteral("refused, ") + unsafe + u'.', {});

    QString root = writer.root();
    if (!root.isEmpty() && !root.endsWith(u'/'))
        root += u'/';
    const QStringList components = fullName.split(kArchiveSeparator);
    QString walked = root;
    for (qsizetype i = 0; i + 1 < components.size(); ++i)
        walked += components[i] + u'/';
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

    // Folders are opened one by one with links refused, a new file is made
    // exclusively, and an existing one is only replaced by a rename after a
    // complete write (see support/ConfinedWrite.h).
    const ConfinedResult written = writer.write(components.first(components.size() - 1), components.last(),
        content, FileTimeFromLocal(TimestampMoment(big.timestamp_seconds(ID))));
    if (!written.ok()) {
        const int number = written.error == ConfinedError::TargetReadOnly ? extract_error::ReadOnlyTarget
                                                                           : extract_error::PathAccess;
        return fileSystemFailure(number, fullName, written.message(), target);
    }
    return {true, {}, 0, {}, target};
}

} // namespace pelkora

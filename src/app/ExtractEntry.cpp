#include "app/ExtractEntry.h"

#include "app/SafeName.h"
#include "archive/BigRuntimeError.h"
#include "lzss/UnLZSS.h"
#include "support/ConfinedWrite.h"
#include "support/FileTime.h"
#include "support/Paths.h"
#include "support/TimestampText.h"

#include <QDir>
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
    // Qt takes "/" on every platform; the archive's "\" is only a separator
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
    return WritePreparedEntry(PrepareEntry(big, ID, fullName), writer);
}

PreparedEntry PrepareEntry(cBig& big, std::int32_t ID, const QString& fullName)
{
    PreparedEntry entry;
    entry.fullName = fullName;
    // The name decides where bytes go, so it is checked before anything else.
    const QString unsafe = UnsafeNameReason(fullName);
    if (!unsafe.isEmpty()) {
        entry.failure =
            fileSystemFailure(extract_error::UnsafeName, fullName, QStringLiteral("refused, ") + unsafe + u'.', {});
        return entry;
    }
    entry.components = fullName.split(kArchiveSeparator);
    try {
        entry.content = ReadEntryContent(big, ID);
        // A cut or damaged stream decodes to fewer (or more) bytes than the
        // record promises; writing it would report a wrong file as extracted.
        const std::int32_t promised = big.data_uncompressed_size(ID);
        if (entry.content.size() != promised) {
            entry.failure = failure(big.data_compressed_flag(ID) ? QStringLiteral("UnLZSS")
                                                                 : QStringLiteral("GetFileBlob"),
                extract_error::DamagedEntry, fullName,
                QStringLiteral("damaged, its decoded length %1 differs from its stored unpacked size %2.")
                    .arg(entry.content.size())
                    .arg(promised));
            entry.content.clear();
            return entry;
        }
        entry.modifiedUtc = FileTimeFromLocal(TimestampMoment(big.timestamp_seconds(ID)));
    } catch (const BigRuntimeError& e) {
        entry.failure =
            failure(e.source(), e.number(), fullName, QStringLiteral("cannot be read: ") + e.description());
    } catch (const std::bad_alloc&) {
        entry.failure = failure(QStringLiteral("UnLZSS"), extract_error::OutOfMemory, fullName,
            QStringLiteral("out of memory while decoding."));
    }
    return entry;
}

ExtractResult WritePreparedEntry(const PreparedEntry& entry, ConfinedWriter& writer)
{
    if (entry.components.isEmpty())
        return entry.failure; // the name was refused: no path to name

    QString target = writer.root();
    if (!target.isEmpty() && !target.endsWith(u'/'))
        target += u'/';
    target += entry.components.join(u'/');
    if (!entry.failure.ok) {
        ExtractResult r = entry.failure;
        r.target = target;
        return r;
    }

    // Folders are opened one by one with links refused, a new file is made
    // exclusively, and an existing one is only replaced by a rename after a
    // complete write (see support/ConfinedWrite.h).
    const ConfinedResult written = writer.write(entry.components.first(entry.components.size() - 1),
        entry.components.last(), entry.content, entry.modifiedUtc);
    if (!written.ok()) {
        const int number = written.error == ConfinedError::TargetReadOnly ? extract_error::ReadOnlyTarget
                                                                           : extract_error::PathAccess;
        return fileSystemFailure(number, entry.fullName, written.message(), target);
    }
    return {true, {}, 0, {}, target};
}

} // namespace pelkora

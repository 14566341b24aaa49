#include "app/ExtractEntry.h"

#include "archive/BigRuntimeError.h"
#include "archive/SafeName.h"
#include "lzss/UnLZSS.h"
#include "support/ConfinedWrite.h"
#include "support/FileCopy.h"
#include "support/FileTime.h"
#include "support/Interruption.h"
#include "support/Paths.h"
#include "support/TimestampText.h"

#include <QDir>
#include <QStringList>

#include <algorithm>
#include <new>

namespace pelkora {
namespace {

const QChar kArchiveSeparator = u'\\';
// Entries larger than these are written from the archive in pieces: stored
// ones copied by the kernel, compressed ones decoded through a small window.
constexpr qint64 kLargestHeldStored = 64 * 1024;
constexpr qint64 kLargestHeldPacked = 1 << 20;
constexpr qint64 kLargestHeldUnpacked = 4 << 20;

QString entryLabel(const QString& fullName)
{
    // A name of thousands of folders would make a message nobody can read.
    constexpr qsizetype kMost = 160;
    if (fullName.size() <= kMost)
        return u'"' + fullName + u'"';
    return u'"' + fullName.left(kMost / 2) + QStringLiteral("...") + fullName.right(kMost / 2) + u'"';
}

bool heldWhole(const EntrySource& source)
{
    if (!source.compressed)
        return source.data.size <= kLargestHeldStored;
    return source.data.size <= kLargestHeldPacked && source.unpacked <= kLargestHeldUnpacked;
}

Failure entryFailure(const QString& source, int number, const QString& fullName, const QString& reason,
    const QString& target = {})
{
    return {number, source, entryLabel(fullName) + QStringLiteral(": ") + reason, target};
}

Failure fileSystemFailure(int number, const QString& fullName, const QString& reason, const QString& target)
{
    return entryFailure(QStringLiteral("ExtractEntry"), number, fullName, reason, target);
}

Failure damaged(const QString& fullName, bool compressed, qint64 decoded, qint64 promised)
{
    return entryFailure(compressed ? QStringLiteral("UnLZSS") : QStringLiteral("GetFileBlob"), failure::DamagedEntry,
        fullName,
        decoded > promised
            ? QStringLiteral("damaged, it decodes to more than its stored unpacked size %1.").arg(promised)
            : QStringLiteral("damaged, its decoded length %1 differs from its stored unpacked size %2.")
                  .arg(decoded)
                  .arg(promised));
}

} // namespace

QByteArray ReadEntryContent(const BigDirectory& directory, std::int32_t ID)
{
    QByteArray stored = directory.Blob(ID);
    const BigEntry& e = directory.Entry(ID);
    if (e.compressedFlag != 0)
        return UnLZSS(stored, static_cast<std::size_t>(std::max(0, e.uncompressedSize)));
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

Failure ExtractEntry(cBig& big, std::int32_t ID, const QString& destination, const QString& fullName)
{
    ConfinedWriter writer(ExtractRoot(destination));
    return ExtractEntry(big, ID, writer, fullName);
}

Failure ExtractEntry(cBig& big, std::int32_t ID, ConfinedWriter& writer, const QString& fullName)
{
    return WritePreparedEntry(PrepareEntry(big, ID, fullName), writer);
}

PreparedEntry PrepareEntry(const cBig& big, std::int32_t ID, const QString& fullName)
{
    return PrepareEntry(big.Directory(), ID, fullName);
}

namespace {

PreparedEntry prepare(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID, const QString& fullName,
    DataWindow* window, bool storedAsView)
{
    PreparedEntry entry;
    entry.fullName = fullName;
    // The name decides where bytes go, so it is checked before anything else.
    const QString unsafe = UnsafeNameReason(fullName);
    if (!unsafe.isEmpty()) {
        entry.failure =
            fileSystemFailure(failure::UnsafeName, fullName, QStringLiteral("refused, ") + unsafe + u'.', {});
        return entry;
    }
    entry.components = fullName.split(kArchiveSeparator);
    try {
        if (!directory) {
            cError notLoaded;
            notLoaded.setNumber(cError::NotLoaded);
            throw BigRuntimeError(notLoaded.Number(), QStringLiteral("GetFileBlob"), notLoaded.Description());
        }
        const EntrySource source = EntrySourceOf(*directory, ID);
        entry.modifiedUtc = FileTimeFromLocal(TimestampMoment(directory->Entry(ID).timestamp));
        if (!heldWhole(source)) {
            if (!source.compressed && source.data.size != source.unpacked)
                entry.failure = damaged(fullName, false, source.data.size, source.unpacked);
            else
                entry.streamed = source;
            entry.directory = directory;
            return entry;
        }
        if (window) {
            // Compressed bytes are only decoded from, so a view will do.
            const QByteArray stored = window->read(*directory, source.data, ID, storedAsView || source.compressed);
            entry.content = source.compressed ? UnLZSS(stored, static_cast<std::size_t>(source.unpacked)) : stored;
        } else {
            entry.content = ReadEntryContent(*directory, ID);
        }
        // A cut or damaged stream decodes to fewer (or more) bytes than the
        // record promises; writing it would report a wrong file as extracted.
        if (entry.content.size() != source.unpacked) {
            entry.failure = damaged(fullName, source.compressed, entry.content.size(), source.unpacked);
            entry.content.clear();
            return entry;
        }
    } catch (const BigRuntimeError& e) {
        entry.failure =
            entryFailure(e.source(), e.number(), fullName, QStringLiteral("cannot be read: ") + e.description());
    } catch (const std::bad_alloc&) {
        entry.failure = entryFailure(QStringLiteral("UnLZSS"), failure::OutOfMemory, fullName,
            QStringLiteral("out of memory while decoding."));
    }
    return entry;
}

} // namespace

PreparedEntry PrepareEntry(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName)
{
    return prepare(directory, ID, fullName, nullptr, false);
}

PreparedEntry PrepareEntry(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName, DataWindow& window, bool storedAsView)
{
    return prepare(directory, ID, fullName, &window, storedAsView);
}

namespace {

// Writes a streamed entry to `fd`: a stored one copied by the kernel where it
// can, anything else read and decoded in pieces. Starts over when run again.
ContentStatus writeStreamed(const PreparedEntry& entry, int fd, Failure& why)
{
    EntrySource rest = *entry.streamed;
    if (!rest.compressed) {
        qint64 copied = 0;
        switch (CopyRange(entry.directory->Handle(), rest.data.start, rest.data.size, fd, copied)) {
        case CopyEnd::Done:
            return ContentStatus::Complete;
        case CopyEnd::Failed:
            return ContentStatus::WriteFailed;
        case CopyEnd::SourceShort:
            why = entryFailure(QStringLiteral("GetFileBlob"), failure::PastEndOfFile, entry.fullName,
                QStringLiteral("cannot be read: its data runs past the end of the file."));
            return ContentStatus::Failed;
        case CopyEnd::Unsupported:
            break; // the rest by reading
        }
        rest.data.start += copied;
        rest.data.size -= copied;
        rest.unpacked -= copied;
    }
    int writeError = 0;
    const StreamResult streamed = StreamEntry(
        *entry.directory, rest,
        [&](const char* data, std::size_t size) {
            if (!WriteAll(fd, data, size)) {
                writeError = errno;
                return false;
            }
            return !InterruptionRequested();
        },
        true);
    switch (streamed.end) {
    case StreamEnd::Complete:
        if (streamed.produced == rest.unpacked)
            return ContentStatus::Complete;
        why = damaged(entry.fullName, rest.compressed, entry.streamed->unpacked - rest.unpacked + streamed.produced,
            entry.streamed->unpacked);
        return ContentStatus::Failed;
    case StreamEnd::TooLong:
        why = damaged(entry.fullName, rest.compressed, entry.streamed->unpacked + 1, entry.streamed->unpacked);
        return ContentStatus::Failed;
    case StreamEnd::ReadFailed:
        why = entryFailure(streamed.readError->source(), streamed.readError->number(), entry.fullName,
            QStringLiteral("cannot be read: ") + streamed.readError->description());
        return ContentStatus::Failed;
    case StreamEnd::Stopped:
        break;
    }
    if (writeError != 0) {
        errno = writeError;
        return ContentStatus::WriteFailed;
    }
    why = entryFailure(QStringLiteral("ExtractEntry"), failure::PathAccess, entry.fullName,
        QStringLiteral("not written: interrupted."));
    return ContentStatus::Failed;
}

} // namespace

Failure WritePreparedEntry(const PreparedEntry& entry, ConfinedWriter& writer)
{
    if (entry.components.isEmpty())
        return entry.failure; // the name was refused: no path to name

    QString target = writer.root();
    if (!target.isEmpty() && !target.endsWith(u'/'))
        target += u'/';
    target += entry.components.join(u'/');
    if (!entry.failure.ok()) {
        Failure r = entry.failure;
        r.subject = target;
        return r;
    }

    // Folders are opened one by one with links refused, a new file is made
    // exclusively, and an existing one is only replaced by a rename after a
    // complete write (see support/ConfinedWrite.h).
    const QStringList folders = entry.components.first(entry.components.size() - 1);
    Failure why;
    const ConfinedResult written = entry.streamed
        ? writer.write(
            folders, entry.components.last(), [&](int fd) { return writeStreamed(entry, fd, why); }, entry.modifiedUtc)
        : writer.write(folders, entry.components.last(), entry.content, entry.modifiedUtc);
    if (written.error == ConfinedError::ContentFailed) {
        why.subject = target;
        return why;
    }
    if (!written.ok()) {
        const int number =
            written.error == ConfinedError::TargetReadOnly ? failure::ReadOnlyTarget : failure::PathAccess;
        return fileSystemFailure(number, entry.fullName, written.message(), target);
    }
    return {0, {}, {}, target};
}

} // namespace pelkora

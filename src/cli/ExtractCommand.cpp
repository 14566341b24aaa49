#include "app/EntryStream.h"
#include "app/ExtractEntry.h"
#include "app/FreeSpace.h"
#include "app/ParallelExtraction.h"
#include "archive/BigRuntimeError.h"
#include "archive/SafeName.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/EntryKey.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <new>
#include <sys/stat.h>

namespace pelkora::cli {
namespace {

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}

// Makes `path` and the folders above it as `mkdir -p` does. Empty when the
// folder is there afterwards, otherwise the system's reason, naming the
// folder that could not be made when it is not `path` itself.
QString MakeDestination(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    qsizetype from = 1;
    for (;;) {
        const qsizetype slash = absolute.indexOf(u'/', from);
        const QString prefix = slash < 0 ? absolute : absolute.left(slash);
        const QByteArray encoded = QFile::encodeName(prefix);
        struct stat st { };
        if (::mkdir(encoded.constData(), 0777) != 0) {
            const int error = errno;
            const bool present = error == EEXIST && ::stat(encoded.constData(), &st) == 0;
            if (!present || !S_ISDIR(st.st_mode)) {
                const QString reason = QString::fromLocal8Bit(std::strerror(present ? ENOTDIR : error));
                return prefix == absolute ? reason : QStringLiteral("%1 (%2)").arg(reason, prefix);
            }
        }
        if (slash < 0)
            return {};
        from = slash + 1;
    }
}

// -O: the selected entries' decoded bytes on stdout, one after another, in
// ID order. A damaged or unreadable entry is reported; one small enough to
// hold is checked before any of its bytes go out and then left out, a larger
// one goes out in pieces and is reported afterwards.
int extractToStdout(cBig& big, const std::vector<const CliEntry*>& selected, const CliOptions& options, CliOutput& out,
    bool anyFailed)
{
    constexpr qint64 kLargestHeld = 16 << 20;
    const auto damaged = [&](const CliEntry* e, qint64 decoded, qint64 promised) {
        out.Error(options.archive,
            QStringLiteral("%1: damaged, its decoded length %2 differs from its stored unpacked size %3.")
                .arg(quoted(e->name))
                .arg(decoded)
                .arg(promised));
        anyFailed = true;
    };
    for (const CliEntry* e : selected) {
        try {
            const EntrySource source = EntrySourceOf(big, e->id);
            if (source.data.size <= kLargestHeld && source.unpacked <= kLargestHeld) {
                const QByteArray content = ReadEntryContent(*big.Directory(), e->id);
                if (content.size() != source.unpacked)
                    damaged(e, content.size(), source.unpacked);
                else
                    out.Bytes(content);
                continue;
            }
            const StreamResult streamed = StreamEntry(
                big, source, [&](const char* data, std::size_t size) { return out.Bytes(data, size); }, true);
            if (streamed.end == StreamEnd::ReadFailed)
                throw *streamed.readError;
            if (streamed.end == StreamEnd::Stopped)
                break; // stdout refuses bytes: main reports it
            if (streamed.end == StreamEnd::TooLong || streamed.produced != source.unpacked)
                damaged(e, streamed.end == StreamEnd::TooLong ? source.unpacked + 1 : streamed.produced,
                    source.unpacked);
        } catch (const BigRuntimeError& failure) {
            out.Error(options.archive, quoted(e->name) + QStringLiteral(": cannot be read: ") + failure.description());
            anyFailed = true;
        } catch (const std::bad_alloc&) {
            out.Error(options.archive, quoted(e->name) + QStringLiteral(": out of memory while decoding."));
            anyFailed = true;
        }
    }
    return anyFailed ? ExitEntryFailed : ExitOk;
}

// -k: whether something already has the entry's path. Only a safe name
// reached through real folders counts; anything else goes on to the writer,
// which refuses it and says why, rather than passing as "kept".
bool targetExists(const QString& root, const QString& fullName)
{
    if (!UnsafeNameReason(fullName).isEmpty())
        return false;
    QString path = ExtractRoot(root);
    const QStringList components = fullName.split(u'\\');
    struct stat st { };
    for (qsizetype i = 0; i < components.size(); ++i) {
        path += components[i];
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return false;
        if (i + 1 < components.size() && !S_ISDIR(st.st_mode))
            return false; // a link or a file where a folder belongs
        path += u'/';
    }
    return true;
}

// Every entry of a few MB gets buffers of that size (its stored bytes, its
// decoded bytes) that are freed once it is written. By default the C library
// maps such buffers anew and returns them at once, and every page of the next
// one faults again; this keeps freed memory for reuse instead. What is kept
// never exceeds what was in use at once, which the prefetcher bounds.
void keepFreedBuffers()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

} // namespace

int ExtractCommand(const CliOptions& options)
{
    keepFreedBuffers();
    CliOutput out(options.quiet);
    QElapsedTimer clock;
    clock.start();
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const EntryTable table = ReadEntries(big, options.archive, out, anyFailed);
    const std::vector<CliEntry>& entries = table.entries;
    const std::vector<const CliEntry*> selected =
        SelectEntries(entries, options.names, options.excludes, options.archive, out, anyFailed);
    if (options.toStdout)
        return extractToStdout(big, selected, options, out, anyFailed);

    const QString destinationProblem = MakeDestination(options.destination);
    if (!destinationProblem.isEmpty()) {
        // Nothing at all can be written: the run as a whole failed.
        out.Error(options.destination,
            QStringLiteral("the destination folder cannot be created: ") + destinationProblem + u'.');
        return ExitArchiveFailed;
    }

    // Entries are written by ID, so a stored hash that does not match its name
    // does not matter here. Of entries sharing a full name (in any letter
    // case) only the lowest ID is written: the others would overwrite it.
    QHash<QString, std::int32_t> firstWithName;
    std::vector<std::int32_t> firstIds; // per selected entry: the entry written under its name
    std::vector<ParallelExtraction::Item> toWrite;
    QSet<std::int32_t> kept; // -k: entries whose target exists
    firstIds.reserve(selected.size());
    for (const CliEntry* e : selected) {
        const QString key = EntryKey(e->name);
        auto at = firstWithName.find(key);
        if (at == firstWithName.end()) {
            at = firstWithName.insert(key, e->id);
            if (options.keepExisting && targetExists(options.destination, e->name))
                kept.insert(e->id);
            else
                toWrite.push_back({e->id, e->name});
        }
        firstIds.push_back(*at);
    }

    // Many names may point at the same data: an archive of a few megabytes
    // can promise terabytes. Refuse a run that cannot fit before writing.
    qint64 needed = 0;
    for (const ParallelExtraction::Item& item : toWrite)
        needed += std::max(0, big.data_uncompressed_size(item.id));
    const qint64 available = FreeBytesAt(options.destination);
    if (!options.force && available >= 0 && needed > available) {
        out.Error(options.destination,
            QStringLiteral("the entries to extract need %1 bytes, but the destination has only %2 bytes free "
                           "(--force extracts anyway).")
                .arg(needed)
                .arg(available));
        return ExitArchiveFailed;
    }

    // Entries are read, decoded and written on two threads at once; results
    // come back in order.
    int done = 0;
    int written = 0;
    int failed = 0;
    qint64 bytes = 0;
    const int total = static_cast<int>(selected.size());
    {
        ParallelExtraction extraction(big, std::move(toWrite), options.destination,
            ParallelExtraction::DefaultThreads());
        for (const CliEntry* e : selected) {
            const std::int32_t first = firstIds[static_cast<std::size_t>(done)];
            out.Progress(++done, total, e->name);
            if (first != e->id) {
                out.Error(options.archive,
                    QStringLiteral("%1 (entry %2): skipped, entry %3 has the same name.")
                        .arg(quoted(e->name))
                        .arg(e->id)
                        .arg(first));
                anyFailed = true;
                ++failed;
                continue;
            }
            if (kept.contains(e->id))
                continue;
            const ParallelExtraction::Result* result = extraction.next();
            if (!result)
                break; // cannot happen: one result per entry to write
            if (!result->failure.ok()) {
                out.Error(options.archive, result->failure.description);
                anyFailed = true;
                ++failed;
                continue;
            }
            ++written;
            bytes += result->bytes;
            if (options.verbose && !options.quiet)
                out.Line(result->failure.subject);
        }
    }
    out.EndProgress();
    QString summary =
        QStringLiteral("%1 files, %2 written to %3 in %4 s")
            .arg(QLocale().toString(written), QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat),
                options.destination, QString::number(clock.elapsed() / 1000.0, 'f', 1));
    if (!kept.isEmpty())
        summary += QStringLiteral("; %1 kept").arg(QLocale().toString(kept.size()));
    if (failed > 0)
        summary += QStringLiteral("; %1 failed").arg(QLocale().toString(failed));
    out.Summary(summary);
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli

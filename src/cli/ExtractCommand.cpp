#include "app/EntryPrefetcher.h"
#include "app/ExtractEntry.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace pelkora::cli {
namespace {

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}

// The entries the NAMEs ask for (all when none is given), in ID order. A NAME
// matches a full name without regard to case; "/" may stand for "\".
std::vector<const CliEntry*> selectEntries(const std::vector<CliEntry>& entries, const QStringList& names,
    const QString& archive, CliOutput& out, bool& anyFailed)
{
    std::vector<const CliEntry*> selected;
    if (names.isEmpty()) {
        for (const CliEntry& e : entries)
            selected.push_back(&e);
        return selected;
    }
    QHash<QString, QList<const CliEntry*>> byName;
    for (const CliEntry& e : entries)
        byName[e.name.toLower()].append(&e);
    QSet<std::int32_t> chosen;
    for (const QString& name : names) {
        const QString key = name.toLower();
        QList<const CliEntry*> matches = byName.value(key);
        if (matches.isEmpty())
            matches = byName.value(QString(key).replace(u'/', u'\\'));
        if (matches.isEmpty()) {
            out.Error(archive, quoted(name) + QStringLiteral(": not in the archive."));
            anyFailed = true;
        }
        for (const CliEntry* e : matches)
            chosen.insert(e->id);
    }
    for (const CliEntry& e : entries) {
        if (chosen.contains(e.id))
            selected.push_back(&e);
    }
    return selected;
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
        struct stat st {};
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

} // namespace

int ExtractCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const std::vector<CliEntry> entries = ReadEntries(big, options.archive, out, anyFailed, RowCells::Skip);
    const std::vector<const CliEntry*> selected =
        selectEntries(entries, options.names, options.archive, out, anyFailed);

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
    std::vector<EntryPrefetcher::Item> toWrite;
    firstIds.reserve(selected.size());
    for (const CliEntry* e : selected) {
        const QString key = e->name.toLower();
        auto at = firstWithName.find(key);
        if (at == firstWithName.end()) {
            at = firstWithName.insert(key, e->id);
            toWrite.push_back({e->id, e->name});
        }
        firstIds.push_back(*at);
    }

    // Many names may point at the same data: an archive of a few megabytes
    // can promise terabytes. Refuse a run that cannot fit before writing.
    qint64 needed = 0;
    for (const EntryPrefetcher::Item& item : toWrite)
        needed += std::max(0, big.data_uncompressed_size(item.id));
    const qint64 available = QStorageInfo(options.destination).bytesAvailable();
    if (!options.force && available >= 0 && needed > available) {
        out.Error(options.destination,
            QStringLiteral("the entries to extract need %1 bytes, but the destination has only %2 bytes free "
                           "(--force extracts anyway).")
                .arg(needed)
                .arg(available));
        return ExitArchiveFailed;
    }

    // Compressed entries are read and decoded ahead on a second thread while
    // the ones before them are written; the reader is not touched here until
    // the prefetcher is gone.
    ConfinedWriter writer(ExtractRoot(options.destination));
    int done = 0;
    int count = 0;
    const int total = static_cast<int>(selected.size());
    {
        const EntryPrefetcher::Mode mode = EntryPrefetcher::ModeFor(big, toWrite);
        EntryPrefetcher prefetcher(big, std::move(toWrite), mode);
        for (const CliEntry* e : selected) {
            const std::int32_t first = firstIds[static_cast<std::size_t>(done)];
            out.Progress(++done, total, e->name);
            if (first != e->id) {
                out.Error(options.archive,
                    QStringLiteral("%1 (entry %2): skipped, entry %3 has the same name.")
                        .arg(quoted(e->name)).arg(e->id).arg(first));
                anyFailed = true;
                continue;
            }
            const PreparedEntry* prepared = prefetcher.next();
            if (!prepared)
                break; // cannot happen: one prepared entry per entry to write
            const ExtractResult result = WritePreparedEntry(*prepared, writer);
            if (!result.ok) {
                out.Error(options.archive, result.description);
                anyFailed = true;
                continue;
            }
            ++count;
        }
    }
    out.EndProgress();
    if (!options.quiet)
        out.Line(QStringLiteral("%1 of %2 entries written to %3").arg(count).arg(total).arg(options.destination));
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli

#include "app/ExtractEntry.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/Crc.h"

#include <algorithm>
#include <new>

namespace pelkora::cli {

namespace {

// Entries whose data areas overlap: normal archives never share bytes, and
// many names on one stream is how a small archive promises huge output.
// Reports each overlap once, against the entry that reaches furthest before
// it. True when any was found.
bool reportSharedData(cBig& big, const std::vector<CliEntry>& entries, const QString& archive, CliOutput& out)
{
    struct Area {
        qint64 start;
        qint64 end;
        std::int32_t id;
    };
    std::vector<Area> areas;
    areas.reserve(entries.size());
    for (const CliEntry& e : entries) {
        try {
            const qint64 size = big.data_compressed_size(e.id);
            if (size > 0)
                areas.push_back({big.data_offset(e.id), big.data_offset(e.id) + size, e.id});
        } catch (const BigRuntimeError&) {
            // Reported above as data that cannot be read.
        }
    }
    std::sort(areas.begin(), areas.end(),
        [](const Area& a, const Area& b) { return a.start != b.start ? a.start < b.start : a.id < b.id; });
    bool found = false;
    const Area* reach = nullptr; // the area that ends furthest so far
    for (const Area& area : areas) {
        if (reach && area.start < reach->end) {
            out.Error(archive, QStringLiteral("entries %1 and %2 share data at offset %3.")
                                   .arg(std::min(reach->id, area.id))
                                   .arg(std::max(reach->id, area.id))
                                   .arg(area.start));
            found = true;
        }
        if (!reach || area.end > reach->end)
            reach = &area;
    }
    return found;
}

} // namespace

int TestCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const std::vector<CliEntry> entries = ReadEntries(big, options.archive, out, anyFailed, RowCells::Skip);

    int failed = big.FileCount() - static_cast<int>(entries.size());
    int done = 0;
    for (const CliEntry& e : entries) {
        out.Progress(++done, static_cast<int>(entries.size()), e.name);
        const QString label = u'"' + e.name + u'"';
        QStringList problems;
        if (big.name_hash(e.id) != NameKey(e.name))
            problems << QStringLiteral("its stored name hash does not match its name");
        // Decoded in memory, one entry at a time.
        try {
            const qint64 decoded = ReadEntryContent(big, e.id).size();
            const std::int32_t stored = big.data_uncompressed_size(e.id);
            if (decoded != stored)
                problems << QStringLiteral("its decoded length %1 differs from its stored unpacked size %2")
                                .arg(decoded)
                                .arg(stored);
        } catch (const BigRuntimeError& failure) {
            problems << QStringLiteral("its data cannot be read: ") + failure.description();
        } catch (const std::bad_alloc&) {
            problems << QStringLiteral("out of memory while decoding it");
        }
        for (const QString& problem : problems)
            out.Error(options.archive, label + QStringLiteral(": ") + problem + u'.');
        if (!problems.isEmpty()) {
            ++failed;
            anyFailed = true;
        }
    }
    out.EndProgress();
    if (reportSharedData(big, entries, options.archive, out))
        anyFailed = true;
    if (!options.quiet)
        out.Line(QStringLiteral("%1: %2 entries, %3 did not verify").arg(options.archive).arg(big.FileCount()).arg(failed));
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli

#include "app/EntryStream.h"
#include "app/ExtractEntry.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/Crc.h"

#include <algorithm>
#include <new>

namespace pelkora::cli {

int TestCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const EntryTable table = ReadEntries(big, options.archive, out, anyFailed);
    const std::vector<CliEntry>& entries = table.entries;

    int failed = big.FileCount() - static_cast<int>(entries.size());
    int done = 0;
    for (const CliEntry& e : entries) {
        out.Progress(++done, static_cast<int>(entries.size()), e.name);
        const QString label = u'"' + e.name + u'"';
        QStringList problems;
        if (big.name_hash(e.id) != NameKey(e.name))
            problems << QStringLiteral("its stored name hash does not match its name");
        // Decoded in pieces and only counted, so that an entry of any size
        // is verified in a few MB.
        try {
            const EntrySource source = EntrySourceOf(big, e.id);
            const StreamResult streamed = StreamEntry(
                big, source, [](const char*, std::size_t) { return true; }, false);
            if (streamed.end == StreamEnd::ReadFailed)
                problems << QStringLiteral("its data cannot be read: ") + streamed.readError->description();
            else if (streamed.produced != source.unpacked)
                problems << QStringLiteral("its decoded length %1 differs from its stored unpacked size %2")
                                .arg(streamed.produced)
                                .arg(source.unpacked);
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
    for (const SharedData& shared : FindSharedData(big, entries)) {
        out.Error(options.archive,
            QStringLiteral("entries %1 and %2 share data at offset %3.")
                .arg(shared.first)
                .arg(shared.second)
                .arg(shared.offset));
        anyFailed = true;
    }
    if (!options.quiet)
        out.Line(
            QStringLiteral("%1: %2 entries, %3 did not verify").arg(options.archive).arg(big.FileCount()).arg(failed));
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli

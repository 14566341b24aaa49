#include "app/PackInputs.h"
#include "archive/ArchiveNames.h"
#include "archive/ArchiveWriter.h"
#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "cli/NamePattern.h"
#include "support/EntryKey.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <optional>

#include <unistd.h>

namespace pelkora::cli {
namespace {

// What goes into one directory slot of the new archive: an entry of the
// old one as it lies, or a file.
struct Slot {
    std::int32_t copiedId = -1;
    const PackInput* file = nullptr;
    qint64 areaOrder = 0; // where its area goes: the old area's offset, new ones last
};

// Every entry's lower-case name -> the IDs with it, lowest first, and each
// entry's name for the progress line. Entries whose name cannot be read
// match no name.
QHash<QString, std::vector<std::int32_t>> idsByName(const BigDirectory& directory, std::vector<QString>& names)
{
    QHash<QString, std::vector<std::int32_t>> ids;
    BigDirectory::NameBlock cache;
    names.assign(static_cast<std::size_t>(directory.FileCount()), QString());
    for (std::int32_t id = 0; id < directory.FileCount(); ++id) {
        try {
            QString& name = names[static_cast<std::size_t>(id)];
            name = directory.Name(id, &cache);
            ids[EntryKey(name)].push_back(id);
        } catch (const BigRuntimeError&) {
        }
    }
    return ids;
}

std::optional<ArchiveHeaderReserved> headerReservedOf(const BigDirectory& directory)
{
    unsigned char header[big::kHeaderSize];
    if (::pread(directory.Handle(), header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return std::nullopt;
    ArchiveHeaderReserved reserved;
    reserved.byte7 = header[7];
    reserved.word12 = static_cast<std::uint32_t>(header[12]) | (static_cast<std::uint32_t>(header[13]) << 8)
        | (static_cast<std::uint32_t>(header[14]) << 16) | (static_cast<std::uint32_t>(header[15]) << 24);
    return reserved;
}

} // namespace

int UpdateCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    QElapsedTimer clock;
    clock.start();
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    const std::shared_ptr<const BigDirectory> directory = big.Directory();
    const QString target = options.output.isEmpty() ? options.archive : options.output;

    std::vector<PackInput> inputs;
    if (!CollectPackInputs(options.inputs, options.follow, ErrorsTo(out), inputs))
        return ExitEntryFailed;
    bool refused = ReportOutputAmongInputs(options.archive, inputs, ErrorsTo(out));
    if (target != options.archive)
        refused = ReportOutputAmongInputs(target, inputs, ErrorsTo(out)) || refused;

    std::vector<QString> names;
    const QHash<QString, std::vector<std::int32_t>> ids = idsByName(*directory, names);
    std::vector<bool> removed(static_cast<std::size_t>(directory->FileCount()), false);
    QHash<QString, const PackInput*> given;
    for (const PackInput& input : inputs)
        given.insert(EntryKey(input.fullName), &input);
    // A --remove NAME selects as list's NAMEs do: a full name, a folder or a
    // glob, in any letter case.
    for (const QString& name : options.removes) {
        const NamePattern pattern(name);
        bool matched = false;
        for (auto it = ids.constBegin(); it != ids.constEnd(); ++it) {
            if (!pattern.matches(it.key()))
                continue;
            matched = true;
            if (given.contains(it.key())) {
                out.Error(options.archive,
                    QStringLiteral("\"%1\": both removed and given (\"%2\").").arg(it.key(), name));
                refused = true;
            }
            for (const std::int32_t id : *it)
                removed[static_cast<std::size_t>(id)] = true;
        }
        if (!matched) {
            out.Error(options.archive, QStringLiteral("\"%1\": not in the archive.").arg(name));
            refused = true;
        }
    }
    if (refused)
        return ExitEntryFailed;

    // Old entries keep their places, a given file taking the place of the
    // entry that lookups find; files for new names go at the end.
    std::vector<Slot> plan;
    QHash<std::int32_t, const PackInput*> replacing;
    std::vector<const PackInput*> added;
    for (const PackInput& input : inputs) {
        const auto found = ids.constFind(EntryKey(input.fullName));
        if (found == ids.constEnd())
            added.push_back(&input);
        else
            replacing.insert(found->front(), &input);
    }
    qint64 areas = 0;
    try {
        for (std::int32_t id = 0; id < directory->FileCount(); ++id) {
            if (removed[static_cast<std::size_t>(id)])
                continue;
            Slot slot;
            slot.copiedId = id;
            slot.file = replacing.value(id);
            slot.areaOrder = directory->Entry(id).entryOffset;
            if (slot.file) {
                areas += AreaSize(slot.file->storedName.size(), slot.file->size);
            } else {
                const StoredRange stored = directory->Stored(id);
                areas += stored.start + stored.size - slot.areaOrder;
            }
            plan.push_back(slot);
        }
        for (const PackInput* file : added)
            plan.push_back(Slot{-1, file, kLargestArchive + 1});
        CheckArchiveSize(ArchiveSize(static_cast<qint64>(plan.size()), areas));
    } catch (const BigRuntimeError& failure) {
        out.Error(options.archive, QStringLiteral("nothing written, ") + failure.description());
        return failure.source() == QLatin1String("Write") ? ExitEntryFailed : ExitArchiveFailed;
    }

    // Areas are written in the order they lie in the old archive.
    std::vector<std::int32_t> areaOrder(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i)
        areaOrder[i] = static_cast<std::int32_t>(i);
    std::stable_sort(areaOrder.begin(), areaOrder.end(), [&](std::int32_t a, std::int32_t b) {
        return plan[static_cast<std::size_t>(a)].areaOrder < plan[static_cast<std::size_t>(b)].areaOrder;
    });

    const std::optional<ArchiveHeaderReserved> reserved = headerReservedOf(*directory);
    if (!reserved) {
        out.Error(options.archive, QStringLiteral("nothing written, its header cannot be read."));
        return ExitArchiveFailed;
    }
    const auto count = static_cast<std::int32_t>(plan.size());
    try {
        ArchiveWriter writer(target, count, *reserved);
        int done = 0;
        for (const std::int32_t index : areaOrder) {
            const Slot& slot = plan[static_cast<std::size_t>(index)];
            if (slot.file) {
                out.Progress(++done, count, slot.file->fullName);
                writer.AddFile(index, slot.file->fullName, slot.file->path, options.level);
            } else {
                const QString& name = names[static_cast<std::size_t>(slot.copiedId)];
                out.Progress(++done, count, name.isEmpty() ? QStringLiteral("entry %1").arg(slot.copiedId) : name);
                writer.AddCopied(index, *directory, slot.copiedId);
            }
        }
        writer.Commit();
    } catch (const BigRuntimeError& failure) {
        out.EndProgress();
        out.Error(target, QStringLiteral("nothing written, ") + failure.description());
        return ExitArchiveFailed;
    }
    out.EndProgress();
    out.Summary(QStringLiteral("%1 entries (%2 replaced, %3 added, %4 removed) written to %5 in %6 s")
                    .arg(QLocale().toString(count), QLocale().toString(replacing.size()),
                        QLocale().toString(static_cast<qint64>(added.size())),
                        QLocale().toString(static_cast<qint64>(std::count(removed.begin(), removed.end(), true))),
                        target, QString::number(clock.elapsed() / 1000.0, 'f', 1)));
    return ExitOk;
}

} // namespace pelkora::cli

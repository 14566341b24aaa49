#include "app/UpdateArchive.h"

#include "app/NamePattern.h"
#include "archive/ArchiveNames.h"
#include "archive/BigDirectory.h"
#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "support/EntryKey.h"

#include <QHash>

#include <algorithm>

namespace pelkora {
namespace {

// Every entry's key -> the IDs with it, lowest first; each entry's name goes
// to `names`. Entries whose name cannot be read match no name.
QHash<QString, std::vector<std::int32_t>> idsByKey(const BigDirectory& directory, std::vector<QString>& names)
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

} // namespace

bool PlanUpdate(const BigDirectory& directory, const QString& archive, const std::vector<PackInput>& inputs,
    const QStringList& removes, const PackMessage& out, UpdatePlan& plan)
{
    plan = UpdatePlan();
    const QHash<QString, std::vector<std::int32_t>> ids = idsByKey(directory, plan.oldNames);
    const auto count = static_cast<std::size_t>(directory.FileCount());
    std::vector<bool> removed(count, false);
    QHash<QString, const PackInput*> given;
    for (const PackInput& input : inputs)
        given.insert(EntryKey(input.fullName), &input);
    bool refused = false;
    for (const QString& name : removes) {
        const NamePattern pattern(name);
        bool matched = false;
        for (auto it = ids.constBegin(); it != ids.constEnd(); ++it) {
            if (!pattern.matches(it.key()))
                continue;
            matched = true;
            if (given.contains(it.key())) {
                out(archive, QStringLiteral("\"%1\": both removed and given (\"%2\").").arg(it.key(), name));
                refused = true;
            }
            for (const std::int32_t id : *it)
                removed[static_cast<std::size_t>(id)] = true;
        }
        if (!matched) {
            out(archive, QStringLiteral("\"%1\": not in the archive.").arg(name));
            refused = true;
        }
    }
    if (refused)
        return false;

    // Old entries keep their places, a given file taking the place of the
    // entry that lookups find; files for new names go at the end.
    QHash<std::int32_t, const PackInput*> replacing;
    std::vector<const PackInput*> added;
    for (const PackInput& input : inputs) {
        const auto found = ids.constFind(EntryKey(input.fullName));
        if (found == ids.constEnd())
            added.push_back(&input);
        else
            replacing.insert(found->front(), &input);
    }
    // Areas are written in the order they lie in the old archive, new ones
    // last.
    std::vector<qint64> areaOrder;
    qint64 areas = 0;
    for (std::int32_t id = 0; id < directory.FileCount(); ++id) {
        if (removed[static_cast<std::size_t>(id)]) {
            ++plan.removed;
            continue;
        }
        UpdateSlot slot{id, replacing.value(id)};
        const qint64 offset = directory.Entry(id).entryOffset;
        if (slot.file) {
            areas += AreaSize(slot.file->storedName.size(), slot.file->size);
        } else {
            const StoredRange stored = directory.Stored(id);
            areas += stored.start + stored.size - offset;
        }
        plan.entries.push_back(slot);
        areaOrder.push_back(offset);
    }
    for (const PackInput* file : added) {
        plan.entries.push_back(UpdateSlot{-1, file});
        areaOrder.push_back(kLargestArchive + 1);
    }
    plan.replaced = static_cast<int>(replacing.size());
    plan.added = static_cast<int>(added.size());
    CheckArchiveSize(ArchiveSize(static_cast<qint64>(plan.entries.size()), areas));

    plan.writeOrder.resize(plan.entries.size());
    for (std::size_t i = 0; i < plan.entries.size(); ++i)
        plan.writeOrder[i] = static_cast<std::int32_t>(i);
    std::stable_sort(plan.writeOrder.begin(), plan.writeOrder.end(), [&](std::int32_t a, std::int32_t b) {
        return areaOrder[static_cast<std::size_t>(a)] < areaOrder[static_cast<std::size_t>(b)];
    });
    return true;
}

bool WriteUpdatedArchive(const QString& target, const BigDirectory& directory, const UpdatePlan& plan, int level,
    const PackProgress& progress, const PackStop& stop)
{
    const auto count = static_cast<std::int32_t>(plan.entries.size());
    ArchiveWriter writer(target, count, directory.HeaderReserved());
    int done = 0;
    for (const std::int32_t index : plan.writeOrder) {
        if (stop && stop())
            return false;
        const UpdateSlot& slot = plan.entries[static_cast<std::size_t>(index)];
        if (slot.file) {
            if (progress)
                progress(++done, count, slot.file->fullName);
            writer.AddFile(index, slot.file->fullName, slot.file->path, level);
        } else {
            const QString& name = plan.oldNames[static_cast<std::size_t>(slot.copiedId)];
            if (progress)
                progress(++done, count, name.isEmpty() ? QStringLiteral("entry %1").arg(slot.copiedId) : name);
            writer.AddCopied(index, directory, slot.copiedId);
        }
    }
    writer.Commit();
    return true;
}

} // namespace pelkora

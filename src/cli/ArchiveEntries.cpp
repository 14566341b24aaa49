#include "cli/ArchiveEntries.h"

#include "archive/BigRuntimeError.h"
#include "cli/NamePattern.h"
#include "support/TimestampText.h"

#include <QFileInfo>

#include <algorithm>
#include <new>

namespace pelkora::cli {

bool OpenArchive(cBig& big, const QString& path, CliOutput& out)
{
    try {
        if (big.Load(path))
            return true;
        QString description = big.Error().Description();
        if (big.Error().Number() == cError::FileNotFound) {
            // The reader only knows "not found"; say what the path is instead.
            const QFileInfo info(path);
            if (info.isDir())
                description += QStringLiteral(" (it is a directory)");
            else if (info.exists() || info.isSymLink())
                description += info.exists() ? QStringLiteral(" (it is not a regular file)")
                                             : QStringLiteral(" (it is a broken symbolic link)");
        }
        out.Error(path, description);
    } catch (const BigRuntimeError& e) {
        out.Error(path, e.description());
    } catch (const std::bad_alloc&) {
        out.Error(path, QStringLiteral("out of memory reading the directory."));
    }
    return false;
}

QString TextArena::add(QStringView text)
{
    if (used_ + text.size() > kBlock) {
        blocks_.push_back(std::make_unique<QChar[]>(static_cast<std::size_t>(std::max(kBlock, text.size()))));
        used_ = 0;
    }
    QChar* at = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return QString::fromRawData(at, text.size());
}

EntryTable ReadEntries(cBig& big, const QString& archive, CliOutput& out, bool& anyFailed)
{
    EntryTable table;
    table.entries.reserve(static_cast<std::size_t>(big.FileCount()));
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        try {
            table.entries.push_back({id, table.names.add(big.GetFileName(id))});
        } catch (const BigRuntimeError& e) {
            out.Error(archive, QStringLiteral("entry %1: %2").arg(id).arg(e.description()));
            anyFailed = true;
        }
    }
    return table;
}

std::vector<const CliEntry*> SelectEntries(const std::vector<CliEntry>& entries, const QStringList& names,
    const QStringList& excludes, const QString& archive, CliOutput& out, bool& anyFailed)
{
    std::vector<NamePattern> wanted;
    for (const QString& name : names)
        wanted.emplace_back(name);
    std::vector<NamePattern> unwanted;
    for (const QString& name : excludes)
        unwanted.emplace_back(name);
    std::vector<bool> used(wanted.size(), false);

    std::vector<const CliEntry*> selected;
    selected.reserve(wanted.empty() ? entries.size() : 0);
    for (const CliEntry& e : entries) {
        if (!wanted.empty() || !unwanted.empty()) {
            const QString lower = e.name.toLower();
            bool chosen = wanted.empty();
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                if (wanted[i].matches(lower)) {
                    chosen = true;
                    used[i] = true;
                }
            }
            if (!chosen)
                continue;
            const auto excluded = [&](const NamePattern& p) { return p.matches(lower); };
            if (std::any_of(unwanted.begin(), unwanted.end(), excluded))
                continue;
        }
        selected.push_back(&e);
    }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (!used[i]) {
            out.Error(archive, u'"' + wanted[i].text() + QStringLiteral("\": not in the archive."));
            anyFailed = true;
        }
    }
    return selected;
}

std::vector<SharedData> FindSharedData(cBig& big, const std::vector<CliEntry>& entries)
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
            if (size > 0) {
                const qint64 start = big.data_offset(e.id);
                areas.push_back({start, start + size, e.id});
            }
        } catch (const BigRuntimeError&) {
            // A broken record is reported where its data is read.
        }
    }
    std::sort(areas.begin(), areas.end(),
        [](const Area& a, const Area& b) { return a.start != b.start ? a.start < b.start : a.id < b.id; });
    std::vector<SharedData> shared;
    const Area* reach = nullptr; // the area that ends furthest so far
    for (const Area& area : areas) {
        if (reach && area.start < reach->end)
            shared.push_back({std::min(reach->id, area.id), std::max(reach->id, area.id), area.start});
        if (!reach || area.end > reach->end)
            reach = &area;
    }
    return shared;
}

void SortAsListed(std::vector<CliEntry>& entries)
{
    std::vector<std::size_t> order;
    {
        TextArena keyTexts;
        std::vector<QStringView> keys;
        keys.reserve(entries.size());
        for (const CliEntry& e : entries)
            keys.push_back(keyTexts.add(SortCellOf(e.name)));
        order = SortOrder(keys);
    }
    // Place i takes entry order[i]: followed cycle by cycle, in place.
    std::vector<bool> placed(entries.size(), false);
    for (std::size_t start = 0; start < entries.size(); ++start) {
        if (placed[start])
            continue;
        CliEntry first = std::move(entries[start]);
        std::size_t at = start;
        while (order[at] != start) {
            entries[at] = std::move(entries[order[at]]);
            placed[at] = true;
            at = order[at];
        }
        entries[at] = std::move(first);
        placed[at] = true;
    }
}

QString ModifiedText(std::int32_t seconds)
{
    return TimestampMoment(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace pelkora::cli

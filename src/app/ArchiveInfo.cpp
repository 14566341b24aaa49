#include "app/ArchiveInfo.h"

#include "archive/BigRuntimeError.h"
#include "support/Crc.h"
#include "support/TimestampText.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace pelkora {

std::vector<SharedData> FindSharedData(cBig& big, const std::vector<NamedEntry>& entries)
{
    struct Area {
        qint64 start;
        qint64 end;
        std::int32_t id;
    };
    std::vector<Area> areas;
    areas.reserve(entries.size());
    for (const NamedEntry& e : entries) {
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

QString ModifiedText(std::int32_t seconds)
{
    return TimestampMoment(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

ArchiveInfo GatherArchiveInfo(cBig& big, const QString& path, const std::vector<NamedEntry>& entries)
{
    ArchiveInfo info;
    info.path = path;
    info.fileSize = QFileInfo(path).size();
    info.entries = big.FileCount();
    info.earliest = std::numeric_limits<std::int32_t>::max();
    info.latest = std::numeric_limits<std::int32_t>::min();
    for (const NamedEntry& e : entries) {
        info.unpacked += std::max(0, big.data_uncompressed_size(e.id));
        info.packed += std::max(0, big.data_compressed_size(e.id));
        info.compressed += big.data_compressed_flag(e.id) ? 1 : 0;
        info.earliest = std::min(info.earliest, big.timestamp_seconds(e.id));
        info.latest = std::max(info.latest, big.timestamp_seconds(e.id));
        if (big.name_hash(e.id) != NameKey(e.name)) {
            info.mismatchedIds.push_back(e.id);
            info.mismatchedNames << QStringLiteral("%1 \"%2\"").arg(e.id).arg(e.name);
        }
    }
    info.shared = FindSharedData(big, entries);
    info.any = !entries.empty();
    return info;
}

QStringList ArchiveInfoLines(const ArchiveInfo& info)
{
    const QLocale locale;
    QStringList lines;
    lines << QStringLiteral("path:             %1").arg(info.path);
    lines << QStringLiteral("size:             %1 bytes").arg(locale.toString(info.fileSize));
    lines << QStringLiteral("entries:          %1").arg(locale.toString(info.entries));
    lines << QStringLiteral("unpacked:         %1 bytes").arg(locale.toString(info.unpacked));
    lines << QStringLiteral("packed:           %1 bytes").arg(locale.toString(info.packed));
    lines << QStringLiteral("compressed:       %1 entries").arg(locale.toString(info.compressed));
    if (info.any)
        lines
            << QStringLiteral("dates:            %1 to %2").arg(ModifiedText(info.earliest), ModifiedText(info.latest));
    lines << QStringLiteral("hash mismatches:  %1").arg(info.mismatchedIds.size());
    for (const QString& name : info.mismatchedNames)
        lines << QStringLiteral("  entry ") + name;
    lines << QStringLiteral("shared data:      %1").arg(info.shared.size());
    for (const SharedData& s : info.shared)
        lines << QStringLiteral("  entries %1 and %2 share data at offset %3").arg(s.first).arg(s.second).arg(s.offset);
    return lines;
}

QString ArchiveInfoText(cBig& big, const QString& path)
{
    std::vector<NamedEntry> entries;
    entries.reserve(static_cast<std::size_t>(std::max(big.FileCount(), 0)));
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        try {
            entries.push_back({id, big.GetFileName(id)});
        } catch (const BigRuntimeError&) {
            // Left out of the sums, as the tool leaves out what it reports.
        }
    }
    return ArchiveInfoLines(GatherArchiveInfo(big, path, entries)).join(u'\n');
}

} // namespace pelkora

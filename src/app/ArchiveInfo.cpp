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

void ModifiedChars(std::int32_t seconds, char (&out)[kModifiedTextSize])
{
    // Days to civil date (proleptic Gregorian, March-based years), rather
    // than QDateTime: formatting one per entry dominated a large listing.
    // Every 32-bit moment falls in 1901..2038, so the year has four digits.
    std::int64_t days = seconds / 86400;
    std::int64_t secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    const auto two = [&](std::size_t at, int value) {
        out[at] = static_cast<char>('0' + value / 10);
        out[at + 1] = static_cast<char>('0' + value % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    out[4] = '-';
    two(5, month);
    out[7] = '-';
    two(8, day);
    out[10] = ' ';
    two(11, static_cast<int>(secondOfDay / 3600));
    out[13] = ':';
    two(14, static_cast<int>(secondOfDay / 60 % 60));
    out[16] = ':';
    two(17, static_cast<int>(secondOfDay % 60));
}

QString ModifiedText(std::int32_t seconds)
{
    char text[kModifiedTextSize];
    ModifiedChars(seconds, text);
    return QString::fromLatin1(text, kModifiedTextSize);
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

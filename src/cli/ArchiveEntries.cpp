#include "cli/ArchiveEntries.h"

#include "archive/BigRuntimeError.h"
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

std::vector<CliEntry> ReadEntries(cBig& big, const QString& archive, CliOutput& out, bool& anyFailed, RowCells cells)
{
    std::vector<CliEntry> entries;
    entries.reserve(static_cast<std::size_t>(big.FileCount()));
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        try {
            CliEntry entry;
            entry.id = id;
            entry.name = big.GetFileName(id);
            if (cells == RowCells::Build)
                entry.sortKey = std::move(MakeListRow(entry.name, ModifiedText(big.timestamp_seconds(id)),
                    big.data_uncompressed_size(id), big.data_compressed_size(id))[ColSort]);
            entries.push_back(std::move(entry));
        } catch (const BigRuntimeError& e) {
            out.Error(archive, QStringLiteral("entry %1: %2").arg(id).arg(e.description()));
            anyFailed = true;
        }
    }
    return entries;
}

void SortAsListed(std::vector<CliEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(),
        [](const CliEntry& a, const CliEntry& b) { return SortKeyLess(a.sortKey, b.sortKey); });
}

QString ModifiedText(std::int32_t seconds)
{
    return TimestampMoment(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace pelkora::cli

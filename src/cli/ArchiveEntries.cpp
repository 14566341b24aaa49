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
    const auto size = static_cast<std::size_t>(text.size());
    if (mBlocks.empty() || mBlocks.back().size() + size > mBlocks.back().capacity()) {
        mBlocks.emplace_back();
        mBlocks.back().reserve(std::max(static_cast<std::size_t>(kBlock), size));
    }
    // Within the reserved room a block never moves, so earlier texts stay put.
    LargeVector<char16_t>& block = mBlocks.back();
    const std::size_t at = block.size();
    block.insert(block.end(), text.utf16(), text.utf16() + size);
    return QString::fromRawData(reinterpret_cast<const QChar*>(block.data() + at), text.size());
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

EntrySelector::EntrySelector(const QStringList& names, const QStringList& excludes)
{
    for (const QString& name : names)
        mWanted.emplace_back(name);
    for (const QString& name : excludes)
        mUnwanted.emplace_back(name);
    mUsed.assign(mWanted.size(), false);
}

bool EntrySelector::selects(const QString& fullName)
{
    if (mWanted.empty() && mUnwanted.empty())
        return true;
    const QString lower = fullName.toLower();
    bool chosen = mWanted.empty();
    for (std::size_t i = 0; i < mWanted.size(); ++i) {
        if (mWanted[i].matches(lower)) {
            chosen = true;
            mUsed[i] = true;
        }
    }
    const auto excluded = [&](const NamePattern& p) { return p.matches(lower); };
    return chosen && std::none_of(mUnwanted.begin(), mUnwanted.end(), excluded);
}

bool EntrySelector::reportUnused(const QString& archive, CliOutput& out) const
{
    bool any = false;
    for (std::size_t i = 0; i < mWanted.size(); ++i) {
        if (!mUsed[i]) {
            out.Error(archive, u'"' + mWanted[i].text() + QStringLiteral("\": not in the archive."));
            any = true;
        }
    }
    return any;
}

std::vector<const CliEntry*> SelectEntries(const std::vector<CliEntry>& entries, const QStringList& names,
    const QStringList& excludes, const QString& archive, CliOutput& out, bool& anyFailed)
{
    EntrySelector selector(names, excludes);
    std::vector<const CliEntry*> selected;
    selected.reserve(names.isEmpty() ? entries.size() : 0);
    for (const CliEntry& e : entries) {
        if (selector.selects(e.name))
            selected.push_back(&e);
    }
    if (selector.reportUnused(archive, out))
        anyFailed = true;
    return selected;
}

ListedOrder ReadListedOrder(cBig& big, const QString& archive, CliOutput& out, bool& anyFailed)
{
    ListedOrder listed;
    LargeVector<QStringView> keys;
    keys.reserve(static_cast<std::size_t>(big.FileCount()));
    QString key; // reused, so that making a key allocates nothing
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        try {
            const QString name = big.GetFileName(id);
            const qsizetype slash = name.lastIndexOf(u'\\');
            key.resize(0);
            AppendSortCellOf(key, name);
            keys.push_back(listed.mKeys.add(key));
            listed.mRows.push_back({id, static_cast<std::int32_t>(slash + 1), static_cast<std::int32_t>(name.size())});
        } catch (const BigRuntimeError& e) {
            out.Error(archive, QStringLiteral("entry %1: %2").arg(id).arg(e.description()));
            anyFailed = true;
        }
    }
    listed.mOrder = SortOrder(keys);
    listed.mKeyViews = std::move(keys);
    return listed;
}

CliEntry ListedOrder::at(std::size_t place) const
{
    const std::size_t i = mOrder[place];
    const Row& row = mRows[i];
    const QStringView key = mKeyViews[i];
    const qsizetype file = row.nameLength - row.pathLength;
    // The key is [mark, path] type name: the path follows the mark, the
    // file's name ends the key.
    if (row.pathLength == 0)
        return {row.id, key.right(file).toString()};
    QString name;
    name.reserve(row.nameLength);
    name.append(key.mid(1, row.pathLength)).append(key.right(file));
    return {row.id, name};
}

} // namespace pelkora::cli

#include "app/ListedEntries.h"

#include "support/TimestampText.h"

namespace pelkora {

ListedEntries::ListedEntries(const QLocale& locale)
    : mLocale(locale)
{
}

void ListedEntries::reserve(std::size_t entries, qsizetype characters)
{
    mEntries.reserve(entries);
    mNames.reserve(characters);
}

void ListedEntries::add(QStringView fullName, std::int32_t seconds, std::int32_t unpacked, std::int32_t packed)
{
    const auto start = static_cast<std::uint32_t>(mNames.size());
    mNames.append(fullName);
    mEntries.push_back({start, static_cast<std::int32_t>(fullName.size()),
        static_cast<std::int32_t>(fullName.lastIndexOf(u'\\')), seconds, unpacked, packed});
}

QStringView ListedEntries::fullName(std::size_t i) const
{
    const Entry& e = mEntries[i];
    return QStringView(mNames).sliced(e.start, e.length);
}

QStringView ListedEntries::path(std::size_t i) const
{
    return fullName(i).first(mEntries[i].slash + 1);
}

QStringView ListedEntries::name(std::size_t i) const
{
    return fullName(i).sliced(mEntries[i].slash + 1);
}

QString ListedEntries::cell(std::size_t i, int col) const
{
    const Entry& e = mEntries[i];
    switch (col) {
    case ColName:
        return name(i).toString();
    case ColType: {
        const QStringView file = name(i);
        return file.sliced(file.lastIndexOf(u'.') + 1).toString().toUpper() + QStringLiteral(" File");
    }
    case ColModified:
        return TimestampText(e.seconds, mLocale);
    case ColSize:
        return FormatCount(e.unpacked, mLocale);
    case ColPacked:
        return FormatCount(e.packed, mLocale);
    case ColRatio:
        return RatioCell(e.unpacked, e.packed, mLocale);
    case ColPath:
        return path(i).toString();
    case ColSort: {
        QString key;
        AppendSortCellOf(key, fullName(i));
        return key;
    }
    default:
        return {};
    }
}

ListRow ListedEntries::row(std::size_t i) const
{
    ListRow cells;
    for (int col = 0; col < ColumnCount; ++col)
        cells[static_cast<std::size_t>(col)] = cell(i, col);
    return cells;
}

} // namespace pelkora

#include "app/ListRow.h"

#include "support/Paths.h"

#include <cmath>

namespace pelkora {
namespace {

const QChar kArchiveSeparator = u'\\';
const QChar kFolderMark = QChar(0xFF); // puts every entry in a folder after the root entries

} // namespace

QString FormatCount(std::int64_t value, const QLocale& locale)
{
    if (!(locale.numberOptions() & QLocale::OmitGroupSeparator))
        return locale.toString(static_cast<qlonglong>(value));
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(static_cast<qlonglong>(value));
}

QString FormatPercent(double fraction, const QLocale& locale)
{
    const double percent = std::round(fraction * 100.0);
    // No grouping in this picture; below 10,000 % there is nothing to group.
    const auto magnitude = static_cast<qlonglong>(std::fabs(percent));
    QString digits;
    if (magnitude < 1000) {
        digits = locale.toString(magnitude);
    } else {
        QLocale plain = locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        digits = plain.toString(magnitude);
    }
    const QString zero = locale.zeroDigit();
    while (digits.size() < 2 * zero.size())
        digits.prepend(zero);
    if (percent < 0)
        digits.prepend(locale.negativeSign());
    return digits + u'%';
}

double RatioValue(std::int32_t unpacked, std::int32_t packed)
{
    if (unpacked < 1)
        return 0.0;
    return 1.0 - static_cast<double>(packed) / static_cast<double>(unpacked);
}

QString RatioCell(std::int32_t unpacked, std::int32_t packed, const QLocale& locale)
{
    if (unpacked < 1)
        return QStringLiteral("00%");
    return FormatPercent(RatioValue(unpacked, packed), locale);
}

ListRow MakeListRow(const QString& fullName, const QString& modified, std::int32_t unpacked, std::int32_t packed,
    const QLocale& locale)
{
    ListRow row;
    const QString folder = SplitAtLast(fullName, false, kArchiveSeparator);
    const QString file = SplitAtLast(fullName, true, kArchiveSeparator);
    row[ColName] = file;
    row[ColType] = SplitAtLast(file, true, u'.').toUpper() + QStringLiteral(" File");
    row[ColModified] = modified;
    row[ColSize] = FormatCount(unpacked, locale);
    row[ColPacked] = FormatCount(packed, locale);
    row[ColRatio] = RatioCell(unpacked, packed, locale);
    row[ColPath] = fullName.contains(kArchiveSeparator) ? folder + kArchiveSeparator : QString();
    QString sort = row[ColPath];
    if (!sort.isEmpty())
        sort.prepend(kFolderMark);
    row[ColSort] = sort + row[ColType] + row[ColName];
    return row;
}

ListRow BuildListRow(cBig& big, std::int32_t ID, const QLocale& locale)
{
    const QString fullName = big.GetFileName(ID);
    return MakeListRow(fullName, big.timestamp(ID), big.data_uncompressed_size(ID), big.data_compressed_size(ID), locale);
}

QString JoinRow(const ListRow& row)
{
    qsizetype length = ColumnCount - 1;
    for (const QString& cell : row)
        length += cell.size();
    QString joined;
    joined.reserve(length);
    for (int c = 0; c < ColumnCount; ++c) {
        if (c > 0)
            joined += u'\t';
        joined += row[static_cast<std::size_t>(c)];
    }
    return joined;
}

// The list sorts ascending on the Sort cell by character code, case-sensitive
// (so "B" sorts before "a", as a plain code comparison does); rows with equal
// keys keep their ID order because the sort is stable.
bool SortKeyLess(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

} // namespace pelkora

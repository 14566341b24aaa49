#include "app/ListRow.h"

#include "support/LargeArray.h"
#include "support/Paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelkora {
namespace {

const QChar kArchiveSeparator = u'\\';
const QChar kFolderMark = QChar(0xFF); // puts every entry in a folder after the root entries

} // namespace

namespace {

// Plain decimal digits of |value|.
QString decimalDigits(std::uint64_t magnitude)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

// Listing formats two counts and a percentage per entry, and asking the
// system locale for its symbols each time dominates that work. The symbols
// are looked up once per locale; where the locale writes Western digits
// grouped by three (checked against QLocale on sample values) the texts are
// built directly, otherwise QLocale formats every number.
struct NumberStyle {
    QLocale locale;
    bool valid = false;
    bool direct = false;
    QString group;
    QString minus;

    void use(const QLocale& wanted)
    {
        if (valid && wanted == locale)
            return;
        locale = wanted;
        valid = true;
        group = wanted.groupSeparator();
        minus = wanted.negativeSign();
        direct = wanted.zeroDigit() == QStringLiteral("0");
        QLocale grouped = wanted;
        grouped.setNumberOptions(wanted.numberOptions() & ~QLocale::OmitGroupSeparator);
        for (qlonglong sample : {0LL, 7LL, 999LL, 1000LL, 12345LL, 1234567LL, -1234567LL, 2147483647LL, -2147483648LL})
            direct = direct && grouped.toString(sample) == groupedText(sample);
    }

    QString groupedText(std::int64_t value) const
    {
        const std::uint64_t magnitude =
            value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
        const QString digits = decimalDigits(magnitude);
        QString text;
        text.reserve(digits.size() + digits.size() / 3 * group.size() + minus.size());
        if (value < 0)
            text += minus;
        for (qsizetype i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0)
                text += group;
            text += digits[i];
        }
        return text;
    }
};

NumberStyle& numberStyle(const QLocale& locale)
{
    thread_local NumberStyle style;
    style.use(locale);
    return style;
}

} // namespace

QString FormatCount(std::int64_t value, const QLocale& locale)
{
    const NumberStyle& style = numberStyle(locale);
    if (style.direct)
        return style.groupedText(value);
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(static_cast<qlonglong>(value));
}

QString FormatPercent(double fraction, const QLocale& locale)
{
    const double percent = std::round(fraction * 100.0);
    const auto magnitude = static_cast<qlonglong>(std::fabs(percent));
    const NumberStyle& style = numberStyle(locale);
    QString digits;
    QString zero = QStringLiteral("0");
    if (style.direct) {
        digits = decimalDigits(static_cast<std::uint64_t>(magnitude));
    } else {
        // No grouping in this picture.
        QLocale plain = locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        digits = plain.toString(magnitude);
        zero = locale.zeroDigit();
    }
    while (digits.size() < 2 * zero.size())
        digits.prepend(zero);
    if (percent < 0)
        digits.prepend(style.minus);
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
    row[ColSort] = SortCell(row[ColPath], row[ColType], row[ColName]);
    return row;
}

QString SortCell(const QString& path, const QString& type, const QString& name)
{
    // Entries at the top come first; the mark sorts every folder after them.
    return path.isEmpty() ? type + name : kFolderMark + path + type + name;
}

void AppendSortCellOf(QString& key, QStringView fullName)
{
    // SortCell's text from the name's parts without a text per part: listing
    // a million entries makes a million keys.
    const qsizetype slash = fullName.lastIndexOf(kArchiveSeparator);
    const QStringView file = fullName.sliced(slash + 1);
    const qsizetype dot = file.lastIndexOf(u'.');
    const QStringView extension = file.sliced(dot + 1);
    const QStringView typeEnd = u" File";
    const bool ascii = std::all_of(extension.begin(), extension.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        if (slash >= 0)
            key.append(kFolderMark).append(fullName.first(slash + 1));
        key.append(extension.toString().toUpper()).append(typeEnd).append(file);
        return;
    }
    // Written into room made at the end at once.
    const qsizetype start = key.size();
    const qsizetype folder = slash >= 0 ? slash + 2 : 0;
    key.resize(start + folder + extension.size() + typeEnd.size() + file.size());
    QChar* out = key.data() + start;
    if (slash >= 0) {
        *out++ = kFolderMark;
        out = std::copy(fullName.begin(), fullName.begin() + slash + 1, out);
    }
    for (const QChar c : extension)
        *out++ = c >= u'a' && c <= u'z' ? QChar(c.unicode() - 0x20) : c;
    out = std::copy(typeEnd.begin(), typeEnd.end(), out);
    std::copy(file.begin(), file.end(), out);
}

QString SortCellOf(const QString& fullName)
{
    QString key;
    AppendSortCellOf(key, fullName);
    return key;
}

ListRow BuildListRow(cBig& big, std::int32_t ID, const QLocale& locale)
{
    const QString fullName = big.GetFileName(ID);
    return MakeListRow(fullName, big.timestamp(ID), big.data_uncompressed_size(ID), big.data_compressed_size(ID),
        locale);
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

QStringView CellOf(QStringView joined, int col)
{
    qsizetype start = 0;
    for (int c = 0; c < col; ++c) {
        const qsizetype tab = joined.indexOf(u'\t', start);
        if (tab < 0)
            return {};
        start = tab + 1;
    }
    qsizetype end = joined.indexOf(u'\t', start);
    if (end < 0)
        end = joined.size();
    return joined.sliced(start, end - start);
}

std::vector<std::size_t> SortOrder(std::span<const QStringView> keys, const std::function<void()>& betweenSteps)
{
    struct Keyed {
        QStringView key;
        std::size_t index;
    };
    const std::size_t n = keys.size();
    LargeVector<Keyed> keyed;
    keyed.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        keyed.push_back({keys[i], i});
    // Stable run sorts, and merges that take the earlier run's key first on a
    // tie, give the result of one stable sort.
    const auto less = [](const Keyed& a, const Keyed& b) { return SortKeyLess(a.key, b.key); };
    const auto step = [&] {
        if (betweenSteps)
            betweenSteps();
    };
    // A run is short enough that sorting or merging one level of 100,000 keys
    // never holds up the caller's window for long.
    constexpr std::size_t kRun = 8192;
    for (std::size_t lo = 0; lo < n; lo += kRun) {
        std::stable_sort(keyed.begin() + static_cast<std::ptrdiff_t>(lo),
            keyed.begin() + static_cast<std::ptrdiff_t>(std::min(lo + kRun, n)), less);
        step();
    }
    LargeVector<Keyed> merged(n);
    for (std::size_t width = kRun; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const auto runStart = keyed.begin() + static_cast<std::ptrdiff_t>(lo);
            const auto middle = keyed.begin() + static_cast<std::ptrdiff_t>(std::min(lo + width, n));
            const auto runEnd = keyed.begin() + static_cast<std::ptrdiff_t>(std::min(lo + 2 * width, n));
            std::merge(runStart, middle, middle, runEnd, merged.begin() + static_cast<std::ptrdiff_t>(lo), less);
        }
        keyed.swap(merged);
        step();
    }
    std::vector<std::size_t> order;
    order.reserve(n);
    for (const Keyed& k : keyed)
        order.push_back(k.index);
    return order;
}

} // namespace pelkora

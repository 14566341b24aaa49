#pragma once
// One row of the file list, built from an archive entry: the eight cells
// Name, Type, Modified, Size, Packed, Ratio, Path and the hidden Sort key.

#include "archive/cBig.h"

#include <QLocale>
#include <QString>
#include <QStringView>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace pelkora {

enum ListColumn { ColName = 0, ColType, ColModified, ColSize, ColPacked, ColRatio, ColPath, ColSort, ColumnCount };

using ListRow = std::array<QString, ColumnCount>;

// Cells from a full name and the entry's numbers (widget-free and reader-free,
// for tests and the command-line tool).
ListRow MakeListRow(const QString& fullName, const QString& modified, std::int32_t unpacked, std::int32_t packed,
    const QLocale& locale = QLocale());

// The Sort cell from the Path, Type and Name cells, and from a full name
// alone: the one rule for the list's order.
QString SortCell(const QString& path, const QString& type, const QString& name);
QString SortCellOf(const QString& fullName);
// SortCellOf's text appended to `key`.
void AppendSortCellOf(QString& key, QStringView fullName);

// Reads entry ID through the reader (GetFileName may raise BigRuntimeError).
ListRow BuildListRow(cBig& big, std::int32_t ID, const QLocale& locale = QLocale());

// The cells joined with one tab between neighbours.
QString JoinRow(const ListRow& row);
// Cell `col` of a row joined by tabs (empty when the row has fewer cells).
QStringView CellOf(QStringView joined, int col);

// The pictures "#,##0" and "00%" with the locale's digits and grouping.
QString FormatCount(std::int64_t value, const QLocale& locale = QLocale());
QString FormatPercent(double fraction, const QLocale& locale = QLocale());
// The Ratio cell: "00%" for an unpacked size below 1, else 1 - packed/unpacked.
QString RatioCell(std::int32_t unpacked, std::int32_t packed, const QLocale& locale = QLocale());
double RatioValue(std::int32_t unpacked, std::int32_t packed);

// Order of the list's sort on the Sort cell: ascending by character code,
// case-sensitive (so "B" sorts before "a", as a plain code comparison does).
// The one rule for every listing, the window's and the command-line tool's.
inline bool SortKeyLess(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseSensitive) < 0;
}

// The stable SortKeyLess order of `keys`, as indexes into `keys`: result[i]
// is the key that goes to place i, equal keys keeping their order. Sorted in
// runs and merged level by level, calling `betweenSteps` (when set) after
// each step, so that a caller can serve its window during a long sort. The
// texts behind `keys` must outlive the call, whatever `betweenSteps` does.
std::vector<std::size_t> SortOrder(std::span<const QStringView> keys, const std::function<void()>& betweenSteps = {});

} // namespace pelkora

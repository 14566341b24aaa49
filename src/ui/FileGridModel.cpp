#include "ui/FileGridModel.h"

#include "app/ModMain.h"

#include <algorithm>
#include <numeric>

namespace pelkora {

namespace {
const QChar kTab = u'\t';
}

FileGridModel::FileGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

QStringView FileGridModel::cellOf(const QString& row, int col)
{
    qsizetype start = 0;
    for (int c = 0; c < col; ++c) {
        const qsizetype tab = row.indexOf(kTab, start);
        if (tab < 0)
            return {};
        start = tab + 1;
    }
    qsizetype end = row.indexOf(kTab, start);
    if (end < 0)
        end = row.size();
    return QStringView(row).sliced(start, end - start);
}

void FileGridModel::changedWholesale()
{
    if (mFrozen) {
        mPendingReset = true;
        return;
    }
    beginResetModel();
    mShownRows = static_cast<int>(mRows.size());
    mShownCols = mCols;
    endResetModel();
}

void FileGridModel::setGridRows(int rows)
{
    mRows.resize(static_cast<std::size_t>(std::max(rows, 1) - 1));
    changedWholesale();
}

void FileGridModel::setGridCols(int cols)
{
    mCols = std::max(cols, 0);
    mHeader.resize(static_cast<std::size_t>(mCols));
    changedWholesale();
}

QString FileGridModel::cell(int row, int col) const
{
    if (col < 0 || col >= mCols || row < 0 || row >= gridRows())
        return {};
    if (row == 0)
        return mHeader[static_cast<std::size_t>(col)];
    return cellOf(mRows[static_cast<std::size_t>(row - 1)], col).toString();
}

void FileGridModel::setCell(int row, int col, const QString& text)
{
    if (col < 0 || col >= mCols || row < 0 || row >= gridRows())
        return;
    // A cell never holds a tab: tabs separate the cells of a stored row.
    QString clean = text;
    clean.replace(kTab, u' ');
    if (row == 0) {
        mHeader[static_cast<std::size_t>(col)] = clean;
        if (!mFrozen)
            emit headerDataChanged(Qt::Horizontal, col, col);
        else
            mPendingReset = true;
        return;
    }
    QString& stored = mRows[static_cast<std::size_t>(row - 1)];
    QStringList cells = stored.split(kTab);
    while (cells.size() < mCols)
        cells.append(QString());
    cells[col] = clean;
    stored = cells.join(kTab);
    if (!mFrozen && row - 1 < mShownRows && col < mShownCols)
        emit dataChanged(index(row - 1, col), index(row - 1, col));
    else
        mPendingReset = true;
}

void FileGridModel::clearCells()
{
    std::fill(mHeader.begin(), mHeader.end(), QString());
    std::fill(mRows.begin(), mRows.end(), QString());
    changedWholesale();
}

void FileGridModel::appendRow(const QString& tabSeparated)
{
    if (mFrozen) {
        mRows.push_back(tabSeparated);
        mPendingReset = true;
        return;
    }
    const int at = static_cast<int>(mRows.size());
    beginInsertRows({}, at, at);
    mRows.push_back(tabSeparated);
    mShownRows = at + 1;
    endInsertRows();
}

void FileGridModel::sortRows(int first, int last, int col)
{
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 1);
    last = std::min(last, gridRows() - 1);
    if (last <= first || col < 0 || col >= mCols)
        return;
    const auto begin = mRows.begin() + (first - 1);
    const auto end = mRows.begin() + last;
    struct Keyed {
        QStringView key;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<std::size_t>(end - begin));
    for (auto it = begin; it != end; ++it)
        keyed.push_back({cellOf(*it, col), static_cast<std::size_t>(it - mRows.begin())});
    // Ascending by character code, case-sensitive (the rule of SortKeyLess);
    // rows with equal keys keep their order: the row index breaks ties, so
    // the order is total and the result is that of a stable sort.
    const auto less = [](const Keyed& a, const Keyed& b) {
        const int order = a.key.compare(b.key, Qt::CaseSensitive);
        return order != 0 ? order < 0 : a.index < b.index;
    };
    // Sorted in runs and merged level by level, letting window events run
    // between the steps, so a list of 100,000 rows never holds up the window
    // for the whole sort.
    constexpr std::size_t kRun = 8192;
    const std::size_t n = keyed.size();
    for (std::size_t lo = 0; lo < n; lo += kRun) {
        std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(lo),
            keyed.begin() + static_cast<std::ptrdiff_t>(std::min(lo + kRun, n)), less);
        YieldToEvents();
    }
    std::vector<Keyed> merged(n);
    for (std::size_t width = kRun; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const auto runStart = keyed.begin() + static_cast<std::ptrdiff_t>(lo);
            const auto middle = keyed.begin() + static_cast<std::ptrdiff_t>(std::min(lo + width, n));
            const auto runEnd = keyed.begin() + static_cast<std::ptrdiff_t>(std::min(lo + 2 * width, n));
            std::merge(runStart, middle, middle, runEnd, merged.begin() + static_cast<std::ptrdiff_t>(lo), less);
        }
        keyed.swap(merged);
        YieldToEvents();
    }
    // Redrawing the sorted list follows; let the window catch up first.
    YieldToEvents(0);
    std::vector<QString> sorted;
    sorted.reserve(keyed.size());
    for (const Keyed& k : keyed)
        sorted.push_back(std::move(mRows[k.index]));
    std::move(sorted.begin(), sorted.end(), begin);
    changedWholesale();
}

void FileGridModel::setFrozen(bool frozen)
{
    if (mFrozen == frozen)
        return;
    mFrozen = frozen;
    if (!mFrozen && mPendingReset) {
        mPendingReset = false;
        changedWholesale();
    }
}

int FileGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : mShownRows;
}

int FileGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : mShownCols;
}

void FileGridModel::setColumnAlignment(int col, Qt::Alignment alignment)
{
    if (col < 0)
        return;
    if (static_cast<std::size_t>(col) >= mAlignments.size())
        mAlignments.resize(static_cast<std::size_t>(col) + 1, Qt::AlignLeft | Qt::AlignVCenter);
    mAlignments[static_cast<std::size_t>(col)] = alignment;
}

QVariant FileGridModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole && index.isValid()
        && static_cast<std::size_t>(index.column()) < mAlignments.size())
        return QVariant::fromValue(mAlignments[static_cast<std::size_t>(index.column())]);
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    // While frozen the view may still ask about rows that have since gone.
    return cell(index.row() + 1, index.column());
}

QVariant FileGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section >= 0
        && static_cast<std::size_t>(section) < mAlignments.size())
        return QVariant::fromValue(mAlignments[static_cast<std::size_t>(section)]);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return cell(0, section);
}

Qt::ItemFlags FileGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace pelkora

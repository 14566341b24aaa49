#include "ui/FileGridModel.h"

#include "app/ListRow.h"

#include <algorithm>

namespace pelkora {

namespace {
const QChar kTab = u'\t';
}

FileGridModel::FileGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
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
    return CellOf(mRows[static_cast<std::size_t>(row - 1)], col).toString();
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

QString FileGridModel::rowText(int row) const
{
    if (row < 1 || row >= gridRows())
        return {};
    return mRows[static_cast<std::size_t>(row - 1)];
}

bool FileGridModel::arrangeRows(int first, std::span<const std::size_t> order)
{
    const std::size_t n = order.size();
    if (first < 1 || static_cast<std::size_t>(first - 1) + n > mRows.size())
        return false;
    std::vector<bool> taken(n, false);
    for (const std::size_t from : order) {
        if (from >= n || taken[from])
            return false;
        taken[from] = true;
    }
    const auto begin = mRows.begin() + (first - 1);
    std::vector<QString> arranged;
    arranged.reserve(n);
    for (const std::size_t from : order)
        arranged.push_back(std::move(begin[static_cast<std::ptrdiff_t>(from)]));
    std::move(arranged.begin(), arranged.end(), begin);
    changedWholesale();
    return true;
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

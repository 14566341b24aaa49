#include "ui/FileGridModel.h"

#include "app/ListRow.h"

#include <algorithm>
#include <iterator>

namespace pelkora {

namespace {

// True when `order` names each of 0..size-1 exactly once.
bool isPermutation(std::span<const std::size_t> order)
{
    std::vector<bool> taken(order.size(), false);
    for (const std::size_t from : order) {
        if (from >= order.size() || taken[from])
            return false;
        taken[from] = true;
    }
    return true;
}
const QChar kTab = u'\t';
} // namespace

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
    mShownRows = shownRowCount();
    mShownCols = mCols;
    endResetModel();
}

void FileGridModel::dropFilter()
{
    mFiltered = false;
    mShown.clear();
    mShown.shrink_to_fit();
}

int FileGridModel::shownRowCount() const
{
    return mFiltered ? static_cast<int>(mShown.size()) : static_cast<int>(mRows.size());
}

bool FileGridModel::setShownRows(std::vector<int> shown)
{
    int previous = -1;
    for (const int row : shown) {
        if (row <= previous || row >= static_cast<int>(mRows.size()))
            return false;
        previous = row;
    }
    mShown = std::move(shown);
    mFiltered = true;
    changedWholesale();
    return true;
}

void FileGridModel::showAllRows()
{
    if (!mFiltered)
        return;
    dropFilter();
    changedWholesale();
}

int FileGridModel::viewRowOf(int row) const
{
    if (row < 1 || row >= gridRows())
        return -1;
    if (!mFiltered)
        return row - 1;
    const auto at = std::lower_bound(mShown.begin(), mShown.end(), row - 1);
    return at != mShown.end() && *at == row - 1 ? static_cast<int>(at - mShown.begin()) : -1;
}

int FileGridModel::gridRowOf(int viewRow) const
{
    if (viewRow < 0 || viewRow >= shownRowCount())
        return -1;
    return mFiltered ? mShown[static_cast<std::size_t>(viewRow)] + 1 : viewRow + 1;
}

int FileGridModel::firstShownFrom(int row) const
{
    row = std::max(row, 1);
    if (row >= gridRows())
        return -1;
    if (!mFiltered)
        return row;
    const auto at = std::lower_bound(mShown.begin(), mShown.end(), row - 1);
    return at == mShown.end() ? -1 : *at + 1;
}

int FileGridModel::lastShownUpTo(int row) const
{
    row = std::min(row, gridRows() - 1);
    if (row < 1)
        return -1;
    if (!mFiltered)
        return row;
    const auto at = std::upper_bound(mShown.begin(), mShown.end(), row - 1);
    return at == mShown.begin() ? -1 : *std::prev(at) + 1;
}

std::vector<int> FileGridModel::shownRowsBetween(int first, int last) const
{
    first = std::max(first, 1);
    last = std::min(last, gridRows() - 1);
    std::vector<int> rows;
    if (last < first)
        return rows;
    if (!mFiltered) {
        rows.reserve(static_cast<std::size_t>(last - first + 1));
        for (int row = first; row <= last; ++row)
            rows.push_back(row);
        return rows;
    }
    for (auto at = std::lower_bound(mShown.begin(), mShown.end(), first - 1); at != mShown.end() && *at <= last - 1;
         ++at)
        rows.push_back(*at + 1);
    return rows;
}

void FileGridModel::setGridRows(int rows)
{
    dropFilter();
    const auto wanted = static_cast<std::size_t>(std::max(rows, 1) - 1);
    if (wanted == 0) {
        mListing.reset();
        mTexts.clear();
        mTexts.shrink_to_fit();
    }
    mRows.resize(std::min(wanted, mRows.size()));
    while (mRows.size() < wanted) {
        mRows.push_back(kTextRow | static_cast<std::uint32_t>(mTexts.size()));
        mTexts.emplace_back();
    }
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
    const std::uint32_t ref = mRows[static_cast<std::size_t>(row - 1)];
    if (isText(ref))
        return CellOf(mTexts[ref & ~kTextRow], col).toString();
    return mListing->cell(ref, col);
}

QStringView FileGridModel::cellView(int row, int col, QString& scratch) const
{
    if (row >= 1 && row < gridRows() && col >= 0 && col < mCols) {
        const std::uint32_t ref = mRows[static_cast<std::size_t>(row - 1)];
        if (isText(ref))
            return CellOf(mTexts[ref & ~kTextRow], col);
        if (col == ColPath)
            return mListing->path(ref);
        if (col == ColName)
            return mListing->name(ref);
    }
    scratch = cell(row, col);
    return scratch;
}

QString& FileGridModel::ownText(std::size_t at)
{
    std::uint32_t& ref = mRows[at];
    if (!isText(ref)) {
        mTexts.push_back(JoinRow(mListing->row(ref)));
        ref = kTextRow | static_cast<std::uint32_t>(mTexts.size() - 1);
    }
    return mTexts[ref & ~kTextRow];
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
    QString& stored = ownText(static_cast<std::size_t>(row - 1));
    QStringList cells = stored.split(kTab);
    while (cells.size() < mCols)
        cells.append(QString());
    cells[col] = clean;
    stored = cells.join(kTab);
    const int viewRow = viewRowOf(row);
    if (!mFrozen && viewRow >= 0 && viewRow < mShownRows && col < mShownCols)
        emit dataChanged(index(viewRow, col), index(viewRow, col));
    else if (mFrozen || !mFiltered)
        mPendingReset = true;
}

void FileGridModel::clearCells()
{
    dropFilter();
    std::fill(mHeader.begin(), mHeader.end(), QString());
    mListing.reset();
    mTexts.assign(mRows.size(), QString());
    for (std::size_t i = 0; i < mRows.size(); ++i)
        mRows[i] = kTextRow | static_cast<std::uint32_t>(i);
    changedWholesale();
}

void FileGridModel::appendRow(const QString& tabSeparated)
{
    const auto pushRow = [&] {
        mRows.push_back(kTextRow | static_cast<std::uint32_t>(mTexts.size()));
        mTexts.push_back(tabSeparated);
    };
    if (mFrozen || mFiltered) {
        // New rows show every row again.
        dropFilter();
        pushRow();
        changedWholesale();
        return;
    }
    const int at = static_cast<int>(mRows.size());
    beginInsertRows({}, at, at);
    pushRow();
    mShownRows = at + 1;
    endInsertRows();
}

bool FileGridModel::appendListing(std::shared_ptr<const ListedEntries> entries, std::span<const std::size_t> order)
{
    const std::size_t n = entries ? entries->size() : 0;
    if (order.size() != n || mRows.size() + n >= kTextRow || !isPermutation(order))
        return false;
    for (std::size_t at = 0; at < mRows.size(); ++at)
        ownText(at);
    mListing = std::move(entries);
    mRows.reserve(mRows.size() + n);
    for (const std::size_t from : order)
        mRows.push_back(static_cast<std::uint32_t>(from));
    dropFilter();
    changedWholesale();
    return true;
}

QString FileGridModel::rowText(int row) const
{
    if (row < 1 || row >= gridRows())
        return {};
    const std::uint32_t ref = mRows[static_cast<std::size_t>(row - 1)];
    return isText(ref) ? mTexts[ref & ~kTextRow] : JoinRow(mListing->row(ref));
}

bool FileGridModel::arrangeRows(int first, std::span<const std::size_t> order)
{
    const std::size_t n = order.size();
    if (first < 1 || static_cast<std::size_t>(first - 1) + n > mRows.size() || !isPermutation(order))
        return false;
    const auto begin = mRows.begin() + (first - 1);
    std::vector<std::uint32_t> arranged;
    arranged.reserve(n);
    for (const std::size_t from : order)
        arranged.push_back(std::move(begin[static_cast<std::ptrdiff_t>(from)]));
    std::move(arranged.begin(), arranged.end(), begin);
    dropFilter();
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
    return cell(mFiltered ? gridRowOf(index.row()) : index.row() + 1, index.column());
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

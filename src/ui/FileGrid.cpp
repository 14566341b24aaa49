#include "ui/FileGrid.h"

#include "app/ListRow.h"
#include "ui/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace pelkora {

FileGrid::FileGrid(QWidget* parent)
    : QTableView(parent)
    , mModel(new FileGridModel(this))
{
    setModel(mModel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSortingEnabled(false);
    verticalHeader()->hide();
    // Uniform row heights keep the view fast with many rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // The header row is fixed: clicking it neither sorts nor selects.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->viewport()->installEventFilter(this);
    // A width the user drags is the column's width from then on, so that
    // switching painting back on (which restores widths) keeps it.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int pixels) {
        if (mPainting && !mSyncing && col >= 0 && col < static_cast<int>(mColWidths.size())
            && mColWidths[static_cast<std::size_t>(col)] >= 0
            && viewPixels(mColWidths[static_cast<std::size_t>(col)]) != pixels)
            mColWidths[static_cast<std::size_t>(col)] =
                PixelsToTwips(static_cast<int>(std::lround(pixels / mWidthScale)));
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { takeCurrentCellFromView(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { takeCurrentCellFromView(); });
}

int FileGrid::clampRow(int row) const
{
    return std::clamp(row, 0, Rows() - 1);
}

int FileGrid::clampCol(int col) const
{
    return std::clamp(col, 0, std::max(Cols() - 1, 0));
}

void FileGrid::setRows(int rows)
{
    mModel->setGridRows(rows);
    mRow = clampRow(mRow);
    mRowSel = clampRow(mRowSel);
    showCurrentCell();
}

void FileGrid::setCols(int cols)
{
    mModel->setGridCols(cols);
    mColWidths.resize(static_cast<std::size_t>(std::max(cols, 0)), -1);
    mCol = clampCol(mCol);
    mColSel = clampCol(mColSel);
    for (int c = 0; c < Cols(); ++c)
        if (mColWidths[static_cast<std::size_t>(c)] >= 0)
            setColumnWidth(c, TwipsToPixels(mColWidths[static_cast<std::size_t>(c)]));
    showCurrentCell();
}

void FileGrid::setRow(int row)
{
    mRow = mRowSel = clampRow(row);
    showCurrentCell();
}

void FileGrid::setCol(int col)
{
    mCol = mColSel = clampCol(col);
    showCurrentCell();
}

void FileGrid::setRowSel(int row)
{
    mRowSel = clampRow(row);
    showCurrentCell();
}

void FileGrid::setColSel(int col)
{
    mColSel = clampCol(col);
    showCurrentCell();
}

QString FileGrid::Text() const
{
    return mModel->cell(mRow, mCol);
}

void FileGrid::setText(const QString& text)
{
    mModel->setCell(mRow, mCol, text);
}

int FileGrid::ColWidth(int col) const
{
    if (col < 0 || col >= static_cast<int>(mColWidths.size()))
        return -1;
    const int twips = mColWidths[static_cast<std::size_t>(col)];
    return twips >= 0 ? twips : PixelsToTwips(columnWidth(col));
}

void FileGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= Cols())
        return;
    mColWidths[static_cast<std::size_t>(col)] = std::max(twips, 0);
    // A zero width hides the column's section: it takes no room on screen.
    setColumnWidth(col, viewPixels(std::max(twips, 0)));
}

int FileGrid::viewPixels(int twips) const
{
    return static_cast<int>(std::lround(TwipsToPixels(twips) * mWidthScale));
}

void FileGrid::setWidthScale(double scale)
{
    mWidthScale = std::max(scale, 1.0);
    applyColWidths();
}

void FileGrid::applyColWidths()
{
    for (int c = 0; c < Cols() && c < static_cast<int>(mColWidths.size()); ++c)
        if (mColWidths[static_cast<std::size_t>(c)] >= 0)
            setColumnWidth(c, viewPixels(mColWidths[static_cast<std::size_t>(c)]));
}

void FileGrid::setColAlignment(int col, Qt::Alignment alignment)
{
    mModel->setColumnAlignment(col, alignment);
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void FileGrid::Clear()
{
    mModel->clearCells();
}

void FileGrid::appendRow(const QString& tabSeparated)
{
    mModel->appendRow(tabSeparated);
}

void FileGrid::appendListing(std::shared_ptr<const ListedEntries> entries, std::span<const std::size_t> order)
{
    mModel->appendListing(std::move(entries), order);
}

void FileGrid::arrangeRows(int first, std::span<const std::size_t> order)
{
    mModel->arrangeRows(first, order);
}

void FileGrid::setShownRows(std::vector<int> shown)
{
    if (mModel->setShownRows(std::move(shown)))
        showCurrentCell();
}

void FileGrid::showAllRows()
{
    mModel->showAllRows();
    showCurrentCell();
}

void FileGrid::sortSelection()
{
    const int first = std::max(std::min(mRow, mRowSel), 1);
    const int last = std::min(std::max(mRow, mRowSel), Rows() - 1);
    if (last <= first || mCol < 0 || mCol >= Cols())
        return;
    std::vector<QString> cells;
    cells.reserve(static_cast<std::size_t>(last - first + 1));
    for (int r = first; r <= last; ++r)
        cells.push_back(mModel->cell(r, mCol));
    const std::vector<QStringView> keys(cells.begin(), cells.end());
    mModel->arrangeRows(first, SortOrder(keys));
}

void FileGrid::setPainting(bool on)
{
    if (on == mPainting)
        return;
    mPainting = on;
    // Off, the view stops following the rows (no per-row work) but still
    // draws what it last showed when it is uncovered or resized; switching
    // updates off instead would leave a black hole on the screen.
    if (!on) {
        mModel->setFrozen(true);
        return;
    }
    mModel->setFrozen(false);
    // A reset drops column widths of hidden sections: put them back.
    applyColWidths();
    showCurrentCell();
}

// Mirrors the grid's current cell and selection into the view. Row 0 is the
// header, which the view shows apart, so it has no view cell.
void FileGrid::showCurrentCell()
{
    if (!mPainting || mSyncing)
        return;
    mSyncing = true;
    QItemSelectionModel* selection = selectionModel();
    // Of a range reaching hidden rows, its shown part is selected.
    const int low = mModel->firstShownFrom(std::min(mRow, mRowSel));
    const int high = mModel->lastShownUpTo(std::max(mRow, mRowSel));
    if (mRow < 1 || mRowSel < 1 || low < 0 || high < low || Cols() == 0) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const int anchorRow = mRow <= mRowSel ? low : high;
        const int endRow = mRow <= mRowSel ? high : low;
        const QModelIndex anchor = mModel->index(mModel->viewRowOf(anchorRow), mCol);
        const QModelIndex end = mModel->index(mModel->viewRowOf(endRow), mColSel);
        selection->setCurrentIndex(anchor, QItemSelectionModel::NoUpdate);
        selection->select(QItemSelection(anchor, end), QItemSelectionModel::ClearAndSelect);
    }
    mSyncing = false;
}

// The user moved the current cell or the selection. The view's current index
// is the moving end; the anchor is the opposite corner of the selected range.
void FileGrid::takeCurrentCellFromView()
{
    if (mSyncing || !mPainting)
        return;
    const QModelIndex current = selectionModel()->currentIndex();
    if (!current.isValid())
        return;
    int anchorRow = current.row();
    int anchorCol = current.column();
    const QItemSelection selected = selectionModel()->selection();
    for (const QItemSelectionRange& range : selected) {
        if (!range.contains(current))
            continue;
        anchorRow = current.row() == range.top() ? range.bottom() : range.top();
        anchorCol = current.column() == range.left() ? range.right() : range.left();
        break;
    }
    mRow = mModel->gridRowOf(anchorRow);
    mCol = anchorCol;
    mRowSel = mModel->gridRowOf(current.row());
    mColSel = current.column();
    emit SelectionMovedByUser();
}

QItemSelectionModel::SelectionFlags FileGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    if (event && event->type() == QEvent::MouseButtonPress) {
        const auto modifiers = static_cast<const QMouseEvent*>(event)->modifiers();
        if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::ShiftModifier))
            return QItemSelectionModel::ClearAndSelect;
    }
    return QTableView::selectionCommand(index, event);
}

// A current cell in the zero-width Sort column (where the listing leaves it)
// must not drag the view sideways: only the row is brought into view.
void FileGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (index.isValid() && columnWidth(index.column()) == 0) {
        const int keep = horizontalScrollBar()->value();
        QTableView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(keep);
        return;
    }
    QTableView::scrollTo(index, hint);
}

void FileGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    emit Click();
}

bool FileGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonRelease)
        emit Click();
    return QTableView::eventFilter(watched, event);
}

} // namespace pelkora

#pragma once
// The storage behind `Grid1`: a header row and data rows of text cells.
//
// A listing's rows are kept as the listing was handed over (ListedEntries:
// each entry's name and numbers) and a row's cells are made only when asked
// for, so a million-entry archive costs its names and a few numbers per row.
// Any other row is kept as the one tab-separated text it arrived as (or a
// listed row becomes one when a cell of it is set). While the grid's painting is off the model
// stops telling the view about changes and announces them once, as a reset,
// when painting comes back on.
//
// The view may be shown only some data rows (the filter's): the caller hands
// the model the rows to show, and grid rows keep their numbers whatever is
// shown, so the list's commands read the same rows as before.

#include "app/ListedEntries.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pelkora {

class FileGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileGridModel(QObject* parent = nullptr);

    // Grid rows count the header: grid row 0 is the header, grid row r >= 1
    // is view row r - 1.
    int gridRows() const { return static_cast<int>(mRows.size()) + 1; }
    int gridCols() const { return mCols; }
    void setGridRows(int rows);
    void setGridCols(int cols);

    QString cell(int row, int col) const;
    // The same text, as a view into the stored row where it is kept as such
    // (else into `scratch`, which it then holds). Valid until the next change.
    QStringView cellView(int row, int col, QString& scratch) const;
    void setCell(int row, int col, const QString& text);
    void clearCells();
    void appendRow(const QString& tabSeparated);
    // Appends a listing's entries as rows, entry order[i] at the i-th new
    // row; anything but a permutation of the entries is refused (false).
    // Rows of an earlier listing become rows of text first.
    bool appendListing(std::shared_ptr<const ListedEntries> entries, std::span<const std::size_t> order);
    // Grid row `row` (>= 1) as stored, its cells joined by tabs; empty for
    // the header or out of range.
    QString rowText(int row) const;
    // Puts grid rows first..first + order.size() - 1 in a finished order:
    // place i takes the row that was at first + order[i]. Anything but a
    // permutation over existing data rows is refused (false, nothing moves).
    // Sorting is the caller's: the model only stores and announces.
    bool arrangeRows(int first, std::span<const std::size_t> order);

    // Shows only grid rows shown[i] + 1 (data rows counted from 0, ascending,
    // each below the number of data rows); anything else is refused (false,
    // nothing changes). Every change of the rows shows all of them again.
    bool setShownRows(std::vector<int> shown);
    void showAllRows();
    bool filtered() const { return mFiltered; }
    int shownRowCount() const;
    // The view row of grid row `row`, -1 when it is not shown.
    int viewRowOf(int row) const;
    // The grid row shown at view row `viewRow` (-1 when out of range).
    int gridRowOf(int viewRow) const;
    // The first shown grid row at or after `row`, the last at or before it
    // (-1 when there is none).
    int firstShownFrom(int row) const;
    int lastShownUpTo(int row) const;
    // The shown grid rows from first to last, inclusive, in order.
    std::vector<int> shownRowsBetween(int first, int last) const;

    void setFrozen(bool frozen);
    bool frozen() const { return mFrozen; }

    // How the cells and the header of column `col` are aligned (left and
    // vertically centred unless set).
    void setColumnAlignment(int col, Qt::Alignment alignment);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void changedWholesale();

    void dropFilter();
    // The stored text of data row `at`, made from its entry when listed.
    QString& ownText(std::size_t at);
    static bool isText(std::uint32_t ref) { return ref & kTextRow; }

    // Data rows: an entry of mListing, or with kTextRow set a text of mTexts.
    static constexpr std::uint32_t kTextRow = 0x80000000u;
    std::vector<std::uint32_t> mRows;
    std::shared_ptr<const ListedEntries> mListing;
    std::vector<QString> mTexts; // rows of text, cells joined by tabs
    std::vector<int> mShown;     // the data rows shown while filtered
    bool mFiltered = false;
    std::vector<QString> mHeader;
    std::vector<Qt::Alignment> mAlignments; // per column; empty for the default
    int mCols = 0;
    bool mFrozen = false;
    bool mPendingReset = false;
    // What the view has been told while frozen.
    int mShownRows = 0;
    int mShownCols = 0;
};

} // namespace pelkora

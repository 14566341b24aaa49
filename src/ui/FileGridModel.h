#pragma once
// The storage behind `Grid1`: a header row and data rows of text cells.
//
// Each data row is kept as the one tab-separated text it arrived as, so a
// 100,000-entry archive costs one string per row, and cells are cut out only
// for the rows the view draws. While the grid's painting is off the model
// stops telling the view about changes and announces them once, as a reset,
// when painting comes back on.

#include <QAbstractTableModel>
#include <QString>
#include <QStringView>
#include <cstddef>
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
    void setCell(int row, int col, const QString& text);
    void clearCells();
    void appendRow(const QString& tabSeparated);
    // Grid row `row` (>= 1) as stored, its cells joined by tabs; empty for
    // the header or out of range.
    QString rowText(int row) const;
    // Puts grid rows first..first + order.size() - 1 in a finished order:
    // place i takes the row that was at first + order[i]. Anything but a
    // permutation over existing data rows is refused (false, nothing moves).
    // Sorting is the caller's: the model only stores and announces.
    bool arrangeRows(int first, std::span<const std::size_t> order);

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

    std::vector<QString> mRows; // data rows, cells joined by tabs
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

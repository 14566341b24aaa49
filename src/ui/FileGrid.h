#pragma once
// `Grid1`: the file list. A table view with one fixed header row (row 0) and
// a current cell (`Row`, `Col`) plus the other end of a contiguous selection
// (`RowSel`, `ColSel`), offering the operations the listing and the
// extraction commands use. Cells are read-only text; a click selects a cell
// and dragging or Shift extends the selection.

#include "app/ModMain.h"
#include "ui/FileGridModel.h"

#include <QTableView>
#include <vector>

namespace pelkora {

class FileGrid : public QTableView, public FileListControl {
    Q_OBJECT
public:
    explicit FileGrid(QWidget* parent = nullptr);

    int Rows() const override { return mModel->gridRows(); }
    int Cols() const override { return mModel->gridCols(); }
    void setRows(int rows);
    void setCols(int cols);

    int Row() const { return mRow; }
    int Col() const { return mCol; }
    int RowSel() const { return mRowSel; }
    int ColSel() const { return mColSel; }
    // Setting the current row or column also collapses the selection to it.
    void setRow(int row) override;
    void setCol(int col) override;
    void setRowSel(int row) override;
    void setColSel(int col);

    QString Text() const;
    void setText(const QString& text);
    QString TextMatrix(int row, int col) const { return mModel->cell(row, col); }

    // Column widths in twips.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    void setColAlignment(int col, Qt::Alignment alignment);
    // Column widths are given in twips for the classic 8-point dialog font;
    // a wider font draws every column this much wider (never narrower).
    void setWidthScale(double scale);
    double widthScale() const { return mWidthScale; }

    void Clear();
    void appendRow(const QString& tabSeparated);
    void appendListing(std::shared_ptr<const ListedEntries> entries, std::span<const std::size_t> order) override;
    void arrangeRows(int first, std::span<const std::size_t> order);
    // Sorts rows Row..RowSel ascending on the current column (stable, by the
    // listing's key rule), at once: the window is not served meanwhile.
    void sortSelection();

    // While off, the list neither repaints nor follows changes; switching it
    // on shows the new state once.
    void setPainting(bool on) override;
    bool painting() const { return mPainting; }

    // Shows only the given data rows (0-based, ascending; see FileGridModel)
    // or all of them again. Rows keep their numbers: Row, RowSel and
    // TextMatrix mean the same rows whatever is shown, and the selection
    // shown is the shown part of Row..RowSel.
    void setShownRows(std::vector<int> shown);
    void showAllRows();
    bool rowShown(int row) const { return mModel->viewRowOf(row) >= 0; }
    std::vector<int> shownRowsBetween(int first, int last) const { return mModel->shownRowsBetween(first, last); }

    const FileGridModel& gridModel() const { return *mModel; }

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    // Any mouse click in the list, header included.
    void Click();
    // The user moved the current cell or the selection, by mouse or keyboard.
    void SelectionMovedByUser();

protected:
    // Ctrl+click starts a new range at the clicked cell: the list holds one
    // contiguous range, so extending it (as Shift does) would select rows
    // the user never pointed at.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
        const QEvent* event = nullptr) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int clampRow(int row) const;
    int clampCol(int col) const;
    int viewPixels(int twips) const;
    void applyColWidths();
    void showCurrentCell();
    void takeCurrentCellFromView();

    FileGridModel* mModel;
    std::vector<int> mColWidths; // twips
    double mWidthScale = 1.0;
    int mRow = 0;
    int mCol = 0;
    int mRowSel = 0;
    int mColSel = 0;
    bool mPainting = true;
    bool mSyncing = false;
};

} // namespace pelkora

// The file list control on its own: current cell and selection, the sort,
// painting off and on, and the mouse.
#include "UiFixture.h"

#include "app/ListRow.h"
#include "app/ListedEntries.h"
#include "ui/ErrorBox.h"
#include "ui/FileGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace pelkora;
using namespace pelkora::uitest;

namespace {

// A grid with a header and the given rows (cells joined by tabs).
std::unique_ptr<FileGrid> makeGrid(const QStringList& rows, int cols = 3)
{
    auto grid = std::make_unique<FileGrid>();
    grid->setRows(1);
    grid->setCols(cols);
    grid->setRow(0);
    for (int c = 0; c < cols; ++c) {
        grid->setCol(c);
        grid->setText(QString("H%1").arg(c));
        grid->setColWidth(c, 1500);
    }
    for (const QString& row : rows)
        grid->appendRow(row);
    grid->resize(400, 300);
    grid->show();
    return grid;
}

QStringList columnOf(const FileGrid& grid, int col)
{
    QStringList cells;
    for (int r = 1; r < grid.Rows(); ++r)
        cells << grid.TextMatrix(r, col);
    return cells;
}

TEST(FileGrid, SortsOnlyTheSelectedRowsStablyByCharacterCode)
{
    const QString y = QString(QChar(0xFF));
    const struct {
        const char* name;
        int row, rowSel, col;
        QStringList before; // "key\tid"
        QStringList idsAfter;
    } cases[] = {
        {"codes: capitals before small letters, the folder mark last", 1, 5, 0,
            {"b\t1", y + "a\t2", "B\t3", "a\t4", "A b\t5"}, {"5", "3", "4", "1", "2"}},
        {"equal keys keep their order", 1, 4, 0, {"k\t1", "j\t2", "k\t3", "j\t4"}, {"2", "4", "1", "3"}},
        {"only rows Row..RowSel move", 2, 3, 0, {"z\t1", "y\t2", "x\t3", "a\t4"}, {"1", "3", "2", "4"}},
        {"RowSel above Row sorts the same range", 3, 2, 0, {"z\t1", "y\t2", "x\t3", "a\t4"}, {"1", "3", "2", "4"}},
        {"on the current column", 1, 3, 1, {"a\t3", "b\t1", "c\t2"}, {"1", "2", "3"}},
        {"a missing cell sorts as empty", 1, 3, 2, {"z\t1\tz", "e\t2", "m\t3\tm"}, {"2", "3", "1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto grid = makeGrid(c.before);
        grid->setCol(c.col);
        grid->setRow(c.row);
        grid->setRowSel(c.rowSel);
        grid->sortSelection();
        EXPECT_EQ(columnOf(*grid, 1), c.idsAfter);
        // The same order as the application's key rule.
        QStringList keys = columnOf(*grid, c.col).mid(std::min(c.row, c.rowSel) - 1, std::abs(c.rowSel - c.row) + 1);
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(), SortKeyLess));
        EXPECT_EQ(grid->TextMatrix(0, 0), "H0");
    }
}

// The model is handed a finished order: place i takes the row that was at
// first + order[i], whole rows moving; anything else leaves it untouched.
TEST(FileGridModel, TakesAFinishedOrderAndRefusesAnyOther)
{
    const QStringList asGiven = {"a", "b", "c", "d"};
    const struct {
        const char* name;
        int first;
        std::vector<std::size_t> order;
        bool taken;
        QStringList after;
    } cases[] = {
        {"every row", 1, {2, 0, 3, 1}, true, {"c", "a", "d", "b"}},
        {"rows in the middle", 2, {1, 0}, true, {"a", "c", "b", "d"}},
        {"the last row alone", 4, {0}, true, asGiven},
        {"an index twice", 1, {0, 0, 1, 2}, false, asGiven},
        {"an index beyond the order", 1, {0, 4, 1, 2}, false, asGiven},
        {"rows past the end", 3, {1, 0, 2}, false, asGiven},
        {"the header row", 0, {1, 0}, false, asGiven},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileGridModel model;
        model.setGridCols(2);
        model.setCell(0, 0, "H");
        for (const QString& key : asGiven)
            model.appendRow(key + "\t" + key.toUpper());
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        EXPECT_EQ(model.arrangeRows(c.first, c.order), c.taken);
        QStringList keys;
        for (int r = 1; r < model.gridRows(); ++r) {
            keys << model.cell(r, 0);
            EXPECT_EQ(model.cell(r, 1), model.cell(r, 0).toUpper()) << r;
        }
        EXPECT_EQ(keys, c.after);
        EXPECT_EQ(model.cell(0, 0), "H");
        EXPECT_EQ(resets.count(), c.taken ? 1 : 0);
    }
}

// A listing is shown in the order handed over, each row's cells made from
// its entry; setting a cell changes that row alone, sorting and filtering
// move listed rows like any other, and an order that is not a permutation
// of the entries is refused.
TEST(FileGridModel, ShowsAListingInItsOrderAndTreatsItsRowsLikeAnyOther)
{
    auto listed = std::make_shared<ListedEntries>(QLocale::c());
    for (const char* name : {"b.txt", "dir\\a.dat", "c"})
        listed->add(QString::fromLatin1(name), 0, 1000, 10);
    const struct {
        const char* name;
        std::vector<std::size_t> order;
        bool taken;
    } orders[] = {
        {"a permutation", {2, 0, 1}, true},
        {"an entry twice", {0, 0, 1}, false},
        {"an entry missing", {0, 1}, false},
        {"an entry beyond the listing", {0, 1, 3}, false},
    };
    for (const auto& c : orders) {
        SCOPED_TRACE(c.name);
        FileGridModel model;
        model.setGridCols(ColumnCount);
        model.appendRow("kept\t1");
        EXPECT_EQ(model.appendListing(listed, c.order), c.taken);
        if (!c.taken) {
            EXPECT_EQ(model.gridRows(), 2);
            continue;
        }
        ASSERT_EQ(model.gridRows(), 5);
        const QStringList names = {"kept", "c", "b.txt", "a.dat"};
        for (int r = 1; r < model.gridRows(); ++r)
            EXPECT_EQ(model.cell(r, ColName), names[r - 1]) << r;
        EXPECT_EQ(model.cell(4, ColPath), "dir\\");
        EXPECT_EQ(model.cell(4, ColSize), "1,000");
        EXPECT_EQ(model.cell(4, ColRatio), "99%");
        EXPECT_EQ(model.rowText(4), JoinRow(listed->row(1)));
        QString scratch;
        EXPECT_EQ(model.cellView(4, ColPath, scratch), QStringLiteral("dir\\"));
        EXPECT_EQ(model.cellView(4, ColType, scratch), QStringLiteral("DAT File"));

        model.setCell(3, ColSize, "edited");
        EXPECT_EQ(model.cell(3, ColSize), "edited");
        EXPECT_EQ(model.cell(3, ColName), "b.txt");
        EXPECT_EQ(model.cell(4, ColSize), "1,000"); // the entry's other rows and the listing stay
        EXPECT_EQ(listed->cell(0, ColSize), "1,000");

        const std::vector<std::size_t> reversed = {3, 2, 1, 0};
        ASSERT_TRUE(model.arrangeRows(1, reversed));
        EXPECT_EQ(model.cell(1, ColName), "a.dat");
        EXPECT_EQ(model.cell(2, ColSize), "edited");
        EXPECT_EQ(model.cell(4, ColName), "kept");
        ASSERT_TRUE(model.setShownRows({0, 2}));
        EXPECT_EQ(model.data(model.index(1, ColName)).toString(), "c");
    }
}

// The list's own sort is done at once: the window is served by whoever
// drives the list, never from inside the list while rows move.
TEST(FileGrid, SortsWithoutRunningTheEventLoop)
{
    constexpr int kRows = 30000;
    auto grid = makeGrid({}, 2);
    for (int i = 0; i < kRows; ++i)
        grid->appendRow(QString("k%1\t%2").arg((i * 7919) % kRows).arg(i));
    bool served = false;
    QTimer::singleShot(0, [&] { served = true; });
    grid->setCol(0);
    grid->setRow(1);
    grid->setRowSel(grid->Rows() - 1);
    grid->sortSelection();
    EXPECT_FALSE(served);
    const QStringList keys = columnOf(*grid, 0);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(), SortKeyLess));
    QCoreApplication::processEvents();
    EXPECT_TRUE(served); // the timer was live all along
}

TEST(FileGrid, PaintingOffHoldsBackTheViewUntilItIsSwitchedOn)
{
    auto grid = makeGrid({"a\t1"});
    ASSERT_EQ(grid->model()->rowCount(), 1);
    grid->setPainting(false);
    EXPECT_TRUE(grid->updatesEnabled()); // the last picture stays drawable
    for (int i = 0; i < 1000; ++i)
        grid->appendRow(QString("r%1\t%1").arg(i));
    grid->setRow(1);
    grid->setRowSel(grid->Rows() - 1);
    grid->setCol(0);
    grid->sortSelection();
    EXPECT_EQ(grid->Rows(), 1002);
    EXPECT_EQ(grid->model()->rowCount(), 1); // the view has not been told yet
    grid->setPainting(true);
    EXPECT_TRUE(grid->updatesEnabled());
    EXPECT_EQ(grid->model()->rowCount(), 1001);
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 0)).toString(), "a");
    EXPECT_EQ(grid->model()->data(grid->model()->index(1, 0)).toString(), "r0");
    EXPECT_EQ(grid->ColWidth(0), 1500); // widths survive the reset
}

TEST(FileGrid, CurrentCellSelectionAndText)
{
    auto grid = makeGrid({"a0\ta1\ta2", "b0\tb1", "c0\tc1\tc2\textra"});
    grid->setRow(2);
    grid->setCol(1);
    EXPECT_EQ(grid->RowSel(), 2);
    EXPECT_EQ(grid->Text(), "b1");
    grid->setCol(2);
    EXPECT_EQ(grid->Text(), ""); // a short row has empty cells
    grid->setText("new\tcell");
    EXPECT_EQ(grid->TextMatrix(2, 2), "new cell"); // cells never hold a tab
    EXPECT_EQ(grid->TextMatrix(2, 0), "b0");
    EXPECT_EQ(grid->TextMatrix(3, 2), "c2"); // cells beyond Cols are not shown
    grid->setRowSel(1);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->RowSel(), 1);

    grid->Clear();
    EXPECT_EQ(grid->Rows(), 4);
    EXPECT_EQ(grid->Cols(), 3);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(grid->TextMatrix(r, c), "") << r << "," << c;
    grid->setRows(1);
    EXPECT_EQ(grid->Rows(), 1);
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

TEST(FileGrid, MouseSelectsCellsAndEveryClickIsReported)
{
    auto grid = makeGrid({"a\t1", "b\t2", "c\t3", "d\t4", "e\t5"});
    QSignalSpy clicks(grid.get(), &FileGrid::Click);
    const auto cellCentre = [&](int row, int col) {
        return grid->visualRect(grid->model()->index(row - 1, col)).center();
    };

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(4, 1));
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(grid->RowSel(), 4);
    EXPECT_EQ(grid->Col(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(2, 0));
    EXPECT_EQ(grid->Row(), 4); // the anchor stays the current row
    EXPECT_EQ(grid->RowSel(), 2);
    EXPECT_EQ(grid->ColSel(), 0);
    EXPECT_EQ(clicks.count(), 2);

    // Ctrl+click starts a new range instead of extending the old one.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(5, 1));
    EXPECT_EQ(grid->Row(), 5);
    EXPECT_EQ(grid->RowSel(), 5);
    EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(4, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(2, 0));
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->RowSel(), 2);
    EXPECT_EQ(clicks.count(), 5);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(4, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(2, 0));
    clicks.clear();

    // A header click is a click too, but neither sorts nor selects.
    const QStringList before = columnOf(*grid, 0);
    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
        QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(columnOf(*grid, 0), before);
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(grid->RowSel(), 2);
}

TEST(FileGrid, HoldsAHundredThousandRows)
{
    constexpr int kRows = 100000;
    auto grid = makeGrid({}, 8);
    grid->setPainting(false);
    for (int i = 0; i < kRows; ++i)
        grid->appendRow(
            QString("name%1\tT\tM\t1\t1\t00%\tp\\\tkey%2").arg(i).arg((i * 7919) % kRows, 6, 10, QChar('0')));
    grid->setCol(7);
    grid->setRow(1);
    grid->setRowSel(grid->Rows() - 1);
    grid->sortSelection();
    grid->setPainting(true);
    ASSERT_EQ(grid->Rows(), kRows + 1);
    EXPECT_EQ(grid->model()->rowCount(), kRows);
    EXPECT_EQ(grid->TextMatrix(1, 7), "key000000");
    EXPECT_EQ(grid->TextMatrix(kRows, 7), "key099999");
    const QStringList keys = columnOf(*grid, 7);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    // Each row still carries its own cells.
    for (int r : {1, 2, 5000, kRows}) {
        const int id = grid->TextMatrix(r, 0).mid(4).toInt();
        EXPECT_EQ(grid->TextMatrix(r, 7), QString("key%1").arg((id * 7919) % kRows, 6, 10, QChar('0'))) << r;
    }
}

TEST(ErrorBox, IsAModalBoxWithOneOkButtonAndNoIcon)
{
    auto box = MakeErrorBox("Application Error", "line 1\nline 2");
    EXPECT_EQ(box->windowTitle(), "Application Error");
    EXPECT_EQ(box->text(), "line 1\nline 2");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->buttons().size(), 1);

    // The window's reporter shows that box and waits for OK.
    QString seenTitle, seenText;
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        seenTitle = shown->windowTitle();
        seenText = shown->text();
        EXPECT_EQ(shown->icon(), QMessageBox::NoIcon);
        shown->button(QMessageBox::Ok)->click();
    });
    ReportReaderError(&ShowErrorBox, kLoadHeadline, 1001, "File not found.");
    EXPECT_EQ(seenTitle, "Application Error");
    EXPECT_EQ(seenText,
        "An error occurred while loading a new Big file.\n\nError Number: 1001\nDescription: File not found.");
}

} // namespace

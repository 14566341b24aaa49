// The window's layout: start size, resize steps, the progress bar's place.
#include "UiFixture.h"

#include "ui/StatusBar.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QToolBar>

using namespace pelkora;
using namespace pelkora::uitest;

namespace {

class LayoutTest : public UiFixture {
protected:
    // Grid1's top left in twips, measured from the client area below the menu bar.
    static QPoint gridPlace(frmMain& w)
    {
        const QPoint inWindow = Controls(w).Grid1->mapTo(&w, QPoint(0, 0));
        return {PixelsToTwips(inWindow.x()), PixelsToTwips(inWindow.y() - w.menuBar()->height())};
    }
};

TEST_F(LayoutTest, StartsAtItsDesignedSizeCentred)
{
    frmMain& w = start();
    EXPECT_EQ(w.width(), TwipsToPixels(9600));
    EXPECT_EQ(w.height() - w.menuBar()->height(), TwipsToPixels(6000));
    EXPECT_EQ(Controls(w).tbBar->height(), TwipsToPixels(420));
    EXPECT_EQ(Controls(w).tbBar->y(), w.menuBar()->height());
    EXPECT_EQ(Controls(w).sbStatus->height(), TwipsToPixels(300));
    EXPECT_EQ(Controls(w).sbStatus->geometry().bottom(), w.height() - 1);
    EXPECT_EQ(gridPlace(w), QPoint(15, 465));
    EXPECT_EQ(Controls(w).sbStatus->panelWidth(2), 300);
    EXPECT_EQ(Controls(w).sbStatus->panelWidth(3), 300);
    const QPoint centre = w.frameGeometry().center();
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 1);
    EXPECT_EQ(Controls(w).pbBar->height(), TwipsToPixels(240));
    EXPECT_EQ(Controls(w).pbBar->minimum(), 0);
    EXPECT_EQ(Controls(w).pbBar->maximum(), 100);
}

TEST_F(LayoutTest, ResizingFollowsTheLayoutStepsAndSkipsNegativeSizes)
{
    frmMain& w = start(writeArchive("a.big", {{.name = "a.txt", .data = "a"}}));
    w.SetupProgress(5);
    Controls(w).pbBar->show();
    const QRect barPlace = Controls(w).pbBar->geometry();
    const struct {
        int width;
        int height; // pixels
    } sizes[] = {{800, 600}, {1200, 300}, {400, 900}, {300, 60}, {8, 500}, {5, 5}, {700, 500}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height);
        const QSize gridBefore = Controls(w).Grid1->size();
        const int panelBefore = Controls(w).sbStatus->panelWidth(1);
        w.resize(s.width, s.height);
        ASSERT_EQ(w.size(), QSize(s.width, s.height));
        const int width = PixelsToTwips(w.frameGeometry().width());
        const int height = PixelsToTwips(w.frameGeometry().height());
        const int gridWidth = width - 150;
        const int gridHeight = height - 465 - 300 - 420 - 275;
        const int panel1 = width - (300 + 300) - 450;
        EXPECT_EQ(Controls(w).Grid1->width(), gridWidth >= 0 ? TwipsToPixels(gridWidth) : gridBefore.width());
        EXPECT_EQ(Controls(w).Grid1->height(), gridHeight >= 0 ? TwipsToPixels(gridHeight) : gridBefore.height());
        EXPECT_EQ(Controls(w).sbStatus->panelWidth(1), panel1 >= 0 ? panel1 : panelBefore);
        EXPECT_EQ(gridPlace(w), QPoint(15, 465));
        EXPECT_EQ(Controls(w).pbBar->geometry(), barPlace);
        EXPECT_EQ(Controls(w).Grid1->ColWidth(6), 6000);
    }
}

TEST_F(LayoutTest, SetupProgressLaysTheBarOverTheFirstPanel)
{
    frmMain& w = start();
    for (const auto& [windowWidth, n] : {std::pair{640, 1}, std::pair{900, 7}, std::pair{500, 100000}}) {
        SCOPED_TRACE(n);
        w.resize(windowWidth, 450);
        w.SetupProgress(n);
        EXPECT_EQ(Controls(w).pbBar->x(),
            Controls(w).sbStatus->x() + TwipsToPixels(Controls(w).sbStatus->panelLeft(1)));
        EXPECT_EQ(Controls(w).pbBar->y(), Controls(w).sbStatus->y() + TwipsToPixels(50));
        EXPECT_EQ(Controls(w).pbBar->width(), TwipsToPixels(Controls(w).sbStatus->panelWidth(1) - 10));
        EXPECT_EQ(Controls(w).pbBar->height(), TwipsToPixels(240));
        EXPECT_EQ(Controls(w).pbBar->minimum(), 0);
        EXPECT_EQ(Controls(w).pbBar->maximum(), n);
        EXPECT_FALSE(Controls(w).pbBar->isVisible()); // its callers show it
        // In front of the status bar, inside panel 1.
        EXPECT_TRUE(Controls(w)
                        .sbStatus->panelWidget(1)
                        ->geometry()
                        .translated(Controls(w).sbStatus->pos())
                        .contains(Controls(w).pbBar->geometry()));
    }
}

TEST_F(LayoutTest, BusyAndReadyStatesSwitchTheLampsAndThePointer)
{
    frmMain& w = start();
    for (int round = 0; round < 2; ++round) {
        w.ShowBusy();
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(2), "Gray");
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(3), "Red");
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_TRUE(Controls(w).mnuOpen->isEnabled() && Controls(w).mnuExtract->isEnabled()
            && Controls(w).Grid1->isEnabled());
        w.ShowReady();
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(2), "Green");
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(3), "Gray");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(Controls(w).sbStatus->panelWidget(2)->pixmap().toImage(), ImageList().picture("Green").toImage());
}

} // namespace

// Size, Packed and Ratio are numbers: right-aligned, header and cells alike.
TEST_F(LayoutTest, NumberColumnsAreRightAligned)
{
    frmMain& w = start(writeArchive("one.big", {{.name = "dir\\file.txt", .data = "12345"}}));
    const QAbstractItemModel* model = Controls(w).Grid1->model();
    for (int col = 0; col < 7; ++col) {
        SCOPED_TRACE(col);
        const Qt::Alignment expected = (col >= 3 && col <= 5 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        EXPECT_EQ(model->data(model->index(0, col), Qt::TextAlignmentRole).value<Qt::Alignment>(), expected);
        EXPECT_EQ(model->headerData(col, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(), expected);
    }
}

// The columns are wide enough for the values they are made for, in the font
// the list really draws with.
TEST_F(LayoutTest, ValuesFitTheirColumnsInTheFontInUse)
{
    frmMain& w = start(writeArchive("wide.big",
        {
            {.name = "CREDITS", .data = "x", .timestamp = 1104494400}, // 31 Dec 2004 12:00:00
            {.name = "data\\big.bin", .data = "b", .timestamp = 970315200, .uncompressedSize = 33554432}, // 30 Sep 2000
        }));
    const QFontMetrics metrics = Controls(w).Grid1->fontMetrics();
    for (int row = 1; row < Controls(w).Grid1->Rows(); ++row) {
        for (int col = 1; col <= 5; ++col) {
            const QString text = Controls(w).Grid1->TextMatrix(row, col);
            SCOPED_TRACE(text.toStdString());
            EXPECT_LE(metrics.horizontalAdvance(text) + 6, Controls(w).Grid1->columnWidth(col)) << "column " << col;
        }
    }
    // The user can still make a column narrower than that.
    Controls(w).Grid1->horizontalHeader()->resizeSection(2, 40);
    EXPECT_EQ(Controls(w).Grid1->columnWidth(2), 40);
}

// A window larger than the screen (a 2x scale factor on a small screen)
// is shrunk to the free area, title bar on screen.
TEST_F(LayoutTest, AWindowLargerThanTheScreenIsShrunkOntoIt)
{
    frmMain& w = start();
    const QRect area = w.screen()->availableGeometry();
    w.resize(area.width() * 2, area.height() * 2);
    w.FitToScreen();
    EXPECT_LE(w.width(), area.width());
    EXPECT_LE(w.height(), area.height());
    EXPECT_TRUE(area.contains(w.frameGeometry().topLeft()));
    EXPECT_GT(Controls(w).Grid1->height(), 0);
}

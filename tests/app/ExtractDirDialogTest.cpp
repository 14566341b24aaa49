// The "Extract To" dialog with its real widgets, offscreen. Each modal use is
// driven from inside its own event loop; a watchdog ends a use that the steps
// did not end, so a fault fails the test instead of blocking it.

#include "ui/frmExtractDir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScreen>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace pelkora;

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

bool WaitFor(const std::function<bool()>& condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Display(0) with `steps` run once the dialog is up.
bool RunDisplay(frmExtractDir& dialog, const std::function<void()>& steps)
{
    bool ran = false;
    bool timedOut = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        EXPECT_TRUE(dialog.isVisible());
        steps();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&] {
        timedOut = true;
        dialog.done(QDialog::Rejected);
    });
    watchdog.start(10000);
    const bool result = dialog.Display(0);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(timedOut) << "the dialog stayed open";
    EXPECT_FALSE(dialog.isVisible());
    return result;
}

// What a window system delivers for a double click: press, release, then the
// second press as a double-click event, and its release.
void DoubleClick(QWidget* widget, QPoint at)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

QString WithSeparator(const QString& path)
{
    return QDir::toNativeSeparators(path) + QDir::separator();
}

class ExtractDirDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        base = QDir(tmp.path()).canonicalPath() + "/base";
        ASSERT_TRUE(QDir().mkpath(base + "/Alpha"));
        ASSERT_TRUE(QDir().mkpath(base + "/Beta"));
        previousCurrent = QDir::currentPath();
        // The dialog first opens the process's current folder.
        ASSERT_TRUE(QDir::setCurrent(base));
        dialog = std::make_unique<frmExtractDir>();
    }
    void TearDown() override
    {
        dialog.reset();
        QDir::setCurrent(previousCurrent);
    }

    // A visible row of the folder list, ready to be clicked.
    QPoint RowCenter(const QString& path)
    {
        FolderList* folders = dialog->Folders;
        QPoint center;
        EXPECT_TRUE(WaitFor([&] {
            const QModelIndex index = folders->indexOf(path);
            if (!index.isValid())
                return false;
            folders->scrollTo(index);
            const QRect rect = folders->visualRect(index);
            center = rect.center();
            return rect.isValid() && folders->viewport()->rect().contains(center);
        })) << path.toStdString();
        return center;
    }

    QTemporaryDir tmp;
    QString base;
    QString previousCurrent;
    std::unique_ptr<frmExtractDir> dialog;
};

} // namespace

TEST_F(ExtractDirDialogTest, OkWithoutTouchingConfirmsTheStartFolder)
{
    EXPECT_EQ(dialog->windowTitle(), "Extract To");
    EXPECT_EQ(dialog->Label1->text(), "Extract To:");
    EXPECT_EQ(dialog->cmdOK->text(), "OK");
    EXPECT_EQ(dialog->cmdCancel->text(), "Cancel");
    EXPECT_FALSE(dialog->isVisible());

    QPoint center;
    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        center = dialog->frameGeometry().center();
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base));
    const QRect screen = dialog->screen()->geometry();
    EXPECT_LE(std::abs(center.x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(center.y() - screen.center().y()), 1);

    // A drive's root already ends in a separator; Dir adds one more, which
    // the file system reads as one.
    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        ASSERT_TRUE(dialog->Folders->setPath(QDir::rootPath()));
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), QDir::toNativeSeparators(QDir::rootPath()) + QDir::separator());
}

// The folder list follows the disk only while the dialog is up, so that an
// extraction run into the chosen folder does not keep it re-reading.
TEST_F(ExtractDirDialogTest, FolderListWatchesTheDiskOnlyWhileShown)
{
    bool watchingWhileShown = false;
    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        watchingWhileShown = dialog->Folders->watchesForChanges();
        dialog->cmdOK->click();
    }));
    EXPECT_TRUE(watchingWhileShown);
    EXPECT_FALSE(dialog->Folders->watchesForChanges());
}

// The destination can be chosen from the keyboard: arrows highlight, Return
// opens (never OK), F7 makes a new folder inside the open one and opens it;
// the open folder's whole path is told as the list's tooltip.
TEST_F(ExtractDirDialogTest, KeyboardOpensFoldersAndMakesNewOnes)
{
    ASSERT_TRUE(QDir(base).mkpath("Alpha"));
    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        FolderList* folders = dialog->Folders;
        ASSERT_TRUE(folders->setPath(base));
        EXPECT_EQ(folders->toolTip(), QDir::toNativeSeparators(base));
        folders->setFocus();
        folders->setCurrentIndex(folders->indexOf(base + "/Alpha"));
        QTest::keyClick(folders, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(folders->Path(), QDir::toNativeSeparators(base + "/Alpha"));
        EXPECT_EQ(folders->toolTip(), folders->Path());

        QTest::keyClick(folders, Qt::Key_F7);
        EXPECT_EQ(folders->Path(), QDir::toNativeSeparators(base + "/Alpha/New Folder"));
        EXPECT_TRUE(QFileInfo(base + "/Alpha/New Folder").isDir());
        ASSERT_TRUE(folders->setPath(base + "/Alpha"));
        EXPECT_EQ(folders->NewFolder(), QDir::toNativeSeparators(base + "/Alpha/New Folder 2"));
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base + "/Alpha/New Folder 2"));
}

// A larger desktop font: "Extract To:" is shown whole, beside the drive list.
TEST(ExtractDirDialogLayout, TheLabelFitsItsTextWithALargeFont)
{
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSizeF(before.pointSizeF() * 2);
    QApplication::setFont(large);
    {
        frmExtractDir dialog;
        EXPECT_GE(dialog.Label1->width(), dialog.Label1->sizeHint().width());
        EXPECT_FALSE(dialog.Label1->geometry().intersects(dialog.Drives->geometry()));
        EXPECT_LE(dialog.Drives->geometry().right(), dialog.width());
    }
    QApplication::setFont(before);
}

TEST_F(ExtractDirDialogTest, CancelAndCloseByTheFrameReturnFalse)
{
    ASSERT_TRUE(RunDisplay(*dialog, [&] { dialog->cmdOK->click(); }));
    const QString confirmed = dialog->Dir();

    struct Case {
        const char* what;
        std::function<void()> end;
    };
    for (const Case& c :
        {Case{"Cancel", [&] { dialog->cmdCancel->click(); }}, Case{"OK then close", [&] { dialog->close(); }}}) {
        SCOPED_TRACE(c.what);
        // A true from an earlier OK must not survive a close by the frame.
        ASSERT_TRUE(RunDisplay(*dialog, [&] { dialog->cmdOK->click(); }));
        EXPECT_FALSE(RunDisplay(*dialog, c.end));
        EXPECT_EQ(dialog->Dir(), confirmed);
    }
}

TEST_F(ExtractDirDialogTest, HighlightingIsNotOpeningAndTheNextUseKeepsTheFolder)
{
    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        QTest::mouseClick(dialog->Folders->viewport(), Qt::LeftButton, {}, RowCenter(base + "/Alpha"));
        EXPECT_EQ(dialog->Folders->currentIndex(), dialog->Folders->indexOf(base + "/Alpha"));
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base));

    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        DoubleClick(dialog->Folders->viewport(), RowCenter(base + "/Beta"));
        EXPECT_EQ(dialog->Folders->Path(), QDir::toNativeSeparators(base + "/Beta"));
        // Opening a folder is not confirming it.
        EXPECT_EQ(dialog->Dir(), WithSeparator(base));
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base + "/Beta"));

    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        EXPECT_EQ(dialog->Folders->Path(), QDir::toNativeSeparators(base + "/Beta"));
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base + "/Beta"));
}

TEST_F(ExtractDirDialogTest, EnterAndEscPressNoButtonAndTabThenSpacePressesOk)
{
    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        EXPECT_EQ(dialog->focusWidget(), dialog->Drives);
        for (QWidget* widget : {static_cast<QWidget*>(dialog->Drives), static_cast<QWidget*>(dialog->cmdOK),
                 static_cast<QWidget*>(dialog->cmdCancel), static_cast<QWidget*>(dialog->Folders)}) {
            widget->setFocus();
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(widget, key);
            EXPECT_TRUE(dialog->isVisible()) << widget->objectName().toStdString();
        }
        // Tab order: Drives, OK, Cancel, Folders, and round again.
        dialog->Drives->setFocus();
        for (QWidget* next : {static_cast<QWidget*>(dialog->cmdOK), static_cast<QWidget*>(dialog->cmdCancel),
                 static_cast<QWidget*>(dialog->Folders), static_cast<QWidget*>(dialog->Drives),
                 static_cast<QWidget*>(dialog->cmdOK)}) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(dialog->focusWidget(), next) << next->objectName().toStdString();
        }
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Space);
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base));
}

TEST_F(ExtractDirDialogTest, DriveChoiceMovesTheFolderListOrKeepsItUsable)
{
    QComboBox* drives = dialog->Drives;
    const QString driveOfBase = QStorageInfo(base).rootPath();
    EXPECT_EQ(drives->currentData().toString(), driveOfBase);

    EXPECT_TRUE(RunDisplay(*dialog, [&] {
        // A drive that cannot be read leaves a readable folder open.
        drives->addItem("unreachable", "/nonexistent-pelkora-drive");
        drives->setCurrentIndex(drives->count() - 1);
        emit drives->activated(drives->count() - 1);
        EXPECT_EQ(dialog->Folders->Path(), QDir::toNativeSeparators(base));
        EXPECT_EQ(drives->currentData().toString(), driveOfBase);

        // Another drive opens its folder (its root the first time); coming
        // back returns to the folder left open there.
        const int root = drives->findData(QDir::rootPath());
        if (root >= 0 && driveOfBase != QDir::rootPath()) {
            drives->setCurrentIndex(root);
            emit drives->activated(root);
            EXPECT_EQ(dialog->Folders->Path(), QDir::toNativeSeparators(QDir::rootPath()));
            const int back = drives->findData(driveOfBase);
            drives->setCurrentIndex(back);
            emit drives->activated(back);
            EXPECT_EQ(dialog->Folders->Path(), QDir::toNativeSeparators(base));
        }
        dialog->cmdOK->click();
    }));
    EXPECT_EQ(dialog->Dir(), WithSeparator(base));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#pragma once
// Shared set-up of the window tests: a scratch folder for archives, the
// error report captured instead of shown, and the program's exit recorded.

#include "BigWriter.h"
#include "app/ErrorReport.h"
#include "app/ModMain.h"
#include "ui/FileGrid.h"
#include "ui/ImageList.h"
#include "ui/Startup.h"
#include "ui/StatusBar.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace pelkora::uitest {

// The window's controls, found by their object names as a user's tools
// would find them.
struct Controls {
    explicit Controls(const frmMain& window);

    FileGrid* Grid1;
    QToolBar* tbBar;
    StatusBar* sbStatus;
    QProgressBar* pbBar;
    QMenu* mnuFile;
    QAction* mnuOpen;
    QAction* mnuExit;
    QMenu* mnuActions;
    QAction* mnuExtract;
    QAction* mnuExtAll;
    QAction* mnuNewArchive;
    QAction* mnuAddFiles;
};

struct Report {
    QString title;
    QString text;
};

class UiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes an archive into the scratch folder and returns its path.
    QString writeArchive(const QString& fileName, const std::vector<testsupport::TestEntry>& entries);
    QString scratchPath(const QString& fileName) const { return mDir.filePath(fileName); }

    // Starts the program as `Main` does, with `argumentText`.
    frmMain& start(const QString& argumentText = QString());

    // All cells of data row `row` (1-based), columns 0..7.
    QStringList rowCells(int row) const;
    // Column `col` of every data row, top to bottom.
    QStringList column(int col) const;

    QTemporaryDir mDir;
    std::unique_ptr<frmMain> mWindow;
    std::vector<Report> mReports;
    int mExits = 0;

private:
};

// Pumps events for about `ms` milliseconds.
void pumpEvents(int ms = 20);

} // namespace pelkora::uitest

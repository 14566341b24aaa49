#pragma once
// `frmMain`: the program's one main window. Menus, toolbar `tbBar`, the file
// list `Grid1`, the status bar `sbStatus` with its two lamps, the progress
// bar `pbBar` laid over the first status panel, and the commands: open an
// archive, exit, extract the selected rows, extract all rows.
//
// While a listing or an extraction run is going on, events keep flowing so
// the window repaints; the Open and both extraction commands are then
// refused (ignored) because they would pull the list or the reader from
// under the running loop. Nothing is greyed out. Closing ends the program
// between two entries.
//
// Beside those: File > New Archive from Folder and Actions > Add or Replace
// Files, which write archives; the filter field `txtFilter` on the toolbar (Ctrl+F), the
// list's context menu (preview, open with the default application, extract
// selected, copy names, select all shown), a dropped archive opening as
// Open does, and File > Properties.

#include "app/ErrorReport.h"
#include "app/ModMain.h"
#include "app/PackArchive.h"
#include "ui/ErrorBox.h"
#include "ui/ImageList.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QProgressBar;
class QToolBar;

namespace pelkora {

class FileGrid;
class StatusBar;
class Extraction;
class frmExtractDir;
class FilterBox;
class ListContextMenu;
class PreviewWindow;

// `pbBar` as the listing sees it.
class ProgressBarControl : public ProgressControl {
public:
    // Work stops when the user asks (`stop`) or the window closes (`closing`).
    ProgressBarControl(QProgressBar* bar, const bool& stop, const bool& closing)
        : mBar(bar)
        , mStop(stop)
        , mClosing(closing)
    {
    }
    void setMaximum(float maximum) override;
    void setValue(float value) override;
    bool stopRequested() const override { return mStop || mClosing; }

private:
    QProgressBar* mBar;
    const bool& mStop;
    const bool& mClosing;
};

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // The window's load handling; start-up runs it once before showing.
    void Form_Load();
    // Lays out the list and panel 1 after a size change.
    void Form_Resize();
    // Shrinks the window to the screen's free area when it is larger, and
    // centres it there (the first showing does this).
    void FitToScreen();

    void OpenFile(const QString& filename);
    void SetupGrid();
    void ShowReady();
    void ShowBusy();
    void SetupProgress(std::int32_t n);

    void mnuOpen_Click();
    void mnuExit_Click();
    void mnuExtract_Click();
    void mnuExtAll_Click();
    // Packs a folder the user picks into a new archive they name, then
    // opens it.
    void mnuNewArchive_Click();
    // Writes the open archive with files the user picks added or replacing
    // the entries of their names (in a folder of the archive they may
    // name) to a new archive they name, then opens that.
    void mnuAddFiles_Click();
    void tbBar_ButtonClick(QAction* button);
    void Grid1_Click();

    // The controls are private; each carries its name as its object name
    // ("Grid1", "pbBar", "mnuOpen", ...), which is how tests find them.

    const QString& mLastPath() const { return mLastPathValue; }
    bool mRowSelected() const { return mRowSelectedValue; }
    frmExtractDir* mDestDialog() const { return mDestDialogValue.get(); }
    // True while a listing or an extraction run is going on.
    bool working() const { return mWorking; }
    // Set when the program shuts down with this window: running loops stop
    // between two entries.
    void setShuttingDown() { mShuttingDown = true; }
    bool shuttingDown() const { return mShuttingDown; }

    // Shows the failures of the window's work. The default is the modal
    // error box.
    void setErrorReporter(ErrorReporter report) { mReport = std::move(report); }
    // Ends the program once the window has shut down; by default it quits
    // the application's event loop.
    using ProgramExit = std::function<void()>;
    void setProgramExit(ProgramExit exit) { mExitProgram = std::move(exit); }
    void exitProgram();

    // The Open dialog: shown with a title, a starting file name and a filter,
    // returns the file name it ends with (the starting one when cancelled).
    using OpenDialogRunner =
        std::function<QString(QWidget* parent, const QString& title, const QString& fileName, const QString& filter)>;
    void setOpenDialogRunner(OpenDialogRunner runner) { mOpenDialog = std::move(runner); }
    static QString RunOpenDialog(QWidget* parent, const QString& title, const QString& fileName, const QString& filter);

    // The folder dialog of New Archive from Folder: the folder chosen, empty
    // when cancelled.
    using FolderDialogRunner = std::function<QString(QWidget* parent, const QString& title)>;
    void setFolderDialogRunner(FolderDialogRunner runner) { mFolderDialog = std::move(runner); }
    // The dialog naming a new archive: the file name chosen, empty when
    // cancelled.
    using SaveDialogRunner = std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;
    void setSaveDialogRunner(SaveDialogRunner runner) { mSaveDialog = std::move(runner); }
    static QString RunSaveDialog(QWidget* parent, const QString& title, const QString& filter);
    // The dialog choosing the files of Add or Replace Files: none when
    // cancelled.
    using FilesDialogRunner = std::function<QStringList(QWidget* parent, const QString& title)>;
    void setFilesDialogRunner(FilesDialogRunner runner) { mFilesDialog = std::move(runner); }
    // Asks for a line of text, offering `text`; nothing when cancelled.
    using TextQuestion = std::function<std::optional<QString>(QWidget* parent, const QString& title,
        const QString& label, const QString& text)>;
    void setTextQuestion(TextQuestion question) { mAskText = std::move(question); }
    static std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label,
        const QString& text);

    // Asks for the destination folder; false when cancelled. The default
    // shows `mDestDialog` with Display(0) and reads its Dir().
    using DestinationPrompt = std::function<bool(QString& destination)>;
    void setDestinationPrompt(DestinationPrompt prompt) { mAskDestination = std::move(prompt); }

    // Extracts one listed entry; `ExtractFile` unless replaced.
    using EntryExtractor = std::function<void(const QString& destination, const QString& name, const QString& path)>;
    void setEntryExtractor(EntryExtractor extractor) { mExtract = std::move(extractor); }

    // A failure during an extraction run is first shown by this prompt; it
    // answers true when the user asks for the rest of the run's failures to
    // be gathered and shown once at its end. Unset, failures go to the error
    // report one by one.
    using RunFailurePrompt = std::function<bool(const QString& title, const QString& text)>;
    void setRunFailurePrompt(RunFailurePrompt prompt) { mRunFailurePrompt = std::move(prompt); }
    static bool ShowRunFailureBox(QWidget* parent, const QString& title, const QString& text);
    // Shows the gathered failures: one line each, entry, number and
    // description separated by tabs. The default is a dialog to copy from.
    using GatheredFailures = std::function<void(const QStringList& lines)>;
    void setGatheredFailuresView(GatheredFailures view) { mShowGathered = std::move(view); }
    // Asked when the entries of a run need more than the destination's free
    // space; answers true to extract anyway. The default is a warning box
    // whose default button is No.
    using SpaceQuestion = std::function<bool(const QString& text)>;
    void setSpaceQuestion(SpaceQuestion question) { mAskSpace = std::move(question); }

    // Hands an extracted entry to the desktop's default application;
    // QDesktopServices::openUrl unless replaced.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    void setUrlOpener(UrlOpener opener) { mOpenUrl = std::move(opener); }
    // Shows File > Properties' text; a dialog unless replaced.
    using PropertiesView = std::function<void(const QString& text)>;
    void setPropertiesView(PropertiesView view) { mShowProperties = std::move(view); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void Form_QueryUnload();
    void Form_Unload();
    bool askDestination(QString& destination);
    // False when rows first..last need more than the destination's free
    // space and the user does not want to go on.
    bool roomFor(const QString& destination, int first, int last);
    bool roomFor(const QString& destination, const std::vector<int>& rows);
    void beginRun(std::int32_t progressMaximum);
    void endRun();
    void showGatheredFailures(const QStringList& lines);
    void readRow(int row, QString& name, QString& path);
    // The reporter handed to the work the window starts.
    ErrorReporter reporter();
    void report(const QString& title, const QString& text);

    // The list's own commands (frmMainListCommands.cpp).
    void buildListCommands();
    void updateFilterStatus();
    // The row the list's current cell is on when it is a shown entry, else 0.
    int currentEntryRow() const;
    QString fullNameOf(int row) const;
    void previewRow(int row);
    void openRow(int row);
    void copySelectedNames();
    void selectAllShown();
    void mnuProperties_Click();

    // The writing commands (frmMainPackCommands.cpp).
    void buildPackCommands();
    // Shows the writing commands' refusals and failures, one line each.
    void reportPacking(const QStringList& messages);
    // Runs `work` with the progress bar over `count` entries and the stop
    // key, then reports `messages` and any failure together. True when the
    // archive was written.
    using PackWork = std::function<bool(const PackProgress& progress, const PackStop& stop)>;
    bool runPacking(const QString& target, std::int32_t count, const PackWork& work, QStringList& messages);

    FileGrid* Grid1 = nullptr;
    QToolBar* tbBar = nullptr;
    StatusBar* sbStatus = nullptr;
    QProgressBar* pbBar = nullptr;
    ImageList ilImages;
    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuProperties = nullptr;
    QMenu* mnuActions = nullptr;
    QAction* mnuExtract = nullptr;
    QAction* mnuExtAll = nullptr;
    QAction* mnuNewArchive = nullptr;
    QAction* mnuAddFiles = nullptr;
    QWidget* mClientArea = nullptr;
    std::unique_ptr<ProgressBarControl> mProgress;
    std::unique_ptr<frmExtractDir> mDestDialogValue;
    QString mLastPathValue;
    bool mRowSelectedValue = false;
    QPoint mRunScroll; // the list's scroll position when a run began
    bool mWorking = false;
    bool mStopRequested = false; // Esc during a listing or a run
    bool mPlaced = false;
    OpenDialogRunner mOpenDialog;
    FolderDialogRunner mFolderDialog = [](QWidget* parent, const QString& title) {
        return QFileDialog::getExistingDirectory(parent, title);
    };
    SaveDialogRunner mSaveDialog = &RunSaveDialog;
    FilesDialogRunner mFilesDialog = [](QWidget* parent, const QString& title) {
        return QFileDialog::getOpenFileNames(parent, title);
    };
    TextQuestion mAskText = &AskText;
    DestinationPrompt mAskDestination;
    SpaceQuestion mAskSpace;
    EntryExtractor mExtract;
    std::unique_ptr<Extraction> mRun; // the extraction command's run, while one goes on
    bool mShuttingDown = false;
    EventServer mEvents; // served between the rows of an extraction run
    RunFailurePrompt mRunFailurePrompt;
    GatheredFailures mShowGathered;
    QString mRunEntry;       // the entry being extracted, for gathered failures
    QStringList mGathered;   // failures gathered during the run
    bool mGathering = false; // the user asked for the rest at the end
    bool mInRun = false;     // an extraction run is going on
    ErrorReporter mReport = &ShowErrorBox;
    ProgramExit mExitProgram = [] { QCoreApplication::exit(0); };
    FilterBox* mFilterBox = nullptr;
    ListContextMenu* mListMenu = nullptr;
    PreviewWindow* mPreview = nullptr;             // made at the first preview
    std::unique_ptr<QTemporaryDir> mOpenedEntries; // entries handed to other programs, removed with the window
    UrlOpener mOpenUrl;
    PropertiesView mShowProperties;
    bool mBusyShown = false; // between ShowBusy and ShowReady
    QString mArchivePath;    // the archive last listed
};

} // namespace pelkora

#include "ui/frmMain.h"

#include "app/ErrorReport.h"
#include "app/Extraction.h"
#include "app/FreeSpace.h"
#include "app/ModMain.h"
#include "support/Paths.h"
#include "ui/ErrorBox.h"
#include "ui/FileGrid.h"
#include "ui/FilterBox.h"
#include "ui/Startup.h"
#include "ui/StatusBar.h"
#include "ui/Twips.h"
#include "ui/WorkScope.h"
#include "ui/frmExtractDir.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace pelkora {

namespace {

// Layout of the window, in twips.
constexpr int kClientWidth = 9600;
constexpr int kClientHeight = 6000;
constexpr int kToolbarHeight = 420;
constexpr int kStatusHeight = 300;
constexpr int kGridLeft = 15;
constexpr int kGridTop = 465;
constexpr int kBarHeight = 240;
constexpr int kPanel1Width = 5500;
constexpr int kLampWidth = 300;

struct GridColumn {
    const char* header;
    int widthTwips;
    bool number = false; // right-aligned, so that digits line up
};
constexpr GridColumn kColumns[] = {
    {"Name", 2400}, {"Type", 1100}, {"Modified", 1850}, {"Size", 1000, true}, {"Packed", 1000, true},
    {"Ratio", 700, true}, {"Path", 6000}, {"Sort", 0}, // the sort key: zero width, never seen
};
constexpr int kNameColumn = 0;
constexpr int kPathColumn = 6;

const QString kCaption = QStringLiteral("Pelkora");
const QString kBigPattern = QStringLiteral("*.big");
const QChar kPathSeparator = u'/'; // Qt's separator on every platform

// The Extraction of one command's run, alive while the command runs.
class RunScope {
public:
    RunScope(std::unique_ptr<Extraction>& run, const QString& destination, const ErrorReporter& report)
        : mHeld(run)
    {
        if (gBig)
            mHeld = std::make_unique<Extraction>(*gBig, destination, report);
    }
    ~RunScope() { mHeld.reset(); }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    std::unique_ptr<Extraction>& mHeld;
};

} // namespace

void ProgressBarControl::setMaximum(float maximum)
{
    mBar->setMaximum(static_cast<int>(std::lround(maximum)));
}

// A listing sets the value once per entry. Each QProgressBar::setValue costs
// a style query even when nothing moves, so values that would not move the
// bar by a pixel are not passed on; the ends of the range always are.
void ProgressBarControl::setValue(float value)
{
    const int v = static_cast<int>(std::lround(value));
    const qint64 range = qint64(mBar->maximum()) - mBar->minimum();
    const qint64 step = qAbs(qint64(v) - mBar->value());
    if (v == mBar->value())
        return;
    if (range > 0 && v != mBar->minimum() && v != mBar->maximum() && step * std::max(mBar->width(), 1) < range)
        return;
    mBar->setValue(v);
}

frmMain::frmMain()
    : mOpenDialog(&frmMain::RunOpenDialog)
    , mExtract([this](const QString& destination, const QString& name, const QString& path) {
        // Within a run, its Extraction keeps the destination's folders open
        // from row to row.
        if (mRun && mRun->destination() == destination)
            mRun->ExtractListed(name, path);
        else
            ExtractFile(destination, name, path, reporter());
    })
{
    setWindowTitle(kCaption);
    setWindowIcon(ImageList::appIcon());

    buildMenus();
    buildToolbar();
    buildStatusBar();

    // The client area between toolbar and status bar stays empty: Grid1 is
    // placed by hand at its fixed spot, so the window's layout never moves it.
    mClientArea = new QWidget(this);
    setCentralWidget(mClientArea);
    Grid1 = new FileGrid(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    QFont gridFont(QStringLiteral("MS Sans Serif"));
    gridFont.setStyleHint(QFont::SansSerif);
    gridFont.setPointSizeF(8.25);
    gridFont.setWeight(QFont::Normal);
    Grid1->setFont(gridFont);
    // Where the classic font is missing a wider one stands in: the columns
    // grow so that the values they were sized for still fit (a date and time
    // in Modified is the widest of them).
    {
        const int modifiedPixels = TwipsToPixels(kColumns[2].widthTwips);
        const int needed = Grid1->fontMetrics().horizontalAdvance(QStringLiteral("30 Sep 2000 12:00:00")) + 12;
        Grid1->setWidthScale(static_cast<double>(needed) / modifiedPixels);
    }
    Grid1->setGeometry(TwipsToPixels(kGridLeft), menuBar()->sizeHint().height() + TwipsToPixels(kGridTop),
        TwipsToPixels(kClientWidth - 2 * kGridLeft), TwipsToPixels(kClientHeight - kGridTop - kStatusHeight));
    connect(Grid1, &FileGrid::Click, this, &frmMain::Grid1_Click);
    // A keyboard user selects rows too; without this Ctrl+E could never act.
    connect(Grid1, &FileGrid::SelectionMovedByUser, this, [this] { mRowSelectedValue = true; });

    // Laid over the status bar, not managed by the window's layout.
    pbBar = new QProgressBar(this);
    pbBar->setObjectName(QStringLiteral("pbBar"));
    pbBar->setTextVisible(false);
    pbBar->setRange(0, 100);
    const int menuHeight = menuBar()->sizeHint().height();
    pbBar->setGeometry(TwipsToPixels(90), menuHeight + TwipsToPixels(3960), TwipsToPixels(5400),
        TwipsToPixels(kBarHeight));
    pbBar->hide();
    mProgress = std::make_unique<ProgressBarControl>(pbBar, mStopRequested, mShuttingDown);
    // Esc stops a listing or an extraction run between two entries; it is
    // not on a menu and does nothing while the window is idle.
    auto* stop = new QAction(this);
    stop->setObjectName(QStringLiteral("actStop"));
    stop->setShortcut(Qt::Key_Escape);
    stop->setShortcutContext(Qt::WindowShortcut);
    connect(stop, &QAction::triggered, this, [this] {
        if (mWorking)
            mStopRequested = true;
        else if (mFilterBox->hasFocus())
            mFilterBox->clear();
    });
    addAction(stop);

    buildListCommands();
    setTabOrder(tbBar, Grid1);
    // The window may be made as small as the user likes; the layout steps
    // skip what no longer fits.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);

    resize(TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight) + menuHeight);
}

frmMain::~frmMain()
{
    if (gMainForm == this)
        gMainForm = nullptr;
}

void frmMain::buildMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("&Open Big Archive"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    mnuExit = mnuFile->addAction(QStringLiteral("&Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuProperties = mnuFile->addAction(QStringLiteral("&Properties"));
    mnuProperties->setObjectName(QStringLiteral("mnuProperties"));

    mnuActions = menuBar()->addMenu(QStringLiteral("&Actions"));
    mnuActions->setObjectName(QStringLiteral("mnuActions"));
    mnuExtract = mnuActions->addAction(QStringLiteral("&Extract selected file(s)"));
    mnuExtract->setObjectName(QStringLiteral("mnuExtract"));
    mnuExtract->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuExtAll = mnuActions->addAction(QStringLiteral("Extract &All to Directory"));
    mnuExtAll->setObjectName(QStringLiteral("mnuExtAll"));
    mnuExtAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));

    // The shortcuts belong to the window, so they work whatever has focus.
    for (QAction* action : {mnuOpen, mnuExit, mnuExtract, mnuExtAll}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(mnuOpen, &QAction::triggered, this, &frmMain::mnuOpen_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuExtract, &QAction::triggered, this, &frmMain::mnuExtract_Click);
    connect(mnuExtAll, &QAction::triggered, this, &frmMain::mnuExtAll_Click);
    connect(mnuProperties, &QAction::triggered, this, &frmMain::mnuProperties_Click);

    // Writing commands come after the original items.
    buildPackCommands();
}

void frmMain::buildToolbar()
{
    tbBar = addToolBar(QStringLiteral("tbBar"));
    tbBar->setObjectName(QStringLiteral("tbBar"));
    tbBar->setMovable(false);
    tbBar->setFloatable(false);
    tbBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    tbBar->setFixedHeight(TwipsToPixels(kToolbarHeight));
    tbBar->setIconSize(QSize(16, 16));
    tbBar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    const struct {
        const char* key;
        const char* picture;
        const char* tooltip;
    } buttons[] = {
        {"Open", "Open", "Open Big File"},
        {nullptr, nullptr, nullptr}, // separator
        {"Extract", "Extract", "Extract Selected file(s)"},
        {"Extractall", "ExtractAll", "Extract All file(s)"},
    };
    for (const auto& b : buttons) {
        if (!b.key) {
            tbBar->addSeparator();
            continue;
        }
        QAction* button = tbBar->addAction(ilImages.icon(QString::fromLatin1(b.picture)), QString());
        button->setData(QString::fromLatin1(b.key));
        button->setObjectName(QStringLiteral("tb") + QString::fromLatin1(b.key));
        button->setToolTip(QString::fromLatin1(b.tooltip));
    }
    connect(tbBar, &QToolBar::actionTriggered, this, &frmMain::tbBar_ButtonClick);
}

void frmMain::buildStatusBar()
{
    sbStatus = new StatusBar(ilImages, this);
    sbStatus->setObjectName(QStringLiteral("sbStatus"));
    sbStatus->setFixedHeight(TwipsToPixels(kStatusHeight));
    sbStatus->addPanel(kPanel1Width);
    sbStatus->addPanel(kLampWidth);
    sbStatus->addPanel(kLampWidth);
    setStatusBar(sbStatus);
}

void frmMain::Form_Load()
{
    SetupGrid();
    mDestDialogValue = std::make_unique<frmExtractDir>(this);
    mDestDialogValue->hide();
    ShowReady();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

// The first showing lays out too: the window's layout has only now placed
// the menu bar, toolbar and status bar that the grid is measured against.
void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!mPlaced) {
        // Centred on the screen, frame included, at the first showing.
        mPlaced = true;
        FitToScreen();
    }
    Form_Resize();
}

void frmMain::FitToScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A large scale factor or a small screen: the designed size would push
    // the title bar off the screen, so the window starts smaller.
    const QRect area = screen->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize fits(std::min(width(), area.width() - frameExtra.width()),
        std::min(height(), area.height() - frameExtra.height()));
    if (fits != size())
        resize(fits);
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
}

// Sizes come from the window's outer size in twips. A step whose size would
// be negative (a minimised or tiny window) is skipped and the control keeps
// its size.
void frmMain::Form_Resize()
{
    if (!Grid1 || !sbStatus)
        return;
    const QSize outer = frameGeometry().size();
    const int width = PixelsToTwips(outer.width());
    const int height = PixelsToTwips(outer.height());

    // Grid1 stays at left 15, top 465 of the client area (below the menu bar).
    const int clientTop = menuWidget() && !menuWidget()->isHidden() ? menuWidget()->height() : 0;
    Grid1->move(TwipsToPixels(kGridLeft), clientTop + TwipsToPixels(kGridTop));

    const int gridWidth = width - 150;
    if (gridWidth >= 0)
        Grid1->resize(TwipsToPixels(gridWidth), Grid1->height());
    const int gridHeight = height - kGridTop - PixelsToTwips(sbStatus->height()) - PixelsToTwips(tbBar->height()) - 275;
    if (gridHeight >= 0)
        Grid1->resize(Grid1->width(), TwipsToPixels(gridHeight));
    const int panel1Width = width - (sbStatus->panelWidth(2) + sbStatus->panelWidth(3)) - 450;
    if (panel1Width >= 0)
        sbStatus->setPanelWidth(1, panel1Width);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
    Form_Unload();
}

void frmMain::Form_QueryUnload()
{
    mDestDialogValue.reset();
}

void frmMain::Form_Unload()
{
    ShutDown();
}

void frmMain::ShowReady()
{
    mBusyShown = false;
    updateFilterStatus();
    sbStatus->setPanelPicture(2, QStringLiteral("Green"));
    sbStatus->setPanelPicture(3, QStringLiteral("Gray"));
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void frmMain::ShowBusy()
{
    mBusyShown = true;
    updateFilterStatus();
    sbStatus->setPanelPicture(2, QStringLiteral("Gray"));
    sbStatus->setPanelPicture(3, QStringLiteral("Red"));
    const QCursor* cursor = QApplication::overrideCursor();
    if (!cursor || cursor->shape() != Qt::WaitCursor)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void frmMain::SetupProgress(std::int32_t n)
{
    pbBar->move(sbStatus->x() + TwipsToPixels(sbStatus->panelLeft(1)), sbStatus->y() + TwipsToPixels(50));
    pbBar->resize(TwipsToPixels(std::max(sbStatus->panelWidth(1) - 10, 0)), TwipsToPixels(kBarHeight));
    pbBar->raise();
    pbBar->setMinimum(0);
    mProgress->setMaximum(static_cast<float>(n));
}

void frmMain::SetupGrid()
{
    Grid1->setPainting(false);
    Grid1->Clear();
    Grid1->setRows(1);
    Grid1->setCols(static_cast<int>(std::size(kColumns)));
    Grid1->setRow(0);
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
        Grid1->setCol(c);
        Grid1->setText(QString::fromLatin1(kColumns[c].header));
        Grid1->setColWidth(c, kColumns[c].widthTwips);
        Grid1->setColAlignment(c, (kColumns[c].number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    Grid1->setCol(0);
    Grid1->setPainting(true);
    ReleaseBig();
    mFilterBox->forget();
    mRowSelectedValue = false;
}

void frmMain::Grid1_Click()
{
    mRowSelectedValue = true;
}

void frmMain::OpenFile(const QString& filename)
{
    // Only the last three characters count, in any letter case.
    if (filename.right(3).toLower() != QStringLiteral("big"))
        return;
    if (mWorking)
        return;
    WorkScope scope(mWorking, mStopRequested);
    ShowBusy();
    SetupGrid();
    SetupProgress(1);
    pbBar->show();
    repaint();
    LoadBigFile(filename, *Grid1, *mProgress, reporter());
    mArchivePath = filename;
    mFilterBox->takeListedNames();
    mFilterBox->apply();
    pbBar->hide();
    ShowReady();
    setWindowTitle(kCaption + QStringLiteral(" - ") + filename);
    mRowSelectedValue = false;
}

QString frmMain::RunOpenDialog(QWidget* parent, const QString& title, const QString& fileName, const QString& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(filter);
    dialog.setDirectory(QFileInfo(fileName).path());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return fileName; // cancelled: the name stays as it was set
    return dialog.selectedFiles().constFirst();
}

void frmMain::mnuOpen_Click()
{
    if (mWorking)
        return;
    if (mLastPathValue.isEmpty())
        mLastPathValue = QCoreApplication::applicationDirPath() + kPathSeparator + kBigPattern;
    const QString startName = SplitAtLast(mLastPathValue, false, kPathSeparator) + kPathSeparator + kBigPattern;
    const QString chosen = mOpenDialog(this, QStringLiteral("Open"), startName, QStringLiteral("Big file (*.big)"));
    // A cancelled dialog leaves the pattern name; a typed pattern opens nothing.
    if (chosen.isEmpty() || chosen.right(5) == kBigPattern)
        return;
    mLastPathValue = chosen;
    OpenFile(chosen);
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::tbBar_ButtonClick(QAction* button)
{
    const QString key = button ? button->data().toString() : QString();
    if (key == QStringLiteral("Open"))
        mnuOpen_Click();
    else if (key == QStringLiteral("Extract"))
        mnuExtract_Click();
    else if (key == QStringLiteral("Extractall"))
        mnuExtAll_Click();
}

bool frmMain::askDestination(QString& destination)
{
    if (mAskDestination)
        return mAskDestination(destination);
    if (!mDestDialogValue || !mDestDialogValue->Display(0))
        return false;
    destination = mDestDialogValue->Dir();
    return true;
}

bool frmMain::roomFor(const QString& destination, int first, int last)
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(std::max(last - first + 1, 0)));
    for (int row = first; row <= last; ++row)
        rows.push_back(row);
    return roomFor(destination, rows);
}

bool frmMain::roomFor(const QString& destination, const std::vector<int>& rows)
{
    if (!gBig)
        return true;
    QStringList names;
    names.reserve(static_cast<qsizetype>(rows.size()));
    // Read without moving the current cell, which would scroll the view.
    for (const int row : rows)
        names << Grid1->TextMatrix(row, kPathColumn) + Grid1->TextMatrix(row, kNameColumn);
    const qint64 needed = UnpackedBytesOf(*gBig, names);
    const qint64 available = FreeBytesAt(destination);
    if (available < 0 || needed <= available)
        return true;
    const QString text = ShortOfSpaceText(needed, available, destination) + QStringLiteral(" Extract anyway?");
    if (mAskSpace)
        return mAskSpace(text);
    return QMessageBox::warning(this, QStringLiteral("Extract To"), text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No)
        == QMessageBox::Yes;
}

bool frmMain::ShowRunFailureBox(QWidget* parent, const QString& title, const QString& text)
{
    // The report's lines are separated by CR LF; the box breaks at LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const auto box = MakeErrorBox(title, shown, parent);
    QPushButton* rest = box->addButton(QStringLiteral("Report the rest at the end"), QMessageBox::AcceptRole);
    box->exec();
    return box->clickedButton() == rest;
}

namespace {

// The number and description of a report ("Error Number: N", "Description: D").
QString gatheredLine(const QString& entry, const QString& text)
{
    QString number;
    QString description;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QLatin1String("Error Number: ")))
            number = line.mid(14);
        else if (line.startsWith(QLatin1String("Description: ")))
            description = line.mid(13);
    }
    return entry + u'\t' + number + u'\t' + description;
}

} // namespace

ErrorReporter frmMain::reporter()
{
    return [this](const QString& title, const QString& text) { report(title, text); };
}

void frmMain::report(const QString& title, const QString& text)
{
    // In a run, the first failure may ask to gather the rest for its end.
    if (mInRun && mGathering)
        mGathered << gatheredLine(mRunEntry, text);
    else if (mInRun && mRunFailurePrompt)
        mGathering = mRunFailurePrompt(title, text);
    else if (mReport)
        mReport(title, text);
}

void frmMain::exitProgram()
{
    if (mExitProgram)
        mExitProgram();
}

void frmMain::beginRun(std::int32_t progressMaximum)
{
    mGathered.clear();
    mGathering = false;
    mInRun = true;
    ShowBusy();
    SetupProgress(progressMaximum);
    pbBar->show();
    repaint();
    mRunScroll = {Grid1->horizontalScrollBar()->value(), Grid1->verticalScrollBar()->value()};
    Grid1->setPainting(false);
}

// One dialog for the failures of a run, their lines selectable to copy.
void frmMain::showGatheredFailures(const QStringList& lines)
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("dlgRunFailures"));
    dialog.setWindowTitle(kErrorTitle);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        QStringLiteral("%1 more entries could not be extracted (entry, error number, description):").arg(lines.size()),
        &dialog));
    auto* list = new QPlainTextEdit(lines.join(u'\n'), &dialog);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(TwipsToPixels(9000), TwipsToPixels(4500));
    dialog.exec();
}

void frmMain::endRun()
{
    mInRun = false;
    if (!mGathered.isEmpty()) {
        const QStringList lines = std::exchange(mGathered, {});
        if (mShowGathered)
            mShowGathered(lines);
        else
            showGatheredFailures(lines);
    }
    mGathering = false;
    Grid1->setPainting(true);
    // The run stepped the current cell through the rows without the user:
    // the view stays where the user left it.
    Grid1->horizontalScrollBar()->setValue(mRunScroll.x());
    Grid1->verticalScrollBar()->setValue(mRunScroll.y());
    pbBar->hide();
    ShowReady();
}

void frmMain::readRow(int row, QString& name, QString& path)
{
    Grid1->setRow(row);
    Grid1->setCol(kNameColumn);
    name = Grid1->Text();
    Grid1->setCol(kPathColumn);
    path = Grid1->Text();
}

void frmMain::mnuExtract_Click()
{
    if (mWorking || !mRowSelectedValue || Grid1->Rows() == 1)
        return;
    QString destination;
    if (!askDestination(destination))
        return;
    int first = Grid1->Row();
    int last = Grid1->RowSel();
    if (last < first)
        std::swap(first, last);
    // The header row is no entry, and rows the filter hides are not
    // selected.
    const std::vector<int> rows = Grid1->shownRowsBetween(first, last);
    if (!roomFor(destination, rows))
        return;
    WorkScope scope(mWorking, mStopRequested);
    const RunScope run(mRun, destination, reporter());
    beginRun(static_cast<std::int32_t>(rows.size()));
    int counter = 0;
    for (auto at = rows.begin(); at != rows.end() && !mShuttingDown && !mStopRequested; ++at) {
        const int row = *at;
        mProgress->setValue(static_cast<float>(counter));
        QString name, path;
        readRow(row, name, path);
        mRunEntry = path + name;
        mExtract(destination, name, path);
        ++counter;
        mEvents.serve();
    }
    endRun();
}

void frmMain::mnuExtAll_Click()
{
    if (mWorking || Grid1->Rows() == 1)
        return;
    QString destination;
    if (!askDestination(destination))
        return;
    const int rows = Grid1->Rows();
    if (!roomFor(destination, 1, rows - 1))
        return;
    WorkScope scope(mWorking, mStopRequested);
    const RunScope run(mRun, destination, reporter());
    beginRun(rows);
    for (int row = 1; row < rows && !mShuttingDown && !mStopRequested; ++row) {
        mProgress->setValue(static_cast<float>(row));
        QString name, path;
        readRow(row, name, path);
        mRunEntry = path + name;
        mExtract(destination, name, path);
        mEvents.serve();
    }
    endRun();
}

} // namespace pelkora

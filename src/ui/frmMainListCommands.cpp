// The window's commands on the list's rows beyond the menus': the filter
// field, the context menu with preview, open, copy and select, dropping an
// archive on the window, and the archive's properties.
#include "app/ArchiveInfo.h"
#include "app/ErrorReport.h"
#include "app/ExtractEntry.h"
#include "app/Extraction.h"
#include "app/ListRow.h"
#include "app/ModMain.h"
#include "ui/FileGrid.h"
#include "ui/FilterBox.h"
#include "ui/ListContextMenu.h"
#include "ui/PreviewWindow.h"
#include "ui/StatusBar.h"
#include "ui/Twips.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace pelkora {

void frmMain::buildListCommands()
{
    mOpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    mFilterBox = new FilterBox(*Grid1, tbBar);
    connect(mFilterBox, &FilterBox::applied, this, &frmMain::updateFilterStatus);
    auto* findAction = new QAction(this);
    findAction->setObjectName(QStringLiteral("actFilter"));
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    findAction->setShortcutContext(Qt::WindowShortcut);
    connect(findAction, &QAction::triggered, this, [this] {
        mFilterBox->setFocus(Qt::ShortcutFocusReason);
        mFilterBox->selectAll();
    });
    addAction(findAction);

    mListMenu = new ListContextMenu(this);
    Grid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Grid1, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& at) { mListMenu->popup(Grid1->viewport()->mapToGlobal(at)); });
    // Space and Return act on the list while it has the focus.
    Grid1->addAction(mListMenu->preview());
    Grid1->addAction(mListMenu->open());
    connect(mListMenu->preview(), &QAction::triggered, this, [this] { previewRow(currentEntryRow()); });
    connect(mListMenu->open(), &QAction::triggered, this, [this] { openRow(currentEntryRow()); });
    connect(mListMenu->extractSelected(), &QAction::triggered, this, &frmMain::mnuExtract_Click);
    connect(mListMenu->copyName(), &QAction::triggered, this, &frmMain::copySelectedNames);
    connect(mListMenu->selectAllShown(), &QAction::triggered, this, &frmMain::selectAllShown);
    connect(Grid1, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex& index) { previewRow(Grid1->gridModel().gridRowOf(index.row())); });

    setAcceptDrops(true);
}

// The first panel says how much of the list the filter shows, except while
// work runs (the progress bar lies over it then).
void frmMain::updateFilterStatus()
{
    const bool shown = mFilterBox && mFilterBox->active() && !mBusyShown;
    sbStatus->setPanelText(1,
        shown ? QStringLiteral("%1 of %2 entries")
                    .arg(FormatCount(mFilterBox->shownCount()), FormatCount(mFilterBox->listedCount()))
              : QString());
}

int frmMain::currentEntryRow() const
{
    const int row = Grid1->RowSel();
    return row >= 1 && Grid1->rowShown(row) ? row : 0;
}

QString frmMain::fullNameOf(int row) const
{
    return Grid1->TextMatrix(row, ColPath) + Grid1->TextMatrix(row, ColName);
}

void frmMain::previewRow(int row)
{
    if (mWorking || !gBig || row < 1 || row >= Grid1->Rows())
        return;
    const QString fullName = fullNameOf(row);
    const std::int32_t id = gBig->FindFullName(fullName);
    if (id < 0)
        return;
    if (!mPreview)
        mPreview = new PreviewWindow(this);
    mPreview->preview(gBig->Directory(), id, fullName);
    mPreview->show();
    mPreview->raise();
}

void frmMain::openRow(int row)
{
    if (mWorking || !gBig || row < 1 || row >= Grid1->Rows())
        return;
    if (!mOpenedEntries) {
        mOpenedEntries = std::make_unique<QTemporaryDir>();
        if (!mOpenedEntries->isValid()) {
            ReportCaughtError(reporter(), kExtractHeadline, QStringLiteral("Open"), failure::PathAccess,
                QStringLiteral("No temporary folder can be made: %1").arg(mOpenedEntries->errorString()));
            mOpenedEntries.reset();
            return;
        }
    }
    const QString destination = mOpenedEntries->path() + u'/';
    bool failed = false;
    Extraction(*gBig, destination, [this, &failed](const QString& title, const QString& text) {
        failed = true;
        report(title, text);
    }).ExtractListed(Grid1->TextMatrix(row, ColName), Grid1->TextMatrix(row, ColPath));
    if (failed)
        return;
    const QString written = ExtractRoot(destination) + QString(fullNameOf(row)).replace(u'\\', u'/');
    mOpenUrl(QUrl::fromLocalFile(written));
}

void frmMain::copySelectedNames()
{
    QStringList names;
    for (const int row :
        Grid1->shownRowsBetween(std::min(Grid1->Row(), Grid1->RowSel()), std::max(Grid1->Row(), Grid1->RowSel())))
        names << fullNameOf(row);
    if (!names.isEmpty())
        QGuiApplication::clipboard()->setText(names.join(u'\n'));
}

void frmMain::selectAllShown()
{
    if (mWorking)
        return;
    const FileGridModel& model = Grid1->gridModel();
    const int first = model.firstShownFrom(1);
    const int last = model.lastShownUpTo(Grid1->Rows() - 1);
    if (first < 1 || last < first)
        return;
    Grid1->setCol(ColName);
    Grid1->setRow(first);
    Grid1->setColSel(ColPath);
    Grid1->setRowSel(last);
    mRowSelectedValue = true;
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !event->mimeData()->urls().constFirst().toLocalFile().isEmpty())
        event->acceptProposedAction();
}

// A dropped file opens as the Open command's choice does, screened by
// OpenFile; while work runs it is refused like every command.
void frmMain::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || mWorking)
        return;
    event->acceptProposedAction();
    const QString path = urls.constFirst().toLocalFile();
    if (!path.isEmpty())
        OpenFile(path);
}

void frmMain::mnuProperties_Click()
{
    if (mWorking || !gBig || !gBig->Loaded())
        return;
    const QString text = ArchiveInfoText(*gBig, mArchivePath);
    if (mShowProperties) {
        mShowProperties(text);
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("dlgProperties"));
    dialog.setWindowTitle(QStringLiteral("Properties"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* view = new QPlainTextEdit(text, &dialog);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(TwipsToPixels(9000), TwipsToPixels(4500));
    dialog.exec();
}

} // namespace pelkora

// The window's commands that write archives: New Archive from Folder, and
// Add or Replace Files, which writes the open archive with the chosen files
// put in to a new archive the user names.
#include "app/ErrorReport.h"
#include "app/ListRow.h"
#include "app/ModMain.h"
#include "app/PackArchive.h"
#include "app/UpdateArchive.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "lzss/LzssEncoder.h"
#include "ui/FileGrid.h"
#include "ui/WorkScope.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>

#include <sys/stat.h>

namespace pelkora {
namespace {

// "data/maps/" or "\data\maps" as the archive names the folder: "data\maps".
QString archiveFolderOf(QString text)
{
    text.replace(u'/', u'\\');
    while (text.startsWith(u'\\'))
        text.remove(0, 1);
    while (text.endsWith(u'\\'))
        text.chop(1);
    return text;
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

void frmMain::buildPackCommands()
{
    mnuNewArchive = mnuFile->addAction(QStringLiteral("&New Archive from Folder..."));
    mnuNewArchive->setObjectName(QStringLiteral("mnuNewArchive"));
    connect(mnuNewArchive, &QAction::triggered, this, &frmMain::mnuNewArchive_Click);
    mnuAddFiles = mnuActions->addAction(QStringLiteral("Add or &Replace Files..."));
    mnuAddFiles->setObjectName(QStringLiteral("mnuAddFiles"));
    connect(mnuAddFiles, &QAction::triggered, this, &frmMain::mnuAddFiles_Click);
}

QString frmMain::RunSaveDialog(QWidget* parent, const QString& title, const QString& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("big"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> frmMain::AskText(QWidget* parent, const QString& title, const QString& label,
    const QString& text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

void frmMain::reportPacking(const QStringList& messages)
{
    ShowErrorReport(reporter(), kPackHeadline + QStringLiteral("\r\n\r\n") + messages.join(QStringLiteral("\r\n")));
}

bool frmMain::runPacking(const QString& target, std::int32_t count, const PackWork& work, QStringList& messages)
{
    bool written = false;
    bool failed = false;
    {
        WorkScope scope(mWorking, mStopRequested);
        beginRun(count);
        try {
            written = work(
                [this](int done, int, const QString&) {
                    mProgress->setValue(static_cast<float>(done - 1));
                    mEvents.serve();
                },
                [this] { return mStopRequested || mShuttingDown; });
        } catch (const BigRuntimeError& failure) {
            messages.prepend(failure.description());
            failed = true;
        }
        endRun();
    }
    if (failed)
        messages.prepend(QStringLiteral("Nothing was written to %1.").arg(target));
    if (!messages.isEmpty())
        reportPacking(messages);
    return written && !mShuttingDown;
}

void frmMain::mnuNewArchive_Click()
{
    if (mWorking)
        return;
    const QString folder = mFolderDialog(this, QStringLiteral("New Archive from Folder"));
    if (folder.isEmpty())
        return;
    const QString target = mSaveDialog(this, QStringLiteral("Save New Archive As"), QStringLiteral("Big file (*.big)"));
    if (target.isEmpty())
        return;

    // Skipped links and refusals are shown together, one line each.
    QStringList messages;
    const PackMessage note = [&messages](const QString& what, const QString& reason) {
        messages << what + QStringLiteral(": ") + reason;
    };
    std::vector<PackInput> inputs;
    bool usable = CollectPackInputs({folder}, false, note, inputs);
    usable = !ReportOutputAmongInputs(target, inputs, note) && usable;
    if (!usable) {
        reportPacking(messages);
        return;
    }
    const bool written = runPacking(
        target, static_cast<std::int32_t>(inputs.size()),
        [&](const PackProgress& progress, const PackStop& stop) {
            return WriteNewArchive(target, inputs, kLzssDefaultLevel, progress, stop);
        },
        messages);
    if (written)
        OpenFile(target);
}

void frmMain::mnuAddFiles_Click()
{
    if (mWorking || !gBig || mArchivePath.isEmpty())
        return;
    const std::shared_ptr<const BigDirectory> directory = gBig->Directory();
    if (!directory)
        return;
    const QString title = QStringLiteral("Add or Replace Files");
    const QStringList files = mFilesDialog(this, title);
    if (files.isEmpty())
        return;
    // The files go into the folder of the entry the user picked in the
    // list, unless they name another.
    QString current;
    if (const int row = mRowSelectedValue ? currentEntryRow() : 0)
        current = archiveFolderOf(Grid1->TextMatrix(row, ColPath));
    const std::optional<QString> answer =
        mAskText(this, title, QStringLiteral("Folder in the archive (empty for the top level):"), current);
    if (!answer)
        return;
    const QString folder = archiveFolderOf(*answer);
    const QString target =
        mSaveDialog(this, QStringLiteral("Save Updated Archive As"), QStringLiteral("Big file (*.big)"));
    if (target.isEmpty())
        return;

    QStringList messages;
    const PackMessage note = [&messages](const QString& what, const QString& reason) {
        messages << what + QStringLiteral(": ") + reason;
    };
    // The open archive stays as it is: the update always goes to a new file.
    if (sameFile(target, mArchivePath)) {
        note(target, QStringLiteral("refused, it is the open archive; choose a new name."));
        reportPacking(messages);
        return;
    }
    std::vector<PackInput> inputs;
    bool usable = CollectPackInputs(files, false, note, inputs, folder);
    usable = !ReportOutputAmongInputs(target, inputs, note) && usable;
    usable = !ReportOutputAmongInputs(mArchivePath, inputs, note) && usable;
    UpdatePlan plan;
    if (usable) {
        try {
            usable = PlanUpdate(*directory, mArchivePath, inputs, {}, note, plan);
        } catch (const BigRuntimeError& failure) {
            note(mArchivePath, failure.description());
            usable = false;
        }
    }
    if (!usable) {
        messages.prepend(QStringLiteral("Nothing was written to %1.").arg(target));
        reportPacking(messages);
        return;
    }
    const bool written = runPacking(
        target, static_cast<std::int32_t>(plan.entries.size()),
        [&](const PackProgress& progress, const PackStop& stop) {
            return WriteUpdatedArchive(target, *directory, plan, kLzssDefaultLevel, progress, stop);
        },
        messages);
    if (written)
        OpenFile(target);
}

} // namespace pelkora

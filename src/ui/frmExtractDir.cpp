#include "ui/frmExtractDir.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace pelkora {
namespace {

// Client area and controls, in twips (1440 per inch).
constexpr int kClientWidth = 6705;
constexpr int kClientHeight = 2790;
struct TwipsRect {
    int left, top, width, height;
};
constexpr TwipsRect kLabel1{90, 210, 1125, 180};
constexpr TwipsRect kDrives{1230, 165, 3150, 315};
constexpr TwipsRect kOK{5205, 540, 1425, 315};
constexpr TwipsRect kCancel{5205, 960, 1425, 315};
constexpr TwipsRect kFolders{90, 585, 4980, 2115};

// Kernel and virtual file systems are not places to extract to.
bool isPseudoFileSystem(const QByteArray& type)
{
    static const QSet<QByteArray> pseudo = {"proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup",
        "cgroup2", "securityfs", "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "pstore", "bpf",
        "autofs", "binfmt_misc", "rpc_pipefs", "nsfs", "efivarfs", "selinuxfs", "squashfs", "fuse.gvfsd-fuse",
        "fuse.portal"};
    return pseudo.contains(type);
}

bool isReadableFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && QDir(path).isReadable();
}

QString driveText(const QStorageInfo& volume)
{
    const QString root = QDir::toNativeSeparators(volume.rootPath());
    const QString label = volume.displayName() != volume.rootPath() ? volume.displayName() : QString();
    return label.isEmpty() ? root : QStringLiteral("%1 [%2]").arg(root, label);
}

} // namespace

// Shows the open folder in bold, as the platform's folder lists mark it.
class FolderList::OpenFolderModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    void setOpenFolder(const QString& path)
    {
        const QModelIndex before = index(mOpenFolder);
        mOpenFolder = path;
        if (before.isValid())
            emit dataChanged(before, before, {Qt::FontRole});
        const QModelIndex after = index(mOpenFolder);
        if (after.isValid())
            emit dataChanged(after, after, {Qt::FontRole});
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::FontRole && index.column() == 0 && !mOpenFolder.isEmpty() && filePath(index) == mOpenFolder) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QFileSystemModel::data(index, role);
    }

private:
    QString mOpenFolder; // Qt form ("/" separators)
};

FolderList::FolderList(QWidget* parent)
    : QTreeView(parent)
    , mModel(new OpenFolderModel(this))
{
    mModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    mModel->setReadOnly(true);
    mModel->setRootPath(QString());
    setModel(mModel);
    for (int column = 1; column < mModel->columnCount(); ++column)
        hideColumn(column);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    connect(this, &QAbstractItemView::doubleClicked, this, &FolderList::Folders_DblClick);
    // "New Folder" (F7, or the context menu) makes a folder in the open one
    // and opens it.
    mNewFolder = new QAction(QStringLiteral("New Folder"), this);
    mNewFolder->setObjectName(QStringLiteral("actNewFolder"));
    mNewFolder->setShortcut(Qt::Key_F7);
    mNewFolder->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(mNewFolder, &QAction::triggered, this, [this] { NewFolder(); });
    addAction(mNewFolder);
    // Folders are read and sorted in the background, which moves the rows:
    // the open folder is brought back into view until the user takes over.
    const auto follow = [this] {
        if (mFollowOpenFolder && !mPath.isEmpty())
            scrollTo(indexOf(mPath), QAbstractItemView::PositionAtCenter);
    };
    connect(mModel, &QFileSystemModel::directoryLoaded, this, follow);
    connect(mModel, &QAbstractItemModel::layoutChanged, this, follow);
    connect(mModel, &QAbstractItemModel::rowsInserted, this, follow);
}

void FolderList::showEvent(QShowEvent* event)
{
    mModel->setOption(QFileSystemModel::DontWatchForChanges, false);
    QTreeView::showEvent(event);
    mFollowOpenFolder = true;
    scrollTo(indexOf(mPath), QAbstractItemView::PositionAtCenter);
}

// A hidden list need not follow the disk. Left watching, it would re-read
// the destination for every file an extraction run writes there.
void FolderList::hideEvent(QHideEvent* event)
{
    mModel->setOption(QFileSystemModel::DontWatchForChanges, true);
    QTreeView::hideEvent(event);
}

bool FolderList::watchesForChanges() const
{
    return !mModel->testOption(QFileSystemModel::DontWatchForChanges);
}

void FolderList::mousePressEvent(QMouseEvent* event)
{
    mFollowOpenFolder = false;
    QTreeView::mousePressEvent(event);
}

void FolderList::wheelEvent(QWheelEvent* event)
{
    mFollowOpenFolder = false;
    QTreeView::wheelEvent(event);
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    mFollowOpenFolder = false;
    // Return opens the highlighted folder, as a double click does, so the
    // destination can be chosen without a mouse. It never presses OK.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (currentIndex().isValid())
            Folders_DblClick(currentIndex());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F7 && event->modifiers() == Qt::NoModifier) {
        NewFolder(); // when the shortcut did not take the key first
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void FolderList::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(mNewFolder);
    menu.exec(event->globalPos());
}

QString FolderList::NewFolder()
{
    if (mPath.isEmpty())
        return {};
    const QDir open(mPath);
    QString name = QStringLiteral("New Folder");
    for (int n = 2; open.exists(name); ++n)
        name = QStringLiteral("New Folder %1").arg(n);
    if (!open.mkdir(name) || !setPath(open.filePath(name))) {
        QApplication::beep();
        return {};
    }
    return mPath;
}

QModelIndex FolderList::indexOf(const QString& path) const
{
    return mModel->index(QDir::cleanPath(QDir::fromNativeSeparators(path)));
}

bool FolderList::setPath(const QString& path)
{
    if (path.isEmpty() || !isReadableFolder(path))
        return false;
    const QString clean = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
    const QModelIndex index = mModel->index(clean);
    if (!index.isValid())
        return false;
    mPath = QDir::toNativeSeparators(clean);
    mModel->setOpenFolder(clean);
    // The list shows folder names only: the whole path is told on hovering
    // and to screen readers.
    setToolTip(mPath);
    setAccessibleDescription(mPath);
    // The folders above stay expanded down to the open one, which shows the
    // folders inside it.
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        expand(up);
    setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    mFollowOpenFolder = true;
    emit PathChange();
    return true;
}

void FolderList::Folders_DblClick(const QModelIndex& index)
{
    if (!setPath(mModel->filePath(index)))
        QApplication::beep();
}

frmExtractDir::frmExtractDir(QWidget* parent)
    : QDialog(parent)
    , Label1(new QLabel(QStringLiteral("Extract To:"), this))
    , Drives(new QComboBox(this))
    , cmdOK(new QPushButton(QStringLiteral("OK"), this))
    , cmdCancel(new QPushButton(QStringLiteral("Cancel"), this))
    , Folders(new FolderList(this))
{
    setWindowTitle(QStringLiteral("Extract To"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Twips(kClientWidth), Twips(kClientHeight));
    Label1->setObjectName(QStringLiteral("Label1"));
    Drives->setObjectName(QStringLiteral("Drives"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    Folders->setObjectName(QStringLiteral("Folders"));
    for (auto [widget, rect] : {std::pair<QWidget*, TwipsRect>{Label1, kLabel1}, {Drives, kDrives}, {cmdOK, kOK},
             {cmdCancel, kCancel}, {Folders, kFolders}})
        widget->setGeometry(Twips(rect.left), Twips(rect.top), Twips(rect.width), Twips(rect.height));
    // The twips were drawn for a small dialog font: with a larger one the
    // label grows to its text and the drive list gives way beside it.
    const QSize labelNeeds = Label1->sizeHint();
    if (labelNeeds.width() > Label1->width() || labelNeeds.height() > Label1->height()) {
        const int drivesRight = Drives->geometry().right();
        QRect label = Label1->geometry();
        label.setWidth(std::max(label.width(), labelNeeds.width()));
        label.setHeight(std::max(label.height(), labelNeeds.height()));
        label.moveCenter(QPoint(label.center().x(), Drives->geometry().center().y()));
        Label1->setGeometry(label);
        const int drivesLeft = std::max(Drives->x(), label.right() + Twips(15));
        Drives->setGeometry(drivesLeft, Drives->y(), std::max(drivesRight - drivesLeft + 1, Twips(600)),
            Drives->height());
    }

    // Neither button answers Enter; Esc is switched off in keyPressEvent.
    for (QPushButton* button : {cmdOK, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Label1->setFocusPolicy(Qt::NoFocus);
    setTabOrder(Drives, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, Folders);

    connect(cmdOK, &QPushButton::clicked, this, &frmExtractDir::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmExtractDir::cmdCancel_Click);
    connect(Drives, &QComboBox::activated, this, &frmExtractDir::Drives_Change);
    connect(Folders, &FolderList::PathChange, this, [this] {
        mDriveFolders.insert(QStorageInfo(Folders->Path()).rootPath(), Folders->Path());
        ShowDriveOf(Folders->Path());
    });

    // The first showing opens the process's current folder.
    FillDrives();
    for (const QString& start : {QDir::currentPath(), QDir::homePath(), QDir::rootPath()}) {
        if (Folders->setPath(start))
            break;
    }
    Drives->setFocus();
}

int frmExtractDir::Twips(int twips) const
{
    return qRound(twips * logicalDpiX() / 1440.0);
}

void frmExtractDir::FillDrives()
{
    Drives->clear();
    QList<QStorageInfo> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !isPseudoFileSystem(volume.fileSystemType()))
            volumes << volume;
    }
    std::sort(volumes.begin(), volumes.end(),
        [](const QStorageInfo& a, const QStorageInfo& b) { return a.rootPath() < b.rootPath(); });
    for (const QStorageInfo& volume : volumes) {
        if (Drives->findData(volume.rootPath()) < 0)
            Drives->addItem(driveText(volume), volume.rootPath());
    }
}

// The drive list shows the drive of `path`, added when the filter left it out
// (a folder on a RAM disk, for example).
void frmExtractDir::ShowDriveOf(const QString& path)
{
    const QStorageInfo volume(path);
    const QString root = volume.isValid() ? volume.rootPath() : QDir::rootPath();
    int at = Drives->findData(root);
    if (at < 0) {
        Drives->addItem(driveText(volume), root);
        at = Drives->count() - 1;
    }
    Drives->setCurrentIndex(at);
}

bool frmExtractDir::Display(int /*aType*/)
{
    CenterOnScreen();
    Drives->setFocus();
    exec();
    return mConfirmed;
}

QString frmExtractDir::Dir() const
{
    return mChosenDir + QDir::separator();
}

void frmExtractDir::CenterOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame's size is known once the native window exists.
    if (!testAttribute(Qt::WA_WState_Created))
        create();
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry();
    const QSize frameExtra = frame.size() - size();
    int width = frame.width();
    int height = frame.height();
    if (width > area.width() || height > area.height()) {
        width = std::min(width, area.width());
        height = std::min(height, area.height());
        setFixedSize(width - frameExtra.width(), height - frameExtra.height());
    }
    move(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2);
}

void frmExtractDir::cmdOK_Click()
{
    mChosenDir = Folders->Path();
    mConfirmed = true;
    hide();
}

void frmExtractDir::cmdCancel_Click()
{
    mConfirmed = false;
    hide();
}

void frmExtractDir::Drives_Change()
{
    const QString root = Drives->currentData().toString();
    const QString folder = mDriveFolders.value(root, root);
    // A drive that cannot be read (no medium, a share that is gone) leaves
    // the folder list, and the drive list with it, where they were.
    if (!Folders->setPath(folder) && !Folders->setPath(root)) {
        ShowDriveOf(Folders->Path());
        QApplication::beep();
    }
}

void frmExtractDir::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void frmExtractDir::reject()
{
}

// A close by the frame is a Cancel: nothing was confirmed this time.
void frmExtractDir::closeEvent(QCloseEvent* event)
{
    mConfirmed = false;
    event->accept();
    QDialog::done(QDialog::Rejected);
}

} // namespace pelkora

#pragma once
// The modal "Extract To" dialog: a drive list and a folder list. The main
// window creates it hidden once and keeps it, so each use starts on the drive
// and folder the user left it on.

#include <QComboBox>
#include <QDialog>
#include <QFileSystemModel>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTreeView>

class QAction;

namespace pelkora {

// The folder list: the open folder with the folders above and inside it.
// Double-clicking a folder opens it; a single click only highlights it.
class FolderList : public QTreeView {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The open folder (native separators), not the highlighted one.
    QString Path() const { return mPath; }
    // Opens `path`; false, with nothing changed, when it is not a folder that
    // can be read.
    bool setPath(const QString& path);
    // The index of a folder in the list (for tests and the dialog).
    QModelIndex indexOf(const QString& path) const;
    // Makes "New Folder" (or "New Folder 2", ...) in the open folder and opens
    // it; its path, or empty when it could not be made.
    QString NewFolder();
    // Whether the list follows changes on disk (only while it is shown).
    bool watchesForChanges() const;

signals:
    void PathChange();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Folders_DblClick(const QModelIndex& index);

    class OpenFolderModel;
    OpenFolderModel* mModel;
    QString mPath;
    bool mFollowOpenFolder = true;
    QAction* mNewFolder = nullptr;
};

class frmExtractDir : public QDialog {
    Q_OBJECT
public:
    explicit frmExtractDir(QWidget* parent = nullptr);

    // Shows the dialog modally; true when the user confirmed a folder with OK,
    // false after Cancel or a close by the frame.
    bool Display(int aType);
    // The confirmed folder followed by the native separator.
    QString Dir() const;

    // The controls, in tab order (Label1 takes no focus).
    QLabel* Label1;
    QComboBox* Drives;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    FolderList* Folders;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    // Esc is not bound to Cancel: QDialog's own Esc handling ends here.
    void reject() override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void Drives_Change();
    void CenterOnScreen();
    void FillDrives();
    void ShowDriveOf(const QString& path);
    int Twips(int twips) const;

    QString mChosenDir;
    bool mConfirmed = false;
    // The folder last open on each drive, so that choosing a drive again
    // returns to it (a drive's "current folder").
    QHash<QString, QString> mDriveFolders;
};

} // namespace pelkora

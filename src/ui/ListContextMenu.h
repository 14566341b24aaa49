#pragma once
// The list's context menu: Preview, Open, Extract selected..., Copy name and
// Select all shown. Its actions only carry captions and names (actPreview,
// actOpen, actExtractSelected, actCopyName, actSelectAllShown); the window
// connects them to its commands.

#include <QMenu>

namespace pelkora {

class ListContextMenu : public QMenu {
    Q_OBJECT
public:
    explicit ListContextMenu(QWidget* parent);

    QAction* preview() const { return mPreview; }
    QAction* open() const { return mOpen; }
    QAction* extractSelected() const { return mExtractSelected; }
    QAction* copyName() const { return mCopyName; }
    QAction* selectAllShown() const { return mSelectAllShown; }

private:
    QAction* mPreview;
    QAction* mOpen;
    QAction* mExtractSelected;
    QAction* mCopyName;
    QAction* mSelectAllShown;
};

} // namespace pelkora

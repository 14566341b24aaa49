#include "ui/ListContextMenu.h"

namespace pelkora {

namespace {
QAction* named(QAction* action, const char* name)
{
    action->setObjectName(QString::fromLatin1(name));
    return action;
}
} // namespace

ListContextMenu::ListContextMenu(QWidget* parent)
    : QMenu(parent)
    , mPreview(named(addAction(QStringLiteral("&Preview")), "actPreview"))
    , mOpen(named(addAction(QStringLiteral("&Open")), "actOpen"))
    , mExtractSelected(named(addAction(QStringLiteral("&Extract selected...")), "actExtractSelected"))
    , mCopyName(named(addAction(QStringLiteral("&Copy name")), "actCopyName"))
    , mSelectAllShown(named(addAction(QStringLiteral("Select &all shown")), "actSelectAllShown"))
{
    setObjectName(QStringLiteral("mnuList"));
    // The list takes these keys while it has the focus; in the menu they
    // are shown beside the captions.
    mPreview->setShortcut(Qt::Key_Space);
    mOpen->setShortcut(Qt::Key_Return);
    for (QAction* action : actions())
        action->setShortcutContext(Qt::WidgetShortcut);
}

} // namespace pelkora

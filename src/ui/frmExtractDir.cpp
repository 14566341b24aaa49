#include "ui/frmExtractDir.h"

#include <QDir>

namespace pelkora {

// Placeholder until the dialog is built: confirms the current folder.
frmExtractDir::frmExtractDir(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Extract To"));
}

bool frmExtractDir::Display(int)
{
    mChosenDir = QDir::currentPath();
    mConfirmed = false;
    return mConfirmed;
}

QString frmExtractDir::Dir() const
{
    return mChosenDir + QDir::separator();
}

} // namespace pelkora

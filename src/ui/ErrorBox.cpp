#include "ui/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

namespace pelkora {

std::unique_ptr<QMessageBox> MakeErrorBox(const QString& title, const QString& text, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void ShowErrorBox(const QString& title, const QString& text)
{
    // The report's lines are separated by CR LF; the box breaks at LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MakeErrorBox(title, shown, QApplication::activeWindow())->exec();
}

} // namespace pelkora

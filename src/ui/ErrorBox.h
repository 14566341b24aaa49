#pragma once
// The error report as the window shows it: a modal message box titled
// "Application Error" with one OK button and no icon.

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace pelkora {

std::unique_ptr<QMessageBox> MakeErrorBox(const QString& title, const QString& text, QWidget* parent = nullptr);

// The window's error reporter: shows the report in that box over the active
// window and waits for OK.
void ShowErrorBox(const QString& title, const QString& text);

} // namespace pelkora

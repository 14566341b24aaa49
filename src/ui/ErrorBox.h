#pragma once
// The error report as the window shows it: a modal message box titled
// "Application Error" with one OK button and no icon.

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace pelkora {

std::unique_ptr<QMessageBox> MakeErrorBox(const QString& title, const QString& text, QWidget* parent = nullptr);

// Routes the application's error report to the modal box.
void InstallErrorBoxReport();

} // namespace pelkora

#pragma once
// The application's error report: a message box titled "Application Error"
// in two forms. The texts are built here; showing them goes through one
// replaceable handler so that the window shows a modal box, the command-line
// tool prints, and tests capture the report instead of blocking on it.

#include <QString>
#include <functional>

namespace pelkora {

inline const QString kErrorTitle = QStringLiteral("Application Error");
inline const QString kLoadHeadline = QStringLiteral("An error occurred while loading a new Big file.");
inline const QString kExtractHeadline = QStringLiteral("An error occurred while extracting a file.");

// A failure the reader recorded: headline, empty line, number, description.
QString ReaderFormText(const QString& headline, int number, const QString& description);
// A failure caught by a handler: headline, "In the Module " source, empty
// line, number, description.
QString CaughtFormText(const QString& headline, const QString& source, int number, const QString& description);

using ErrorReportHandler = std::function<void(const QString& title, const QString& text)>;

// Installs the handler and returns the previous one. The default writes the
// text to stderr.
ErrorReportHandler SetErrorReportHandler(ErrorReportHandler handler);

void ShowErrorReport(const QString& text);
void ReportReaderError(const QString& headline, int number, const QString& description);
void ReportCaughtError(const QString& headline, const QString& source, int number, const QString& description);

} // namespace pelkora

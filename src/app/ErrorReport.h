#pragma once
// The application's error report: a message box titled "Application Error"
// in two forms. The texts are built here; whoever starts a piece of work
// passes the reporter that shows them: the window shows a modal box, the
// command-line tool prints, and tests capture the report.

#include <QString>
#include <functional>

namespace pelkora {

inline const QString kErrorTitle = QStringLiteral("Application Error");
inline const QString kLoadHeadline = QStringLiteral("An error occurred while loading a new Big file.");
inline const QString kPackHeadline = QStringLiteral("An error occurred while writing a new Big file.");
inline const QString kExtractHeadline = QStringLiteral("An error occurred while extracting a file.");

// A failure the reader recorded: headline, empty line, number, description.
QString ReaderFormText(const QString& headline, int number, const QString& description);
// A failure caught by a handler: headline, "In the Module " source, empty
// line, number, description.
QString CaughtFormText(const QString& headline, const QString& source, int number, const QString& description);

// Shows one report: its title and its text, lines separated by CR LF.
using ErrorReporter = std::function<void(const QString& title, const QString& text)>;

// Writes the report to stderr, one line per line of text.
void ReportToStderr(const QString& title, const QString& text);

// Each hands `report` the text with the title "Application Error"; an unset
// reporter shows nothing.
void ShowErrorReport(const ErrorReporter& report, const QString& text);
void ReportReaderError(const ErrorReporter& report, const QString& headline, int number, const QString& description);
void ReportCaughtError(const ErrorReporter& report, const QString& headline, const QString& source, int number,
    const QString& description);

} // namespace pelkora

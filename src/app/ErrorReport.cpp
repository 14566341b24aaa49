#include "app/ErrorReport.h"

#include <cstdio>

namespace pelkora {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

QString ReaderFormText(const QString& headline, int number, const QString& description)
{
    return headline + kLineBreak + kLineBreak + QStringLiteral("Error Number: ") + QString::number(number) + kLineBreak
        + QStringLiteral("Description: ") + description;
}

QString CaughtFormText(const QString& headline, const QString& source, int number, const QString& description)
{
    return headline + kLineBreak + QStringLiteral("In the Module ") + source + kLineBreak + kLineBreak
        + QStringLiteral("Error Number: ") + QString::number(number) + kLineBreak + QStringLiteral("Description: ")
        + description;
}

void ReportToStderr(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title),
        qPrintable(QString(text).replace(kLineBreak, QStringLiteral("\n"))));
}

void ShowErrorReport(const ErrorReporter& report, const QString& text)
{
    if (report)
        report(kErrorTitle, text);
}

void ReportReaderError(const ErrorReporter& report, const QString& headline, int number, const QString& description)
{
    ShowErrorReport(report, ReaderFormText(headline, number, description));
}

void ReportCaughtError(const ErrorReporter& report, const QString& headline, const QString& source, int number,
    const QString& description)
{
    ShowErrorReport(report, CaughtFormText(headline, source, number, description));
}

} // namespace pelkora

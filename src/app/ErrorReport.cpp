#include "app/ErrorReport.h"

#include <cstdio>

namespace pelkora {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

ErrorReportHandler& handlerSlot()
{
    static ErrorReportHandler handler = [](const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title),
            qPrintable(QString(text).replace(kLineBreak, QStringLiteral("\n"))));
    };
    return handler;
}

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

ErrorReportHandler SetErrorReportHandler(ErrorReportHandler handler)
{
    ErrorReportHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

void ShowErrorReport(const QString& text)
{
    if (handlerSlot())
        handlerSlot()(kErrorTitle, text);
}

void ReportReaderError(const QString& headline, int number, const QString& description)
{
    ShowErrorReport(ReaderFormText(headline, number, description));
}

void ReportCaughtError(const QString& headline, const QString& source, int number, const QString& description)
{
    ShowErrorReport(CaughtFormText(headline, source, number, description));
}

} // namespace pelkora

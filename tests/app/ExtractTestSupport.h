#pragma once
// Helpers shared by the extraction tests: file contents and times, a captured
// error report, and a UTC zone so that an entry's seconds are the file's
// modification time exactly (the standard offset is zero there).

#include "app/ErrorReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <ctime>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace pelkora::testsupport {

inline const bool kRunInUtc = [] {
    qputenv("TZ", "UTC");
    ::tzset();
    return true;
}();

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

inline qint64 ModifiedSeconds(const QString& path)
{
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

inline bool SetModifiedSeconds(const QString& path, qint64 seconds)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite)
        && f.setFileTime(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC), QFileDevice::FileModificationTime);
}

// Captures the texts of the error reports handed to its reporter.
class CapturedReports {
public:
    CapturedReports() = default;
    CapturedReports(const CapturedReports&) = delete;
    CapturedReports& operator=(const CapturedReports&) = delete;

    ErrorReporter reporter()
    {
        return [this](const QString&, const QString& text) { texts << text; };
    }

    QStringList texts;
};

} // namespace pelkora::testsupport

#pragma once
// Helpers shared by the extraction tests: an archive written and loaded,
// file contents and times, a captured error report, and a UTC zone so that
// an entry's seconds are the file's modification time exactly (the standard
// offset is zero there).

#include "BigWriter.h"
#include "app/ErrorReport.h"
#include "archive/cBig.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <ctime>

#include <ostream>
#include <vector>

#include <gtest/gtest.h>

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

// Writes `entries` as an archive at `path` and loads it into `big`.
inline void WriteAndLoad(cBig& big, const QString& path, const std::vector<TestEntry>& entries)
{
    ASSERT_TRUE(WriteBigArchive(path, entries));
    ASSERT_TRUE(big.Load(path));
}

// Every entry of `big` in ID order, as the items an extraction is given.
template <typename Item> std::vector<Item> AllItems(cBig& big)
{
    std::vector<Item> items;
    for (std::int32_t id = 0; id < big.FileCount(); ++id)
        items.push_back({id, big.GetFileName(id)});
    return items;
}

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

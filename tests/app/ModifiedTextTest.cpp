// The listing's own date formatter against QDateTime, which it replaced.

#include "app/ArchiveInfo.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <limits>

using namespace pelkora;

namespace {

QString reference(std::int32_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

// The ends of the range, the epoch, moments either side of midnight, leap
// days (2000 is one, 1904 too, 2100 would not be) and century edges.
TEST(ModifiedText, MatchesQDateTimeAtEdges)
{
    for (std::int32_t s : std::initializer_list<std::int32_t>{std::numeric_limits<std::int32_t>::min(),
             std::numeric_limits<std::int32_t>::max(), 0, -1, 1, 86399, 86400, -86400, -86401, 951782400, 951868799,
             951868800, -2077747200, -2145916800, 946684799, 946684800, 1234567890, 2147483647 - 86400}) {
        EXPECT_EQ(ModifiedText(s), reference(s)) << s;
    }
}

// Every day of the whole range, at a time that changes from day to day.
TEST(ModifiedText, MatchesQDateTimeOnEveryDay)
{
    for (std::int64_t s = std::numeric_limits<std::int32_t>::min(); s <= std::numeric_limits<std::int32_t>::max();
         s += 86400 + 3607) {
        const auto seconds = static_cast<std::int32_t>(s);
        ASSERT_EQ(ModifiedText(seconds), reference(seconds)) << seconds;
    }
}

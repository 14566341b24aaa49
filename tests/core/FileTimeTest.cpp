#include "ZoneScope.h"
#include "support/FileTime.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace pelkora;

namespace {

using testsupport::ZoneScope;

struct Times {
    struct timespec access;
    struct timespec modified;
};

Times timesOf(const QString& path)
{
    struct stat st { };
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return {st.st_atim, st.st_mtim};
}

void setTimes(const QString& path, time_t access, time_t modified)
{
    struct timespec t[2] = {{access, 0}, {modified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), t, 0), 0);
}

QString makeFile(const QTemporaryDir& dir, const char* name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("content");
    return path;
}

qint64 asUtc(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}

constexpr time_t kOldAccess = 1000000000;   // 9 Sep 2001
constexpr time_t kOldModified = 1100000000; // 9 Nov 2004

struct ZoneCase {
    const char* zone;
    int standardOffsetSeconds; // east of UTC
};

} // namespace

class FileTimeInZone : public ::testing::TestWithParam<ZoneCase> { };

// Winter and summer dates alike use only the zone's base offset.
TEST_P(FileTimeInZone, ExplicitZoneShiftsByTheBaseOffsetOnly)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "f.txt");
    const QTimeZone zone(QByteArray(GetParam().zone));
    ASSERT_TRUE(zone.isValid()) << GetParam().zone;
    for (const QDate date : {QDate(2004, 1, 1), QDate(2004, 7, 1)}) {
        setTimes(path, kOldAccess, kOldModified);
        const QTime time(12, 34, 56);
        ASSERT_TRUE(SetFileModifiedInZone(path, QDateTime(date, time), zone));
        const Times after = timesOf(path);
        EXPECT_EQ(after.modified.tv_sec, asUtc(date, time) - GetParam().standardOffsetSeconds)
            << date.toString().toStdString();
        EXPECT_EQ(after.modified.tv_nsec, 0);
        EXPECT_EQ(after.access.tv_sec, kOldAccess);
    }
}

TEST_P(FileTimeInZone, SystemZoneFollowsTz)
{
    const ZoneScope tz(GetParam().zone);
    if (QTimeZone::systemTimeZoneId() != QByteArray(GetParam().zone))
        GTEST_SKIP() << "Qt does not follow TZ changes in this process";
    QTemporaryDir dir;
    const QString path = makeFile(dir, "g.txt");
    for (const QDate date : {QDate(2004, 1, 1), QDate(2004, 7, 1)}) {
        setTimes(path, kOldAccess, kOldModified);
        ASSERT_TRUE(SetFileModified(path, QDateTime(date, QTime(12, 0))));
        const Times after = timesOf(path);
        EXPECT_EQ(after.modified.tv_sec, asUtc(date, QTime(12, 0)) - GetParam().standardOffsetSeconds);
        EXPECT_EQ(after.access.tv_sec, kOldAccess);
    }
}

// A packed file's entry seconds are what extraction turns back into its
// time, in winter and summer and on a day the clocks change.
TEST_P(FileTimeInZone, EntrySecondsAreTheInverseOfExtraction)
{
    const ZoneScope tz(GetParam().zone);
    if (QTimeZone::systemTimeZoneId() != QByteArray(GetParam().zone))
        GTEST_SKIP() << "Qt does not follow TZ changes in this process";
    for (const qint64 utc : {qint64(0), asUtc(QDate(1980, 1, 1), QTime(0, 0)), asUtc(QDate(2021, 3, 28), QTime(1, 30)),
             asUtc(QDate(2004, 7, 1), QTime(12, 0)), asUtc(QDate(2037, 12, 31), QTime(23, 59, 59))}) {
        const qint64 entry = EntrySecondsFromFileTime(utc);
        EXPECT_EQ(entry, utc + GetParam().standardOffsetSeconds) << utc;
        EXPECT_EQ(FileTimeFromLocal(QDateTime::fromSecsSinceEpoch(entry, Qt::UTC)), utc) << utc;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, FileTimeInZone,
    ::testing::Values(ZoneCase{"UTC", 0}, ZoneCase{"Europe/Berlin", 3600}, ZoneCase{"Asia/Tokyo", 9 * 3600}),
    [](const ::testing::TestParamInfo<ZoneCase>& p) {
        std::string name = p.param.zone;
        for (char& c : name)
            if (c == '/')
                c = '_';
        return name;
    });

TEST(FileTime, BerlinNoonOnNewYearIsElevenUtc)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "b.txt");
    ASSERT_TRUE(SetFileModifiedInZone(path, QDateTime(QDate(2004, 1, 1), QTime(12, 0)), QTimeZone("Europe/Berlin")));
    EXPECT_EQ(timesOf(path).modified.tv_sec, asUtc(QDate(2004, 1, 1), QTime(11, 0)));
}

TEST(FileTime, ReadOnlyFileKeepsItsTimes)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "ro.txt");
    setTimes(path, kOldAccess, kOldModified);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    EXPECT_FALSE(SetFileModifiedInZone(path, QDateTime(QDate(2004, 1, 1), QTime(12, 0)), QTimeZone("UTC")));
    EXPECT_FALSE(SetFileModified(path, QDateTime(QDate(2004, 1, 1), QTime(12, 0))));
    const Times after = timesOf(path);
    EXPECT_EQ(after.modified.tv_sec, kOldModified);
    EXPECT_EQ(after.access.tv_sec, kOldAccess);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(FileTime, MissingFileOrInvalidDateReturnsFalse)
{
    QTemporaryDir dir;
    EXPECT_FALSE(SetFileModified(dir.filePath("absent.txt"), QDateTime(QDate(2004, 1, 1), QTime(12, 0))));
    EXPECT_FALSE(QFile::exists(dir.filePath("absent.txt")));
    const QString path = makeFile(dir, "x.txt");
    setTimes(path, kOldAccess, kOldModified);
    EXPECT_FALSE(SetFileModified(path, QDateTime()));
    EXPECT_EQ(timesOf(path).modified.tv_sec, kOldModified);
}

TEST(FileTime, ContentIsLeftAsItWas)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "c.txt");
    ASSERT_TRUE(SetFileModifiedInZone(path, QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)),
        QTimeZone("Asia/Tokyo")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "content");
}

TEST(FileTime, DatesBeforeTheEpochAreSet)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "old.txt");
    ASSERT_TRUE(SetFileModifiedInZone(path, QDateTime(QDate(1901, 12, 13), QTime(20, 45, 52)), QTimeZone("UTC")));
    EXPECT_EQ(timesOf(path).modified.tv_sec, std::numeric_limits<std::int32_t>::min());
}

TEST(FileTime, WallClockFieldsAreUsedWhateverTheDateTimeSpec)
{
    // The extraction passes a moment whose fields are wall-clock time; the
    // hour Berlin skips in spring still gives its fields minus one hour.
    QTemporaryDir dir;
    const QString path = makeFile(dir, "gap.txt");
    const QDateTime wall(QDate(2004, 3, 28), QTime(2, 30), Qt::UTC);
    ASSERT_TRUE(SetFileModifiedInZone(path, wall, QTimeZone("Europe/Berlin")));
    EXPECT_EQ(timesOf(path).modified.tv_sec, asUtc(QDate(2004, 3, 28), QTime(1, 30)));
}

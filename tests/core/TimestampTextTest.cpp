#include "ZoneScope.h"
#include "support/TimestampText.h"

#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>

using namespace pelkora;

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMidnight = 12345 * 86400;        // 20 Oct 2003 00:00:00
constexpr std::int32_t kBerlinSkippedHour = 1080441000;  // 28 Mar 2004 02:30:00
constexpr std::int32_t kBerlinRepeatedHour = 1099189800; // 31 Oct 2004 02:30:00

// Sets the default locale for one test and restores the previous one.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale)
        : mSaved(QLocale())
    {
        QLocale::setDefault(locale);
    }
    ~DefaultLocale() { QLocale::setDefault(mSaved); }

private:
    QLocale mSaved;
};

using testsupport::ZoneScope;

} // namespace

TEST(TimestampMoment, IsWallClockFromTheEpochWithoutZone)
{
    EXPECT_EQ(TimestampMoment(0), QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(TimestampMoment(-1), QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59), Qt::UTC));
    EXPECT_EQ(TimestampMoment(kMin), QDateTime(QDate(1901, 12, 13), QTime(20, 45, 52), Qt::UTC));
    EXPECT_EQ(TimestampMoment(kMax), QDateTime(QDate(2038, 1, 19), QTime(3, 14, 7), Qt::UTC));
}

class TimestampTextInLocale : public ::testing::TestWithParam<const char*> { };

TEST_P(TimestampTextInLocale, ReadsBackToTheSameMoment)
{
    const DefaultLocale scope{QLocale(QString::fromLatin1(GetParam()))};
    for (std::int32_t t : {kMin, kMax, -1, 0, 1, kMidnight, kMidnight + 43200, kMidnight - 1, kBerlinSkippedHour}) {
        const QString text = TimestampText(t);
        EXPECT_EQ(ParseTimestampText(text), TimestampMoment(t)) << t << " [" << text.toStdString() << "]";
        // The same with the locale passed explicitly.
        EXPECT_EQ(ParseTimestampText(text, QLocale()), TimestampMoment(t)) << t;
    }
}

TEST_P(TimestampTextInLocale, YearHasFourDigitsAndNoZoneNameAppears)
{
    const DefaultLocale scope{QLocale(QString::fromLatin1(GetParam()))};
    for (std::int32_t t : {kMin, kMax, 1, kMidnight + 3723}) {
        const QString text = TimestampText(t);
        EXPECT_TRUE(text.contains(QString::number(TimestampMoment(t).date().year()))) << text.toStdString();
        for (const char* zone : {"UTC", "GMT", "CET", "Coordinated", "Universal", "+00", "Z"})
            EXPECT_FALSE(text.contains(QLatin1String(zone))) << text.toStdString();
        // Date, one blank, time: nothing trails.
        EXPECT_EQ(text, text.trimmed());
    }
}

TEST_P(TimestampTextInLocale, MidnightIsTheDateAlone)
{
    const QLocale locale(QString::fromLatin1(GetParam()));
    const DefaultLocale scope{locale};
    for (std::int32_t t : {0, kMidnight, -86400}) {
        const QString text = TimestampText(t);
        EXPECT_EQ(text, locale.toString(TimestampMoment(t).date(), TimestampDateFormat(locale)));
        EXPECT_FALSE(text.contains(u':')) << text.toStdString();
    }
    // One second later the time appears.
    EXPECT_TRUE(TimestampText(1).startsWith(TimestampText(0) + u' '));
}

INSTANTIATE_TEST_SUITE_P(Locales, TimestampTextInLocale, ::testing::Values("C", "en_US", "de_DE"),
    [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.param); });

TEST(TimestampText, KnownTextsForTheListedLocales)
{
    EXPECT_EQ(TimestampText(1, QLocale(QStringLiteral("en_US"))), "1/1/1970 12:00:01 AM");
    EXPECT_EQ(TimestampText(-1, QLocale(QStringLiteral("en_US"))), "12/31/1969 11:59:59 PM");
    EXPECT_EQ(TimestampText(kMax, QLocale(QStringLiteral("de_DE"))), "19.01.2038 03:14:07");
    EXPECT_EQ(TimestampText(0, QLocale(QStringLiteral("de_DE"))), "01.01.1970");
}

TEST(TimestampText, LocaleChangeBetweenCallsIsHonoured)
{
    const QLocale us(QStringLiteral("en_US"));
    const QLocale de(QStringLiteral("de_DE"));
    EXPECT_EQ(TimestampText(0, us), "1/1/1970");
    EXPECT_EQ(TimestampText(0, de), "01.01.1970");
    EXPECT_EQ(TimestampText(0, us), "1/1/1970");
}

TEST(TimestampText, WallClockTimesTheSystemZoneSkipsOrRepeatsReadBack)
{
    // The moment has no zone, so the hour a daylight-saving change skips
    // or repeats in the system zone must still read back unchanged.
    for (const char* zone : {"Europe/Berlin", "America/Sao_Paulo", "UTC"}) {
        const ZoneScope tz(zone);
        for (const char* name : {"C", "en_US", "de_DE"}) {
            const QLocale locale(QString::fromLatin1(name));
            for (std::int32_t t : {kBerlinSkippedHour, kBerlinRepeatedHour, 1099188000 /* 31 Oct 2004 02:00 */}) {
                const QString text = TimestampText(t, locale);
                EXPECT_EQ(ParseTimestampText(text, locale), TimestampMoment(t))
                    << zone << " " << name << " [" << text.toStdString() << "]";
            }
        }
    }
}

TEST(TimestampText, GarbageDoesNotParse)
{
    const QLocale us(QStringLiteral("en_US"));
    for (const char* text : {"", "yesterday", "13/45/2004", "1/1/1970 25:00:00 AM", "1/1/1970 "})
        EXPECT_FALSE(ParseTimestampText(QString::fromLatin1(text), us).isValid()) << text;
}

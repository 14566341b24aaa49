// The "#,##0" and "00%" pictures of the file list, in several locales.

#include "app/ListRow.h"

#include <gtest/gtest.h>

using namespace pelkora;

// The list's own formatting must read exactly as QLocale writes the same
// number, also in locales whose digits or grouping differ from "1,234".
TEST(NumberFormat, CountsMatchTheLocaleInEveryLocale)
{
    for (const char* name : {"C", "en_US", "de_DE", "fr_FR", "de_CH", "hi_IN", "ar_EG", "fa_IR", "es_ES"}) {
        const QLocale locale(QString::fromLatin1(name));
        QLocale grouped = locale;
        grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
        for (std::int64_t v :
            {0LL, 5LL, 999LL, 1000LL, 9999LL, 10000LL, 1234567LL, -1LL, -1234567LL, 2147483647LL, -2147483648LL}) {
            EXPECT_EQ(FormatCount(v, locale), grouped.toString(static_cast<qlonglong>(v))) << name << " " << v;
        }
    }
}

TEST(NumberFormat, CountsAndPercentagesInEnglish)
{
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(FormatCount(1234567, en), "1,234,567");
    EXPECT_EQ(FormatCount(0, en), "0");
    EXPECT_EQ(FormatCount(-1234, en), "-1,234");
    struct Case {
        double fraction;
        const char* text;
    };
    for (const Case& c : {Case{0.653, "65%"}, Case{0.05, "05%"}, Case{1.0, "100%"}, Case{-0.1, "-10%"},
             Case{0.0, "00%"}, Case{-12.5, "-1250%"}, Case{0.004, "00%"}}) {
        EXPECT_EQ(FormatPercent(c.fraction, en), c.text) << c.fraction;
    }
    EXPECT_EQ(RatioCell(0, 5, en), "00%");
    EXPECT_EQ(RatioCell(10, 0, en), "100%");
    EXPECT_EQ(RatioCell(8, 10, en), "-25%");
}

TEST(NumberFormat, PercentagesUseTheLocaleDigits)
{
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    QLocale plain = arabic;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(FormatPercent(0.05, arabic), arabic.zeroDigit() + plain.toString(5) + u'%');
    EXPECT_EQ(FormatPercent(-0.5, arabic), arabic.negativeSign() + plain.toString(50) + u'%');
}

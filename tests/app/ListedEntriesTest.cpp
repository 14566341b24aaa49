// A listed entry's cells, made when asked for, must be the texts MakeListRow
// makes from the same name and numbers: the window shows, copies, filters and
// extracts by them.

#include "app/ListedEntries.h"
#include "support/TimestampText.h"

#include <gtest/gtest.h>

using namespace pelkora;

TEST(ListedEntries, CellsAreMakeListRowsCells)
{
    const struct {
        const char16_t* name;
        std::int32_t seconds;
        std::int32_t unpacked;
        std::int32_t packed;
    } cases[] = {
        {u"readme", 0, 0, 0},
        {u"Data\\Art\\tree.tga", 1000000000, 1234567, 345678},
        {u"data\\art.v2\\noext", -1, 5, 9},
        {u"dir\\file.", 86400, 2147483647, 1},
        {u"\\lead.ini", 3600, 1, 0},
        {u"trail\\", 59, 100, 100},
        {u"x.Stra\u00dfe", -2147483647 - 1, 999, 1000},
        {u"\u00e9t\u00e9\\caf\u00e9.\u00e9xt", 2147483647, 12, 3},
        {u"ctl\\\t.w3d", 7, 7, 7},
        {u"", 0, -1, -5},
    };
    for (const QLocale& locale : {QLocale(QLocale::C), QLocale(QLocale::German), QLocale(QLocale::Arabic)}) {
        ListedEntries listed(locale);
        for (const auto& c : cases)
            listed.add(QString::fromUtf16(c.name), c.seconds, c.unpacked, c.packed);
        ASSERT_EQ(listed.size(), std::size(cases));
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            const QString fullName = QString::fromUtf16(c.name);
            SCOPED_TRACE(fullName.toStdString() + " " + locale.name().toStdString());
            const ListRow expected =
                MakeListRow(fullName, TimestampText(c.seconds, locale), c.unpacked, c.packed, locale);
            EXPECT_EQ(listed.row(i), expected);
            EXPECT_EQ(listed.fullName(i), fullName);
            EXPECT_EQ(listed.path(i), expected[ColPath]);
            EXPECT_EQ(listed.name(i), expected[ColName]);
        }
    }
}

// The Sort cell made from a full name alone must equal the one made from the
// row's Path, Type and Name cells: the tool and the window sort by the same key.

#include "app/ListRow.h"

#include <gtest/gtest.h>

using namespace pelkora;

TEST(SortCell, FromTheFullNameEqualsTheRowsCell)
{
    for (const char16_t* name : {u"readme", u"a.txt", u"Data\\Art\\tree.tga", u"data\\art.v2\\noext", u"dir\\file.",
             u"\\lead.ini", u"trail\\", u"x.Straße", u"x.ſ", u"\u00e9t\u00e9\\caf\u00e9.\u00e9xt", u"mixed.aB\u00e7",
             u"a.b.c", u"ctl\\\t.w3d", u""}) {
        const QString fullName = QString::fromUtf16(name);
        const ListRow row = MakeListRow(fullName, QString(), 1, 1);
        EXPECT_EQ(SortCellOf(fullName), row[ColSort]) << fullName.toStdString();
        QString appended = QStringLiteral("kept");
        AppendSortCellOf(appended, fullName);
        EXPECT_EQ(appended, QStringLiteral("kept") + row[ColSort]) << fullName.toStdString();
    }
}

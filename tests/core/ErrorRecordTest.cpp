#include "archive/cError.h"

#include <gtest/gtest.h>

using namespace pelkora;

TEST(ErrorRecord, StartsClear)
{
    const cError e;
    EXPECT_EQ(e.Number(), 0);
    EXPECT_EQ(e.Description(), "");
}

struct NumberedText {
    int number;
    const char* text;
};

class ErrorRecordTable : public ::testing::TestWithParam<NumberedText> { };

TEST_P(ErrorRecordTable, OwnNumbersReadTheirFixedTextWhateverIsStored)
{
    cError e;
    e.setNumber(GetParam().number);
    EXPECT_EQ(e.Description(), QString::fromLatin1(GetParam().text));
    e.setDescription(QStringLiteral("something else entirely"));
    EXPECT_EQ(e.Description(), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Table, ErrorRecordTable,
    ::testing::Values(NumberedText{1001, "File not found."}, NumberedText{1002, "File is not a Big file."},
        NumberedText{1003, "No Big file has been loaded."}, NumberedText{1004, "File not found in archive."},
        NumberedText{1005, "ID out of bounds."}),
    [](const ::testing::TestParamInfo<NumberedText>& p) { return "E" + std::to_string(p.param.number); });

TEST(ErrorRecord, DescriptionStoredWhileNumberIsZeroReadsEmpty)
{
    cError e;
    e.setDescription(QStringLiteral("stale"));
    EXPECT_EQ(e.Number(), 0);
    EXPECT_EQ(e.Description(), "");
}

TEST(ErrorRecord, NumbersOutsideTheTableReadTheStoredText)
{
    for (int number : {1000, 1006, 7, -1, 57}) {
        cError e;
        e.setNumber(number);
        e.setDescription(QStringLiteral("Disk on fire."));
        EXPECT_EQ(e.Description(), "Disk on fire.") << number;
    }
}

TEST(ErrorRecord, ChangingTheNumberKeepsTheStoredText)
{
    cError e;
    e.setDescription(QStringLiteral("T"));
    e.setNumber(7);
    EXPECT_EQ(e.Description(), "T");
    e.setNumber(1001);
    EXPECT_EQ(e.Description(), "File not found.");
    e.setNumber(7);
    EXPECT_EQ(e.Description(), "T");
    e.setNumber(0);
    EXPECT_EQ(e.Description(), "");
    e.setNumber(7);
    EXPECT_EQ(e.Description(), "T");
}

TEST(ErrorRecord, ClearEmptiesNumberAndText)
{
    cError e;
    e.setNumber(63);
    e.setDescription(QStringLiteral("bad record"));
    e.Clear();
    EXPECT_EQ(e.Number(), 0);
    EXPECT_EQ(e.Description(), "");
    // The stored text is gone too, not merely hidden behind number 0.
    e.setNumber(63);
    EXPECT_EQ(e.Description(), "");
}

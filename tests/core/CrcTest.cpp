#include "support/Crc.h"

#include <gtest/gtest.h>

#include <string>

using namespace pelkora;

TEST(Crc, CheckValueOfDigits)
{
    EXPECT_EQ(GetCrc32(QStringLiteral("123456789")), 0xCBF43926u);
    EXPECT_EQ(GetCrc32(QString()), 0u);
}

struct HashCase {
    const char* text;
    std::uint32_t lo;
    std::uint32_t hi;
};

class Crc64Worked : public ::testing::TestWithParam<HashCase> { };

TEST_P(Crc64Worked, MatchesTheWorkedValues)
{
    const HashCase& c = GetParam();
    const std::uint64_t h = GetCrc64(QString::fromLatin1(c.text));
    EXPECT_EQ(static_cast<std::uint32_t>(h), c.lo) << c.text;
    EXPECT_EQ(static_cast<std::uint32_t>(h >> 32), c.hi) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, Crc64Worked,
    ::testing::Values(HashCase{"abcd", 0x9E83486Du, 0x45D68FDAu}, HashCase{"abc", 0xE8B7BE43u, 0x71BEEFF9u},
        HashCase{"abd", 0xE8B7BE43u, 0x71BEEFF9u}, HashCase{"a", 0, 0}, HashCase{"", 0, 0}),
    [](const ::testing::TestParamInfo<HashCase>& p) {
        return *p.param.text ? std::string(p.param.text) : std::string("empty");
    });

TEST(Crc, CaseMattersToTheHash)
{
    EXPECT_NE(GetCrc64(QStringLiteral("ABCD")), GetCrc64(QStringLiteral("abcd")));
    EXPECT_EQ(NameKey(QStringLiteral("ABCD")), GetCrc64(QStringLiteral("abcd")));
}

TEST(Crc, TableIsTheStandardReflectedOne)
{
    BuildCrcTable();
    EXPECT_EQ(CrcTable()[0], 0u);
    EXPECT_EQ(CrcTable()[1], 0x77073096u);
    EXPECT_EQ(CrcTable()[128], 0xEDB88320u);
    EXPECT_EQ(CrcTable()[255], 0x2D02EF8Du);
}

TEST(Crc, OddLengthIgnoresOnlyTheLastCharacter)
{
    // A text of 2k + 1 characters hashes like its first 2k characters.
    for (const char* text : {"abcde", "data\\art\\tree.tga", "x\\y.z"}) {
        const QString odd = QString::fromLatin1(text);
        ASSERT_EQ(odd.size() % 2, 1) << text;
        EXPECT_EQ(GetCrc64(odd), GetCrc64(odd.chopped(1))) << text;
        EXPECT_EQ(GetCrc64(odd), GetCrc64(odd.chopped(1) + u'#')) << text;
        // ...but every one of those first 2k characters counts.
        QString changed = odd;
        changed[0] = u'#';
        EXPECT_NE(GetCrc64(changed), GetCrc64(odd)) << text;
        changed = odd;
        changed[odd.size() - 2] = u'#';
        EXPECT_NE(GetCrc64(changed), GetCrc64(odd)) << text;
    }
}

TEST(Crc, HalvesAreTheCrcOfEachHalfOnItsOwn)
{
    const QString name = QStringLiteral("data\\art\\tree.tga!");
    const qsizetype h = name.size() / 2;
    const std::uint64_t key = GetCrc64(name);
    EXPECT_EQ(static_cast<std::uint32_t>(key), GetCrc32(name.first(h)));
    EXPECT_EQ(static_cast<std::uint32_t>(key >> 32), GetCrc32(name.sliced(h, h)));
}

TEST(Crc, NonAsciiCharactersHashAsTheirWindows1252Byte)
{
    // 'é' is 0xE9 and '€' is 0x80 in Windows-1252: one byte each.
    const char bytes[] = {'\xE9', '\x80'};
    EXPECT_EQ(GetCrc32(QStringLiteral("é€")), Crc32Bytes(bytes, 2));
    // Each character counts once when the text is split.
    EXPECT_EQ(static_cast<std::uint32_t>(GetCrc64(QStringLiteral("é€"))), Crc32Bytes(bytes, 1));
}

TEST(Crc, NameKeyLowerCasesTheWholeName)
{
    EXPECT_EQ(NameKey(QStringLiteral("Data\\ART\\Tree.TGA")), GetCrc64(QStringLiteral("data\\art\\tree.tga")));
    EXPECT_EQ(NameKey(QStringLiteral("ÜNÏCÖDÉ.TXT")), GetCrc64(QStringLiteral("ünïcödé.txt")));
    // Separators and blanks are kept as they are.
    EXPECT_NE(NameKey(QStringLiteral("a/b.txt")), NameKey(QStringLiteral("a\\b.txt")));
    EXPECT_NE(NameKey(QStringLiteral(" a.txt")), NameKey(QStringLiteral("a.txt")));
}

// Whatever way a name is hashed (short ASCII names have their own), the key
// is the hash of its lower-case form.
TEST(Crc, NameKeyIsTheHashOfTheLowerCaseFormForEveryKindOfName)
{
    const QString longAscii = QString(200, u'A') + QStringLiteral("\\") + QString(400, u'z');
    const QString names[] = {
        QString(),
        QStringLiteral("X"),
        QStringLiteral("AZaz@[`{.TXT"), // the letters' neighbours stay
        QStringLiteral("Odd\\Len.t"),
        QStringLiteral("ctl\t\x7f\\A.B"),
        QStringLiteral("ascii then \u00c9T\u00c9"),
        QString(511, u'Q'),
        QString(512, u'Q'),
        QString(513, u'Q'),
        longAscii,
        longAscii + QStringLiteral("\u00c4"),
    };
    for (const QString& name : names)
        EXPECT_EQ(NameKey(name), GetCrc64(name.toLower())) << name.size() << " " << name.left(20).toStdString();
}

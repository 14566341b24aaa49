#include "support/Crc.h"

#include <gtest/gtest.h>

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

class Crc64Worked : public ::testing::TestWithParam<HashCase> {};

TEST_P(Crc64Worked, MatchesTheWorkedValues)
{
    const HashCase& c = GetParam();
    const std::uint64_t h = GetCrc64(QString::fromLatin1(c.text));
    EXPECT_EQ(static_cast<std::uint32_t>(h), c.lo) << c.text;
    EXPECT_EQ(static_cast<std::uint32_t>(h >> 32), c.hi) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, Crc64Worked,
    ::testing::Values(HashCase{"abcd", 0x9E83486Du, 0x45D68FDAu}, HashCase{"abc", 0xE8B7BE43u, 0x71BEEFF9u},
        HashCase{"abd", 0xE8B7BE43u, 0x71BEEFF9u}, HashCase{"a", 0, 0}, HashCase{"", 0, 0}));

TEST(Crc, CaseMattersToTheHash)
{
    EXPECT_NE(GetCrc64(QStringLiteral("ABCD")), GetCrc64(QStringLiteral("abcd")));
    EXPECT_EQ(NameKey(QStringLiteral("ABCD")), GetCrc64(QStringLiteral("abcd")));
}

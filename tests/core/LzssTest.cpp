#include "LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <gtest/gtest.h>

#include <random>

using namespace pelkora;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

} // namespace

struct StreamCase {
    const char* input;
    QByteArray expected;
};

class LzssWorked : public ::testing::TestWithParam<StreamCase> {};

TEST_P(LzssWorked, DecodesTheWorkedExamples)
{
    EXPECT_EQ(UnLZSS(hex(GetParam().input)), GetParam().expected) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(Table, LzssWorked,
    ::testing::Values(StreamCase{"A08000", "A"}, StreamCase{"A08004C000", "AAAAAA"},
        StreamCase{"B0D8AC6001400000", "abcabcabc"},
        // the window never carries over from an earlier call
        StreamCase{"00100000", QByteArray(2, '\0')},
        StreamCase{"A0FF", QByteArray("A\0", 2)}, StreamCase{"0000", QByteArray()}, StreamCase{"", QByteArray()}));

TEST(Lzss, EveryCallStartsFromAnEmptyWindow)
{
    ASSERT_EQ(UnLZSS(hex("B0D8AC6001400000")), QByteArray("abcabcabc"));
    EXPECT_EQ(UnLZSS(hex("00100000")), QByteArray(2, '\0'));
}

TEST(Lzss, EncoderRoundTripsRandomAndRepetitiveInputs)
{
    std::mt19937 rng(7);
    for (int size : {0, 1, 2, 17, 100, 4095, 4096, 4097, 10000, 70000}) {
        for (int alphabet : {1, 3, 256}) {
            QByteArray plain(size, '\0');
            for (auto& c : plain)
                c = static_cast<char>(rng() % alphabet);
            EXPECT_EQ(UnLZSS(testsupport::LzssEncode(plain)), plain) << size << " " << alphabet;
        }
    }
}

#include "LiteralUnLZSS.h"
#include "LzssEncoder.h"
#include "lzss/LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

using namespace pelkora;
using pelkora::testsupport::LiteralUnLZSS;

namespace {

QByteArray randomBytes(std::uint32_t seed, qsizetype size, unsigned alphabet = 256)
{
    std::mt19937 rng(seed);
    QByteArray bytes(size, '\0');
    for (auto& c : bytes)
        c = static_cast<char>(rng() % alphabet);
    return bytes;
}

QByteArray repeated(const QByteArray& unit, qsizetype size)
{
    QByteArray out;
    while (out.size() < size)
        out.append(unit);
    return out.left(size);
}

QByteArray text(qsizetype size)
{
    static const char* const words[] = {"unit", "armor", "weapon", "speed", "=", "12", "0.75", "<model>", "</model>",
        "\n", "range", "sight", "build_time", "cost", "\t", "upgrade"};
    std::mt19937 rng(3);
    QByteArray out;
    while (out.size() < size) {
        out.append(words[rng() % std::size(words)]);
        out.append(' ');
    }
    return out.left(size);
}

// Records of small integers with runs and a little noise.
QByteArray binaryLike(qsizetype size)
{
    std::mt19937 rng(4);
    QByteArray out;
    while (out.size() < size) {
        const quint32 id = static_cast<quint32>(out.size() / 32);
        out.append(reinterpret_cast<const char*>(&id), 4);
        out.append(QByteArray(static_cast<qsizetype>(rng() % 12), '\0'));
        for (int i = 0; i < 6; ++i)
            out.append(static_cast<char>(rng() % 8));
        if (rng() % 5 == 0)
            out.append(randomBytes(rng(), 5));
    }
    return out.left(size);
}

// The only long earlier copy of a piece starts at input byte 4095, which is
// window position 0 when the copy is wanted: a reference there would read as
// the end token.
QByteArray sourceAtWindowPositionZero()
{
    const QByteArray piece = "0123456789abcdefghijklmnop";
    QByteArray out = randomBytes(21, 4095);
    out.append(piece);
    out.append(randomBytes(22, 5000 - out.size()));
    out.append(piece);
    out.append(randomBytes(23, 300));
    return out;
}

struct EncoderCase {
    const char* name;
    QByteArray plain;
    bool compressible;
};

const std::vector<EncoderCase>& encoderCases()
{
    static const std::vector<EncoderCase> cases = {
        {"Empty", QByteArray(), false},
        {"OneByte", QByteArray("x"), false},
        {"TwoBytes", QByteArray("xy"), false},
        {"RunLongerThanTheWindow", QByteArray(100000, 'x'), true},
        // A naive encoder copies these from the zero window it starts with.
        {"LeadingZeros", QByteArray(5000, '\0') + "tail", true},
        {"Text", text(3000), true},
        {"TextLongerThanTheWindow", text(70000), true},
        {"BinaryLike", binaryLike(70000), true},
        {"Random", randomBytes(1, 10000), false},
        {"TwoByteRepeats", repeated("ab", 9000), true},
        {"ThreeByteRepeats", repeated("abc", 9000), true},
        {"SmallAlphabet", randomBytes(2, 20000, 3), true},
        // Periods at and around the window size reach back 4096 bytes.
        {"PeriodOfTheWindowSize", repeated(randomBytes(5, 4096), 13000), true},
        {"PeriodJustBelowTheWindow", repeated(randomBytes(6, 4095), 13000), true},
        // Out of reach: nothing to copy, but nothing to get wrong either.
        {"PeriodJustAboveTheWindow", repeated(randomBytes(7, 4097), 13000), false},
        {"SourceAtWindowPositionZero", sourceAtWindowPositionZero(), false},
    };
    return cases;
}

QByteArray junkWindow()
{
    QByteArray window = randomBytes(99, 4096);
    for (auto& c : window)
        c = static_cast<char>(c | 1); // never the zero a fresh window holds
    return window;
}

} // namespace

class LzssEncoderRoundTrip : public ::testing::TestWithParam<std::tuple<std::size_t, int>> { };

TEST_P(LzssEncoderRoundTrip, DecodesBackWithEitherDecoderAndFromAnyWindow)
{
    const EncoderCase& c = encoderCases()[std::get<0>(GetParam())];
    const int level = std::get<1>(GetParam());
    const QByteArray stream = EncodeLZSS(c.plain, level);

    EXPECT_EQ(UnLZSS(stream), c.plain);
    EXPECT_EQ(LiteralUnLZSS(stream), c.plain);
    // Only bytes the stream wrote itself are copied.
    EXPECT_EQ(LiteralUnLZSS(stream, junkWindow()), c.plain);
    // The stream ends with its own end token, not with the end of the input.
    EXPECT_EQ(UnLZSS(stream + QByteArray(8, '\xFF')), c.plain);
    if (c.compressible) {
        EXPECT_LT(stream.size(), c.plain.size() * 3 / 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LzssEncoderRoundTrip,
    ::testing::Combine(::testing::Range<std::size_t>(0, encoderCases().size()),
        ::testing::Range(kLzssFastestLevel, kLzssBestLevel + 1)),
    [](const ::testing::TestParamInfo<std::tuple<std::size_t, int>>& p) {
        return std::string(encoderCases()[std::get<0>(p.param)].name) + "_Level" + std::to_string(std::get<1>(p.param));
    });

class LzssEncoderLevels : public ::testing::TestWithParam<std::size_t> { };

TEST_P(LzssEncoderLevels, BestLevelIsNeverLargerThanFastestOrTheTestKitEncoder)
{
    const EncoderCase& c = encoderCases()[GetParam()];
    const qsizetype best = EncodeLZSS(c.plain, kLzssBestLevel).size();
    EXPECT_LE(best, EncodeLZSS(c.plain, kLzssFastestLevel).size());
    EXPECT_LE(best, EncodeLZSS(c.plain, kLzssDefaultLevel).size());
    EXPECT_LE(best, testsupport::LzssEncode(c.plain).size());
}

INSTANTIATE_TEST_SUITE_P(Table, LzssEncoderLevels, ::testing::Range<std::size_t>(0, encoderCases().size()),
    [](const ::testing::TestParamInfo<std::size_t>& p) { return std::string(encoderCases()[p.param].name); });

TEST(LzssEncoder, LevelsOutsideTheRangeAreClamped)
{
    const QByteArray plain = text(20000);
    EXPECT_EQ(EncodeLZSS(plain, 0), EncodeLZSS(plain, kLzssFastestLevel));
    EXPECT_EQ(EncodeLZSS(plain, -5), EncodeLZSS(plain, kLzssFastestLevel));
    EXPECT_EQ(EncodeLZSS(plain, 42), EncodeLZSS(plain, kLzssBestLevel));
}

TEST(LzssEncoder, RoundTripsRandomSmallAlphabetInputsFromAnyWindow)
{
    // Short alphabets give many equal-length candidates, references that
    // overlap the write position and matches at every distance.
    std::mt19937 rng(77);
    const QByteArray window = junkWindow();
    for (int round = 0; round < 60; ++round) {
        const QByteArray plain = randomBytes(rng(), static_cast<qsizetype>(rng() % 12000), 1 + rng() % 5);
        for (int level = kLzssFastestLevel; level <= kLzssBestLevel; ++level) {
            const QByteArray stream = EncodeLZSS(plain, level);
            ASSERT_EQ(LiteralUnLZSS(stream, window), plain) << "level " << level << " size " << plain.size();
            ASSERT_EQ(UnLZSS(stream), plain) << "level " << level << " size " << plain.size();
        }
    }
}

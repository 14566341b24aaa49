#include "LiteralUnLZSS.h"
#include "LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

using namespace pelkora;
using pelkora::testsupport::BitWriter;
using pelkora::testsupport::LiteralUnLZSS;
using pelkora::testsupport::LzssEncode;
using pelkora::testsupport::LzssOptions;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// Decodes from a heap block of exactly the input's size, so that the
// sanitizer build sees any read past the end (a QByteArray has a spare
// terminator byte that would hide it).
QByteArray decodeExact(const QByteArray& input)
{
    const auto exact = std::make_unique<char[]>(static_cast<std::size_t>(input.size()));
    std::copy(input.begin(), input.end(), exact.get());
    return UnLZSS(exact.get(), static_cast<std::size_t>(input.size()));
}

QByteArray randomBytes(std::mt19937& rng, int size, int alphabet = 256)
{
    QByteArray bytes(size, '\0');
    for (auto& c : bytes)
        c = static_cast<char>(rng() % static_cast<unsigned>(alphabet));
    return bytes;
}

} // namespace

struct StreamCase {
    const char* name;
    const char* input;
    QByteArray expected;
};

class LzssWorked : public ::testing::TestWithParam<StreamCase> { };

TEST_P(LzssWorked, DecodesTheWorkedExamples)
{
    EXPECT_EQ(UnLZSS(hex(GetParam().input)), GetParam().expected) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(Table, LzssWorked,
    ::testing::Values(StreamCase{"LiteralThenEnd", "A08000", "A"},
        StreamCase{"OverlappingCopyRepeatsLastByte", "A08004C000", "AAAAAA"},
        StreamCase{"ThreeLiteralsAndACopy", "B0D8AC6001400000", "abcabcabc"},
        // the window never carries over from an earlier call
        StreamCase{"CopyFromFreshZeroWindow", "00100000", QByteArray(2, '\0')},
        StreamCase{"LiteralCutByEndOfInputIsZero", "A0FF", QByteArray("A\0", 2)},
        StreamCase{"EndAtOnceGivesEmpty", "0000", QByteArray()}, StreamCase{"EmptyInputGivesEmpty", "", QByteArray()}),
    [](const ::testing::TestParamInfo<StreamCase>& p) { return std::string(p.param.name); });

TEST(Lzss, EveryCallStartsFromAnEmptyWindow)
{
    ASSERT_EQ(UnLZSS(hex("B0D8AC6001400000")), QByteArray("abcabcabc"));
    EXPECT_EQ(UnLZSS(hex("00100000")), QByteArray(2, '\0'));
}

// Streams that stop inside a field, built bit by bit.
struct CutCase {
    const char* name;
    void (*build)(BitWriter&);
    QByteArray expected;
};

class LzssCut : public ::testing::TestWithParam<CutCase> { };

TEST_P(LzssCut, EndsQuietlyAsTheRulesSay)
{
    BitWriter w;
    GetParam().build(w);
    const QByteArray input = w.finish();
    EXPECT_EQ(UnLZSS(input), GetParam().expected) << input.toHex().constData();
    EXPECT_EQ(LiteralUnLZSS(input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, LzssCut,
    ::testing::Values(
        // 'B' then a literal flag and 6 bits '1': the 8-bit field is cut off.
        CutCase{"InsideLiteral",
            [](BitWriter& w) {
                w.put(1, 1);
                w.put('B', 8);
                w.put(1, 1);
                w.put(0x7F, 6);
            },
            QByteArray("B\0", 2)},
        // 'B' then a reference whose position is cut off: nothing more.
        CutCase{"InsidePosition",
            [](BitWriter& w) {
                w.put(1, 1);
                w.put('B', 8);
                w.put(0, 1);
                w.put(0x3F, 6);
            },
            QByteArray("B")},
        // 'BC' then a reference to position 1 whose length is cut off: a
        // 2-byte copy from position 1.
        CutCase{"InsideLength",
            [](BitWriter& w) {
                w.put(1, 1);
                w.put('B', 8);
                w.put(1, 1);
                w.put('C', 8);
                w.put(0, 1);
                w.put(1, 12);
                w.put(1, 1); // the 4-bit length has only 1 bit before the input ends
            },
            QByteArray("BCBC")},
        // Input that stops at a token boundary ends as if an end token followed.
        CutCase{"AtTokenBoundary",
            [](BitWriter& w) {
                for (char c : {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}) {
                    w.put(1, 1);
                    w.put(static_cast<unsigned char>(c), 8);
                }
            },
            QByteArray("abcdefgh")}),
    [](const ::testing::TestParamInfo<CutCase>& p) { return std::string(p.param.name); });

TEST(Lzss, BitsAndBytesAfterTheEndAreIgnored)
{
    EXPECT_EQ(UnLZSS(hex("A08000FFFFFF")), QByteArray("A"));
    EXPECT_EQ(UnLZSS(hex("A08003")), QByteArray("A"));
}

TEST(Lzss, OutputFarLargerThanInputGrowsTheBuffer)
{
    // One literal, then references that each repeat it 17 times: the
    // output is far more than four times the input.
    BitWriter w;
    w.put(1, 1);
    w.put('x', 8);
    for (int i = 0; i < 2000; ++i) {
        w.put(0, 1);
        w.put(1, 12);
        w.put(15, 4);
    }
    w.put(0, 13);
    const QByteArray input = w.finish();
    const QByteArray expected(1 + 2000 * 17, 'x');
    EXPECT_EQ(UnLZSS(input), expected);
    // A size hint far too small or far too large changes nothing.
    EXPECT_EQ(UnLZSS(input, 1), expected);
    EXPECT_EQ(UnLZSS(input, 1u << 30), expected);
}

TEST(Lzss, OneByteInputStillDecodes)
{
    // 0x80 with no further byte: a literal whose value is cut off.
    EXPECT_EQ(UnLZSS(hex("80")), QByteArray(1, '\0'));
    EXPECT_EQ(UnLZSS(hex("00")), QByteArray());
}

TEST(Lzss, ReferencesThatWrapPastTheWindowEndReadPositionZero)
{
    // After 4095 literals the next byte goes to position 0; a copy from
    // position 4095 then reads positions 4095, 0, 1, ...
    BitWriter w;
    QByteArray expected;
    for (int i = 0; i < 4096; ++i) {
        const auto c = static_cast<unsigned char>('A' + i % 23);
        w.put(1, 1);
        w.put(c, 8);
        expected.append(static_cast<char>(c));
    }
    w.put(0, 1);
    w.put(4095, 12);
    w.put(15, 4);
    w.put(0, 13);
    const QByteArray input = w.finish();
    const QByteArray out = UnLZSS(input);
    EXPECT_EQ(out, LiteralUnLZSS(input));
    EXPECT_EQ(out.left(4096), expected);
    EXPECT_EQ(out.size(), 4096 + 17);
}

// The fast decoder must agree with the literal one on every input, including
// streams that copy from window positions not written yet.
TEST(Lzss, AgreesWithTheBitByBitReferenceOnRandomStreams)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 3000; ++round) {
        const int size = 1 + static_cast<int>(rng() % (round < 2000 ? 64 : 3000));
        const QByteArray input = randomBytes(rng, size);
        const QByteArray expected = LiteralUnLZSS(input);
        const QByteArray got = decodeExact(input);
        ASSERT_EQ(got, expected) << "random input " << input.toHex().constData();
    }
}

TEST(Lzss, AgreesWithTheReferenceOnHandBuiltReferenceHeavyStreams)
{
    // Literals and references mixed at random, positions anywhere (also
    // near the window end and just ahead of the write position).
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        BitWriter w;
        const int tokens = 1 + static_cast<int>(rng() % 400);
        for (int t = 0; t < tokens; ++t) {
            if (rng() % 3 == 0) {
                w.put(1, 1);
                w.put(rng() & 0xFF, 8);
            } else {
                w.put(0, 1);
                const unsigned choice = rng() % 4;
                const unsigned position = choice == 0 ? 4096 - 1 - rng() % 20
                    : choice == 1                     ? 1 + rng() % 40
                                                      : 1 + rng() % 4095;
                w.put(position, 12);
                w.put(rng() & 0xF, 4);
            }
        }
        if (rng() % 2)
            w.put(0, 13);
        const QByteArray input = w.finish();
        ASSERT_EQ(decodeExact(input), LiteralUnLZSS(input)) << "stream " << input.toHex().constData();
    }
}

TEST(Lzss, AgreesWithTheReferenceOnEncoderOutput)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        const int size = static_cast<int>(rng() % 9000);
        const QByteArray plain = randomBytes(rng, size, 1 + static_cast<int>(rng() % 6));
        const QByteArray stream = LzssEncode(plain);
        ASSERT_EQ(LiteralUnLZSS(stream), plain);
        ASSERT_EQ(decodeExact(stream), plain);
    }
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

TEST(Lzss, EncoderRoundTripsWithoutEndTokenAndLiteralsOnly)
{
    std::mt19937 rng(11);
    for (int size : {1, 5, 300, 5000}) {
        const QByteArray plain = randomBytes(rng, size, 4);
        EXPECT_EQ(UnLZSS(LzssEncode(plain, LzssOptions{.maxChain = 0})), plain) << size;
        // Without the end token the zero padding reads as a cut position.
        EXPECT_EQ(UnLZSS(LzssEncode(plain, LzssOptions{.endToken = false})), plain) << size;
    }
}

namespace {

// Decodes `input` fed in pieces of `piece` bytes into a small streaming
// output, so that the output is handed on (and its window moved) many times.
QByteArray decodeInPieces(const QByteArray& input, qsizetype piece)
{
    QByteArray out;
    LzssDecoder decoder(
        [&](const char* data, std::size_t size) {
            out.append(data, static_cast<qsizetype>(size));
            return true;
        },
        16384);
    for (qsizetype at = 0; at < input.size(); at += piece) {
        if (!decoder.feed(input.constData() + at, static_cast<std::size_t>(std::min(piece, input.size() - at))))
            break;
    }
    EXPECT_TRUE(decoder.finish());
    EXPECT_EQ(decoder.produced(), static_cast<std::uint64_t>(out.size()));
    return out;
}

} // namespace

// Streaming must give exactly the whole-buffer result, whatever the pieces:
// tokens split between pieces, copies reaching back across a hand-on, a cut
// end in the last piece.
TEST(Lzss, DecodingInPiecesGivesTheWholeBufferResult)
{
    std::mt19937 rng(31);
    std::vector<QByteArray> streams;
    for (const char* worked : {"B0D8AC6001400000", "00100000", "A08000FFFFFF", "A08003", "80", "00"})
        streams.push_back(hex(worked));
    for (int size : {1, 100, 4097, 70000, 300000}) {
        for (int alphabet : {1, 4, 256}) {
            QByteArray stream = LzssEncode(randomBytes(rng, size, alphabet));
            streams.push_back(stream);
            streams.push_back(stream.left(stream.size() * 2 / 3)); // cut short
        }
    }
    for (int round = 0; round < 200; ++round)
        streams.push_back(randomBytes(rng, 1 + static_cast<int>(rng() % 20000)));

    for (const QByteArray& stream : streams) {
        const QByteArray whole = UnLZSS(stream);
        for (qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(4093), qsizetype(1) << 20})
            ASSERT_EQ(decodeInPieces(stream, piece), whole) << "piece " << piece << " of " << stream.size();
    }
}

TEST(Lzss, DecodingInPiecesStopsWhenTheSinkSaysSo)
{
    const QByteArray plain(1 << 20, 'x');
    const QByteArray stream = LzssEncode(plain);
    qsizetype taken = 0;
    int calls = 0;
    LzssDecoder decoder(
        [&](const char*, std::size_t size) {
            ++calls;
            taken += static_cast<qsizetype>(size);
            return false;
        },
        16384);
    EXPECT_FALSE(decoder.feed(stream.constData(), static_cast<std::size_t>(stream.size())));
    EXPECT_FALSE(decoder.finish());
    EXPECT_EQ(calls, 1);
    EXPECT_LT(taken, plain.size());
}

#include "lzss/LzssEncoder.h"

#include "lzss/LzssBitSink.h"
#include "lzss/LzssMatchFinder.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace pelkora {

using lzss::kMaxReference;
using lzss::kMinReference;
using lzss::kWindowSize;
using lzss::LzssBitSink;
using lzss::LzssMatch;
using lzss::LzssMatchFinder;

namespace {

constexpr int kLiteralBits = 9;
constexpr int kReferenceBits = 17;
constexpr int kEndBits = 13;

enum class Parse {
    Greedy,  // take the longest match found
    Lazy,    // as deflate: a literal first when a longer match starts one byte on
    Optimal, // cheapest literal/reference sequence over a block
};

struct LevelSettings {
    int maxChain; // candidates compared per search
    Parse parse;
    // Lazy: look one byte on only for a match shorter than this, and with a
    // quarter of the chain once the match in hand is at least `goodLength`.
    int lazyBelow = 0;
    int goodLength = 0;
};

// Index: level - 1. The chain depth buys ratio for time; from level 7 on the
// parse is exact for the matches found.
constexpr LevelSettings kLevels[] = {
    {4, Parse::Greedy},
    {8, Parse::Greedy},
    {16, Parse::Greedy},
    {16, Parse::Lazy, 8, 6},
    {32, Parse::Lazy, 12, 8},
    {48, Parse::Lazy, 17, 8},
    {64, Parse::Optimal},
    {256, Parse::Optimal},
    {1024, Parse::Optimal},
};

// Output byte `at` was written to window position (at + 1) mod 4096.
void putLiteral(LzssBitSink& sink, unsigned char byte)
{
    sink.put(0x100u | byte, kLiteralBits);
}

void putReference(LzssBitSink& sink, std::size_t at, const LzssMatch& match)
{
    const auto position = static_cast<std::uint32_t>((at + 1 - match.distance) & (kWindowSize - 1));
    assert(position != 0 && match.length >= kMinReference && match.length <= kMaxReference);
    sink.put((position << 4) | static_cast<std::uint32_t>(match.length - kMinReference), kReferenceBits);
}

void encodeGreedyOrLazy(const unsigned char* data, std::size_t size, const LevelSettings& settings, LzssBitSink& sink)
{
    const bool lazy = settings.parse == Parse::Lazy;
    // A 2-byte reference saves one bit over two literals, but taken greedily
    // it often hides a long match starting one byte on.
    const int shortest = lazy ? kMinReference : 3;
    LzssMatchFinder finder(data, size, lazy);
    auto findAt = [&](std::size_t at, int maxChain) {
        return at < size ? finder.find(at, kMaxReference, maxChain) : LzssMatch{};
    };
    std::size_t at = 0;
    LzssMatch current = findAt(0, settings.maxChain);
    while (at < size) {
        if (current.length < shortest) {
            putLiteral(sink, data[at]);
            ++at;
            current = findAt(at, settings.maxChain);
            continue;
        }
        if (lazy && current.length < settings.lazyBelow) {
            const int chain = current.length >= settings.goodLength ? settings.maxChain / 4 : settings.maxChain;
            const LzssMatch next = findAt(at + 1, chain);
            if (next.length > current.length) {
                putLiteral(sink, data[at]);
                ++at;
                current = next;
                continue;
            }
        }
        putReference(sink, at, current);
        at += static_cast<std::size_t>(current.length);
        current = findAt(at, settings.maxChain);
    }
}

// Shortest path over each block: every literal costs 9 bits and every
// reference 17 whatever its position, so the longest match at a position
// (and each of its prefixes) is all the parse needs. Blocks keep the tables
// bounded; a match is cut at its block's end.
void encodeOptimal(const unsigned char* data, std::size_t size, const LevelSettings& settings, LzssBitSink& sink)
{
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    LzssMatchFinder finder(data, size, true);
    std::vector<LzssMatch> matches(std::min(size, kBlock));
    std::vector<std::uint32_t> bitsToEnd(matches.size() + 1);
    std::vector<std::uint8_t> step(matches.size());

    for (std::size_t start = 0; start < size; start += kBlock) {
        const std::size_t count = std::min(kBlock, size - start);
        for (std::size_t i = 0; i < count; ++i)
            matches[i] = finder.find(start + i, static_cast<int>(std::min<std::size_t>(kMaxReference, count - i)),
                settings.maxChain);

        bitsToEnd[count] = 0;
        for (std::size_t i = count; i-- > 0;) {
            std::uint32_t best = bitsToEnd[i + 1] + kLiteralBits;
            int bestStep = 1;
            for (int length = matches[i].length; length >= kMinReference; --length) {
                const std::uint32_t bits = bitsToEnd[i + static_cast<std::size_t>(length)] + kReferenceBits;
                if (bits < best) {
                    best = bits;
                    bestStep = length;
                }
            }
            bitsToEnd[i] = best;
            step[i] = static_cast<std::uint8_t>(bestStep);
        }

        for (std::size_t i = 0; i < count;) {
            if (step[i] == 1) {
                putLiteral(sink, data[start + i]);
                ++i;
            } else {
                putReference(sink, start + i, LzssMatch{step[i], matches[i].distance});
                i += step[i];
            }
        }
    }
}

} // namespace

QByteArray EncodeLZSS(const char* data, std::size_t size, int level)
{
    const LevelSettings& settings = kLevels[std::clamp(level, kLzssFastestLevel, kLzssBestLevel) - 1];

    // Literals only is the longest stream; 4 spare bytes for the sink's
    // whole-word writes.
    constexpr auto kMaxBytes = static_cast<std::size_t>(std::numeric_limits<qsizetype>::max());
    if (size > (kMaxBytes - 64) / kLiteralBits)
        throw std::bad_alloc();
    const std::size_t bound = (size * kLiteralBits + kEndBits + 7) / 8 + 4;
    QByteArray out(static_cast<qsizetype>(bound), Qt::Uninitialized);

    LzssBitSink sink(out.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (settings.parse == Parse::Optimal)
        encodeOptimal(bytes, size, settings, sink);
    else
        encodeGreedyOrLazy(bytes, size, settings, sink);
    sink.put(0, kEndBits);
    out.resize(sink.finish() - out.constData());
    out.squeeze();
    return out;
}

} // namespace pelkora

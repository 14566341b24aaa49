#include "lzss/LzssMatchFinder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelkora::lzss {

namespace {

// Far from any position a search starts at, so an unused entry fails the
// distance check (and would only cost a compare if it did not).
constexpr std::uint32_t kNoPosition = 0x80000000u;

std::uint32_t hash3(const unsigned char* p)
{
    const std::uint32_t bytes = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return (bytes * 0x9E3779B1u) >> (32 - 15);
}

std::uint32_t pair(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 8) | p[1];
}

// How many bytes agree, up to `limit` (at most kMaxReference). `source` lies
// before `current`; the ranges may overlap, which is just what the decoder's
// byte-at-a-time copy repeats.
int matchLength(const unsigned char* source, const unsigned char* current, int limit)
{
    int length = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (length + 8 <= limit) {
            std::uint64_t a;
            std::uint64_t b;
            std::memcpy(&a, source + length, 8);
            std::memcpy(&b, current + length, 8);
            if (a != b)
                return length + std::countr_zero(a ^ b) / 8;
            length += 8;
        }
    }
    while (length < limit && source[length] == current[length])
        ++length;
    return length;
}

} // namespace

LzssMatchFinder::LzssMatchFinder(const unsigned char* data, std::size_t size, bool pairs)
    : mData(data)
    , mSize(size)
    , mPairs(pairs)
    , mHead(std::size_t{1} << kHashBits, kNoPosition)
    , mPairLast(pairs ? std::size_t{1} << 16 : 0, kNoPosition)
{
    mPrevious.fill(kNoPosition);
}

void LzssMatchFinder::indexUpTo(std::size_t end)
{
    const std::size_t hashable = mSize >= 3 ? mSize - 2 : 0;
    for (; mIndexed < end; ++mIndexed) {
        const unsigned char* p = mData + mIndexed;
        if (mIndexed < hashable) {
            std::uint32_t& head = mHead[hash3(p)];
            mPrevious[mIndexed & (kWindowSize - 1)] = head;
            head = static_cast<std::uint32_t>(mIndexed);
        }
        if (mPairs && mIndexed + 1 < mSize)
            mPairLast[pair(p)] = static_cast<std::uint32_t>(mIndexed);
    }
}

LzssMatch LzssMatchFinder::find(std::size_t at, int limit, int maxChain)
{
    indexUpTo(at);
    LzssMatch best;
    limit = static_cast<int>(std::min<std::size_t>({static_cast<std::size_t>(limit), mSize - at}));
    if (limit < kMinReference)
        return best;

    // Positions are kept in 32 bits: distances are taken mod 2^32, and a
    // candidate counts only if it lies 1..4096 bytes back within the input.
    const auto at32 = static_cast<std::uint32_t>(at);
    const auto reach = static_cast<std::uint32_t>(std::min<std::size_t>(kWindowSize, at));
    // The one distance whose reference would start at window position 0.
    const auto endTokenDistance = static_cast<std::uint32_t>(at & (kWindowSize - 1)) + 1;
    const unsigned char* current = mData + at;

    if (limit >= 3) {
        std::uint32_t candidate = mHead[hash3(current)];
        std::uint32_t lastDistance = 0;
        for (int chain = maxChain; chain > 0; --chain) {
            const std::uint32_t distance = at32 - candidate;
            // Links only lead further back; anything else is stale.
            if (distance <= lastDistance || distance > reach)
                break;
            lastDistance = distance;
            const unsigned char* source = current - distance;
            if (distance != endTokenDistance && source[best.length] == current[best.length]) {
                const int length = matchLength(source, current, limit);
                if (length > best.length) {
                    best = {length, distance};
                    if (length >= limit)
                        break;
                }
            }
            candidate = mPrevious[candidate & (kWindowSize - 1)];
        }
    }
    if (mPairs && best.length < kMinReference) {
        const std::uint32_t distance = at32 - mPairLast[pair(current)];
        if (distance >= 1 && distance <= reach && distance != endTokenDistance) {
            const int length = matchLength(current - distance, current, limit);
            if (length >= kMinReference)
                best = {length, distance};
        }
    }
    return best;
}

} // namespace pelkora::lzss

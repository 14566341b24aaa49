#include "LzssEncoder.h"

#include <vector>

namespace pelkora::testsupport {

void BitWriter::put(unsigned value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        mCurrent = (mCurrent << 1) | ((value >> i) & 1u);
        if (++mUsed == 8) {
            mBytes.append(static_cast<char>(mCurrent));
            mCurrent = 0;
            mUsed = 0;
        }
    }
}

QByteArray BitWriter::finish()
{
    if (mUsed > 0) {
        mBytes.append(static_cast<char>(mCurrent << (8 - mUsed)));
        mCurrent = 0;
        mUsed = 0;
    }
    return mBytes;
}

QByteArray LzssEncode(const QByteArray& plain, const LzssOptions& options)
{
    constexpr int kMinMatch = 3;
    constexpr int kMaxMatch = 17;
    constexpr long kMaxDistance = 4096;
    constexpr unsigned kHashSize = 1u << 16;

    const auto* p = reinterpret_cast<const unsigned char*>(plain.constData());
    const long n = plain.size();
    std::vector<long> head(kHashSize, -1);
    std::vector<long> prev(static_cast<std::size_t>(n > 0 ? n : 1), -1);
    auto hashAt = [&](long i) {
        return ((static_cast<unsigned>(p[i]) << 8) ^ (static_cast<unsigned>(p[i + 1]) << 4) ^ p[i + 2])
            & (kHashSize - 1);
    };
    long inserted = 0; // positions below this are in the hash chains
    auto insertUpTo = [&](long end) {
        for (; inserted < end; ++inserted) {
            if (inserted + kMinMatch <= n) {
                const unsigned h = hashAt(inserted);
                prev[static_cast<std::size_t>(inserted)] = head[h];
                head[h] = inserted;
            }
        }
    };
    // The longest match for position k among the earlier positions.
    auto longestMatch = [&](long k, long& bestDistance) {
        int bestLength = 0;
        if (options.maxChain <= 0 || k + kMinMatch > n)
            return bestLength;
        insertUpTo(k);
        long candidate = head[hashAt(k)];
        for (int chain = 0; candidate >= 0 && chain < options.maxChain; ++chain) {
            const long distance = k - candidate;
            if (distance > kMaxDistance)
                break;
            // Window position 0 cannot start a reference (it means End).
            if (((k + 1 - distance) & 0xFFF) != 0) {
                int length = 0;
                while (length < kMaxMatch && k + length < n && p[candidate + length] == p[k + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                    if (length == kMaxMatch)
                        break;
                }
            }
            candidate = prev[static_cast<std::size_t>(candidate)];
        }
        return bestLength;
    };

    BitWriter out;
    long k = 0;
    while (k < n) {
        long bestDistance = 0;
        const int bestLength = longestMatch(k, bestDistance);
        // Lazy matching, as deflate does: a longer match one byte on is
        // worth a literal first.
        long nextDistance = 0;
        const bool waitForLonger = options.lazy && bestLength >= kMinMatch && bestLength < kMaxMatch
            && longestMatch(k + 1, nextDistance) > bestLength;
        if (bestLength >= kMinMatch && !waitForLonger) {
            out.put(0, 1);
            out.put(static_cast<unsigned>((k + 1 - bestDistance) & 0xFFF), 12);
            out.put(static_cast<unsigned>(bestLength - 2), 4);
            k += bestLength;
        } else {
            out.put(1, 1);
            out.put(p[k], 8);
            ++k;
        }
    }
    if (options.endToken) {
        out.put(0, 1);
        out.put(0, 12);
    }
    return out.finish();
}

} // namespace pelkora::testsupport

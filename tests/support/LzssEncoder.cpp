#include "LzssEncoder.h"

#include <vector>

namespace pelkora::testsupport {

void BitWriter::put(unsigned value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        current_ = (current_ << 1) | ((value >> i) & 1u);
        if (++used_ == 8) {
            bytes_.append(static_cast<char>(current_));
            current_ = 0;
            used_ = 0;
        }
    }
}

QByteArray BitWriter::finish()
{
    if (used_ > 0) {
        bytes_.append(static_cast<char>(current_ << (8 - used_)));
        current_ = 0;
        used_ = 0;
    }
    return bytes_;
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
        return ((static_cast<unsigned>(p[i]) << 8) ^ (static_cast<unsigned>(p[i + 1]) << 4) ^ p[i + 2]) & (kHashSize - 1);
    };
    auto insert = [&](long i) {
        if (i + kMinMatch <= n) {
            const unsigned h = hashAt(i);
            prev[static_cast<std::size_t>(i)] = head[h];
            head[h] = i;
        }
    };

    BitWriter out;
    long k = 0;
    while (k < n) {
        int bestLength = 0;
        long bestDistance = 0;
        if (options.maxChain > 0 && k + kMinMatch <= n) {
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
        }
        if (bestLength >= kMinMatch) {
            out.put(0, 1);
            out.put(static_cast<unsigned>((k + 1 - bestDistance) & 0xFFF), 12);
            out.put(static_cast<unsigned>(bestLength - 2), 4);
            for (int i = 0; i < bestLength; ++i)
                insert(k + i);
            k += bestLength;
        } else {
            out.put(1, 1);
            out.put(p[k], 8);
            insert(k);
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

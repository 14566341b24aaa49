#pragma once
// Finds, for a position of the input, the longest earlier occurrence that a
// reference of the stream may copy from: within the 4096-byte window, from
// bytes this stream has already written, never starting at window position 0
// (that position is the end token). Hash chains over 3-byte prefixes, plus
// the last occurrence of every 2-byte pair when asked for.
//
// Memory is fixed whatever the input size: the chain links only the last
// 4096 positions. Every candidate is checked against the bytes themselves, so
// a stale table entry costs time, never a wrong reference.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelkora::lzss {

inline constexpr int kMinReference = 2;
inline constexpr int kMaxReference = 17;
inline constexpr std::uint32_t kWindowSize = 4096;

struct LzssMatch {
    int length = 0;             // 0 when nothing of 2 bytes or more was found
    std::uint32_t distance = 0; // 1..4096 bytes back from the position
};

class LzssMatchFinder {
public:
    // `pairs` also offers 2-byte matches.
    LzssMatchFinder(const unsigned char* data, std::size_t size, bool pairs);

    // The longest match at `at`, at most `limit` bytes long, among the
    // `maxChain` nearest candidates. Searches must come in increasing order
    // of `at`: every position before it is indexed.
    LzssMatch find(std::size_t at, int limit, int maxChain);

private:
    void indexUpTo(std::size_t end);

    static constexpr int kHashBits = 15;

    const unsigned char* mData;
    std::size_t mSize;
    bool mPairs;
    std::size_t mIndexed = 0;                           // positions below this are in the tables
    std::vector<std::uint32_t> mHead;                   // last position of each 3-byte hash
    std::vector<std::uint32_t> mPairLast;               // last position of each 2-byte pair
    std::array<std::uint32_t, kWindowSize> mPrevious{}; // chain link, by position mod 4096
};

} // namespace pelkora::lzss

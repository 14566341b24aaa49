#include "lzss/UnLZSS.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace pelkora {
namespace {

constexpr unsigned kWindowMask = 0xFFF;
constexpr std::size_t kWindowSize = 4096;
constexpr unsigned kLiteralBits = 9;
constexpr unsigned kPositionEndBits = 13; // flag + position
constexpr unsigned kReferenceBits = 17;   // flag + position + length
constexpr std::size_t kMaxToken = 17;     // longest output of one token
// Tokens decoded from one 64-bit load: a load shifted into place holds at
// least 57 stream bits, and three tokens take at most 51.
constexpr int kTokensPerLoad = 3;
// The flags of six literals in a row at the start of a load.
constexpr std::uint64_t kSixLiterals =
    (1ull << 63) | (1ull << 54) | (1ull << 45) | (1ull << 36) | (1ull << 27) | (1ull << 18);
// A copy may write up to 24 bytes from its start (three 8-byte moves), so a
// group of tokens writes at most 2 * 17 + 24 bytes past the output position.
constexpr std::size_t kGroupRoom = 2 * kMaxToken + 24;
constexpr std::size_t kSlack = 64; // beyond the expected size, so an exact hint never grows

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
    "the 64-bit loads assume a little- or big-endian machine");

// The stream is read most significant bit first, so eight input bytes are one
// big-endian word: swapped on little-endian machines, taken as they are else.
inline std::uint64_t loadBigEndian64(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap64(word);
    else
        return word;
}

// The 64 stream bits starting at `bit`, most significant first; bits past
// the input read as zero (callers check the remaining count themselves).
inline std::uint64_t peekBits(const unsigned char* in, std::size_t size, std::uint64_t bit)
{
    const std::size_t byte = static_cast<std::size_t>(bit >> 3);
    std::uint64_t word = 0;
    if (byte + 8 <= size) {
        word = loadBigEndian64(in + byte);
    } else {
        for (std::size_t i = 0; i < 8; ++i) {
            word <<= 8;
            if (byte + i < size)
                word |= in[byte + i];
        }
    }
    return word << (bit & 7);
}

// Copies `length` (2 to 17) bytes that start at window position `position`
// to out[pos]. Output byte k went to window position (k + 1) mod 4096, so the
// source is the output `distance` bytes back. Bytes are copied in order, so a
// source that reaches the write position repeats what was just written. May
// write up to 24 bytes.
inline void copyReference(unsigned char* out, std::size_t pos, unsigned position, std::size_t length)
{
    std::size_t distance = (pos + 1 - position) & kWindowMask;
    distance = distance == 0 ? kWindowSize : distance;
    unsigned char* dst = out + pos;
    const unsigned char* src = dst - distance;
    if (distance >= 8) {
        // Each 8-byte move reads only bytes already in place. One path for
        // every distance from 8 up keeps the branch predictable.
        std::memcpy(dst, src, 8);
        std::memcpy(dst + 8, src + 8, 8);
        std::memcpy(dst + 16, src + 16, 8);
    } else if (distance == 1) {
        std::memset(dst, *src, kMaxToken);
    } else {
        for (std::size_t i = 0; i < length; ++i)
            dst[i] = src[i];
    }
}

// Thrown from a streaming output whose sink wants no more bytes; caught
// where decoding started.
struct SinkStopped { };

// The decoded bytes, preceded inside the same allocation by one window's
// worth of zeros: a window position that was never written reads as zero,
// and with the zeros in front every copy source lies inside the buffer, so a
// copy needs no test for it. The zeros are dropped in take() without moving
// the output. The decoding loops keep the position in a local while they
// run (stores through a byte pointer would otherwise reload every member).
//
// A streaming output (one with a sink) does not grow: when full it hands on
// all but the last window's worth of bytes and moves those to the front. It
// moves by a multiple of the window size, so a byte keeps its window position
// and a copy still finds its source the same distance back.
class Output {
public:
    // `expected` output bytes fit without growing.
    explicit Output(std::size_t expected, LzssDecoder::Sink* sink = nullptr)
        : mBuffer(static_cast<qsizetype>(kWindowSize + expected + kSlack), Qt::Uninitialized)
        , mCapacity(expected + kSlack)
        , mSink(sink)
    {
        std::memset(mBuffer.data(), 0, kWindowSize);
        mOut = reinterpret_cast<unsigned char*>(mBuffer.data()) + kWindowSize;
    }

    unsigned char* data() const { return mOut; }
    std::size_t capacity() const { return mCapacity; }

    // Makes sure that `bytes` can be written at `pos` and answers the
    // position to write at from now on. A streaming output hands bytes on
    // (and throws SinkStopped if the sink refuses them); any other grows by
    // half. data() may change.
    std::size_t makeRoom(std::size_t pos, std::size_t bytes)
    {
        if (pos + bytes <= mCapacity)
            return pos;
        if (mSink != nullptr && pos >= 2 * kWindowSize) {
            const std::size_t shift = (pos - kWindowSize) & ~(kWindowSize - 1);
            handOn(shift);
            std::memmove(mOut, mOut + shift, pos - shift);
            pos -= shift;
            if (pos + bytes <= mCapacity)
                return pos;
        }
        const std::size_t grown = std::max(mCapacity + mCapacity / 2, pos + bytes);
        mBuffer.resize(static_cast<qsizetype>(kWindowSize + grown));
        mOut = reinterpret_cast<unsigned char*>(mBuffer.data()) + kWindowSize;
        mCapacity = grown;
        return pos;
    }

    // Hands the first `size` bytes to the sink (streaming outputs only).
    void handOn(std::size_t size)
    {
        if (size > 0 && !(*mSink)(reinterpret_cast<const char*>(mOut), size))
            throw SinkStopped{};
        mHandedOn += size;
    }

    std::uint64_t handedOn() const { return mHandedOn; }

    // The first `size` decoded bytes.
    QByteArray take(std::size_t size)
    {
        mBuffer.resize(static_cast<qsizetype>(kWindowSize + size));
        mBuffer.remove(0, static_cast<qsizetype>(kWindowSize)); // moves the start, not the bytes
        if (mCapacity - size > 65536)
            mBuffer.squeeze();
        return std::move(mBuffer);
    }

private:
    QByteArray mBuffer;
    unsigned char* mOut;
    std::size_t mCapacity;
    LzssDecoder::Sink* mSink;
    std::uint64_t mHandedOn = 0;
};

// A literal's first eight output bytes: the byte, then zeros (they lie
// within the group's room and are overwritten).
inline std::uint64_t literalWord(std::uint64_t byte)
{
    if constexpr (std::endian::native == std::endian::little)
        return byte;
    else
        return byte << 56;
}

// Decodes the token at the top of `word` and moves past it. Returns false at
// the end token.
//
// Text mixes literals and references with no pattern a branch predictor can
// learn, so a branch on the token's kind costs a misprediction every few
// tokens. Here both kinds run the same instructions: a literal is a copy whose
// first eight bytes come from the token instead of the window, and the
// lengths, shifts and first bytes of both kinds are computed and one picked by
// a mask.
inline bool decodeToken(std::uint64_t& word, std::uint64_t& bit, unsigned char* out, std::size_t& pos)
{
    const std::uint64_t flagAndPosition = word >> 51;
    if (flagAndPosition == 0) [[unlikely]]
        return false;
    const std::uint64_t literalMask = static_cast<std::uint64_t>(static_cast<std::int64_t>(word) >> 63);
    // The source is back + 1 bytes back (window position 0 is a whole window
    // back). For a literal `back` is noise from its bits; any value reads
    // inside the buffer, thanks to the window of zeros in front.
    const std::size_t back = (pos - flagAndPosition) & kWindowMask;
    unsigned char* dst = out + pos;
    if ((back | (literalMask & 8)) < 7) [[unlikely]] {
        // A reference less than eight bytes back repeats bytes that the
        // 8-byte moves below would read before they are written.
        copyReference(out, pos, static_cast<unsigned>(flagAndPosition & kWindowMask), ((word >> 47) & 0xF) + 2);
    } else {
        const unsigned char* src = dst - 1 - back;
        std::uint64_t first;
        std::memcpy(&first, src, 8);
        first = (first & ~literalMask) | (literalWord((word >> 55) & 0xFF) & literalMask);
        std::memcpy(dst, &first, 8);
        std::memcpy(dst + 8, src + 8, 8);
        std::memcpy(dst + 16, src + 16, 8);
    }
    const std::uint64_t length = ((((word >> 47) & 0xF) + 2) & ~literalMask) | (1 & literalMask);
    const std::uint64_t next = ((word << kReferenceBits) & ~literalMask) | ((word << kLiteralBits) & literalMask);
    const std::uint64_t step = kReferenceBits - (literalMask & 8);
    pos += length;
    word = next;
    bit += step;
    return true;
}

// Six literals in a row (54 bits), as in content that hardly compresses,
// written with one 8-byte store; the two bytes after them lie within the
// group's room and are overwritten.
inline void writeSixLiterals(std::uint64_t word, unsigned char* dst)
{
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t bytes = ((word >> 55) & 0xFF) | ((word >> 46) & 0xFF) << 8 | ((word >> 37) & 0xFF) << 16
            | ((word >> 28) & 0xFF) << 24 | ((word >> 19) & 0xFF) << 32 | ((word >> 10) & 0xFF) << 40;
        std::memcpy(dst, &bytes, 8);
    } else {
        for (int i = 0; i < 6; ++i)
            dst[i] = static_cast<unsigned char>(word >> (55 - 9 * i));
    }
}

// Decodes whole groups of tokens while eight input bytes can be loaded at the
// bit position. Returns false when the end token was read.
inline bool decodeBulk(const unsigned char* in, std::size_t size, std::uint64_t& bitInOut, std::size_t& posInOut,
    Output& output)
{
    if (size < 8)
        return true;
    const std::size_t lastLoad = size - 8;
    std::uint64_t bit = bitInOut;
    std::size_t pos = posInOut;
    unsigned char* out = output.data();
    std::size_t capacity = output.capacity();
    bool more = true;
    while ((bit >> 3) <= lastLoad) {
        if (pos + kGroupRoom > capacity) {
            pos = output.makeRoom(pos, kGroupRoom);
            out = output.data();
            capacity = output.capacity();
        }
        std::uint64_t word = loadBigEndian64(in + (bit >> 3)) << (bit & 7);
        // Runs of literals come in stretches, so this branch predicts well
        // where the kind of each single token would not.
        if ((word & kSixLiterals) == kSixLiterals) {
            writeSixLiterals(word, out + pos);
            pos += 6;
            bit += 6 * kLiteralBits;
            continue;
        }
        static_assert(kTokensPerLoad == 3);
        if (!decodeToken(word, bit, out, pos) || !decodeToken(word, bit, out, pos)
            || !decodeToken(word, bit, out, pos)) {
            more = false;
            break;
        }
    }
    bitInOut = bit;
    posInOut = pos;
    return more;
}

// The last few input bytes, token by token, with the rules for input that
// ends early.
inline void decodeTail(const unsigned char* in, std::size_t size, std::uint64_t bit, std::size_t& pos, Output& output)
{
    const std::uint64_t totalBits = static_cast<std::uint64_t>(size) * 8;
    for (;;) {
        const std::uint64_t remaining = totalBits - bit;
        if (remaining == 0)
            return; // a flag past the end reads as a reference to position 0
        pos = output.makeRoom(pos, kGroupRoom);
        unsigned char* out = output.data();
        const std::uint64_t word = peekBits(in, size, bit);
        if (word >> 63) {
            if (remaining < kLiteralBits) {
                out[pos++] = 0; // a cut literal reads as zero, then the input is over
                return;
            }
            out[pos++] = static_cast<unsigned char>(word >> 55);
            bit += kLiteralBits;
            continue;
        }
        if (remaining < kPositionEndBits)
            return; // a cut position reads as 0: the end
        const unsigned position = static_cast<unsigned>(word >> 51) & kWindowMask;
        if (position == 0)
            return;
        if (remaining < kReferenceBits) {
            copyReference(out, pos, position, 2); // a cut length reads as 0
            pos += 2;
            return;
        }
        const std::size_t length = ((word >> 47) & 0xF) + 2;
        copyReference(out, pos, position, length);
        pos += length;
        bit += kReferenceBits;
    }
}

} // namespace

void InitLZSS()
{
}

QByteArray UnLZSS(const char* data, std::size_t size, std::size_t sizeHint)
{
    if (size == 0)
        return {};
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    // One bit can yield at most one byte (17 bits give 17 bytes), so a hint
    // above 8 bytes per input byte is not believed.
    const std::size_t maxOutput = size * 8;
    const std::size_t capacity = sizeHint > 0 ? std::min(sizeHint, maxOutput) : std::min(size * 4, maxOutput);
    Output output(std::max<std::size_t>(capacity, 64));

    std::uint64_t bit = 0;
    std::size_t pos = 0;
    if (decodeBulk(in, size, bit, pos, output))
        decodeTail(in, size, bit, pos, output);
    return output.take(pos);
}

struct LzssDecoder::State {
    explicit State(Sink sinkIn, std::size_t chunk)
        : sink(std::move(sinkIn))
        , output(chunk, &sink)
    {
    }
    Sink sink;
    Output output;
    std::vector<unsigned char> input; // bytes not yet decoded, from the byte holding bit `bit`
    std::uint64_t bit = 0;            // 0-7
    std::size_t pos = 0;
    bool ended = false;   // the end token was read
    bool stopped = false; // the sink refused bytes
};

LzssDecoder::LzssDecoder(Sink sink, std::size_t chunk)
    : mState(std::make_unique<State>(std::move(sink), std::max<std::size_t>(chunk, 4 * kWindowSize)))
{
}

LzssDecoder::~LzssDecoder() = default;

bool LzssDecoder::feed(const char* data, std::size_t size)
{
    State& s = *mState;
    if (s.ended || s.stopped)
        return false;
    s.input.insert(s.input.end(), reinterpret_cast<const unsigned char*>(data),
        reinterpret_cast<const unsigned char*>(data) + size);
    // Tokens are decoded while eight bytes can be loaded; the few bytes after
    // the last whole load wait for the next piece (or for finish()).
    std::uint64_t bit = s.bit;
    try {
        s.ended = !decodeBulk(s.input.data(), s.input.size(), bit, s.pos, s.output);
    } catch (const SinkStopped&) {
        s.stopped = true;
        return false;
    }
    const std::size_t consumed = static_cast<std::size_t>(bit >> 3);
    s.input.erase(s.input.begin(), s.input.begin() + static_cast<std::ptrdiff_t>(consumed));
    s.bit = bit & 7;
    return !s.ended;
}

bool LzssDecoder::finish()
{
    State& s = *mState;
    if (s.stopped)
        return false;
    try {
        if (!s.ended && !s.input.empty())
            decodeTail(s.input.data(), s.input.size(), s.bit, s.pos, s.output);
        s.ended = true;
        s.input.clear();
        s.output.handOn(s.pos);
        s.pos = 0;
    } catch (const SinkStopped&) {
        s.stopped = true;
        return false;
    }
    return true;
}

std::uint64_t LzssDecoder::produced() const
{
    return mState->output.handedOn() + mState->pos;
}

} // namespace pelkora

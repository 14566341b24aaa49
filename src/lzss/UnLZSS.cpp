#include "lzss/UnLZSS.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace pelkora {
namespace {

constexpr unsigned kWindowMask = 0xFFF;
constexpr std::size_t kWindowSize = 4096;
constexpr unsigned kLiteralBits = 9;
constexpr unsigned kPositionEndBits = 13;  // flag + position
constexpr unsigned kReferenceBits = 17;    // flag + position + length
constexpr std::size_t kMaxToken = 17;      // longest output of one token
constexpr std::size_t kSlack = 32;         // room for the 16-byte fast copy

// The 64 stream bits starting at `bit`, most significant first; bits past
// the input read as zero (callers check the remaining count themselves).
inline std::uint64_t peekBits(const unsigned char* in, std::size_t size, std::uint64_t bit)
{
    const std::size_t byte = static_cast<std::size_t>(bit >> 3);
    std::uint64_t word = 0;
    if (byte + 8 <= size) {
        std::memcpy(&word, in + byte, 8);
        word = __builtin_bswap64(word);
    } else {
        for (std::size_t i = 0; i < 8; ++i) {
            word <<= 8;
            if (byte + i < size)
                word |= in[byte + i];
        }
    }
    return word << (bit & 7);
}

class Output {
public:
    explicit Output(std::size_t capacity)
        : buffer_(static_cast<qsizetype>(capacity + kSlack), Qt::Uninitialized)
        , data_(reinterpret_cast<unsigned char*>(buffer_.data()))
        , capacity_(capacity)
    {
    }

    // Makes room for one more token (and the fast copy's overrun).
    void reserveToken()
    {
        if (pos_ + kMaxToken <= capacity_)
            return;
        const std::size_t grown = std::max(capacity_ + capacity_ / 2, pos_ + kMaxToken);
        buffer_.resize(static_cast<qsizetype>(grown + kSlack));
        data_ = reinterpret_cast<unsigned char*>(buffer_.data());
        capacity_ = grown;
    }

    void literal(unsigned char c) { data_[pos_++] = c; }

    // Copies `length` bytes that start at window position `position`.
    void reference(unsigned position, std::size_t length)
    {
        std::size_t distance = (pos_ + 1 - position) & kWindowMask;
        if (distance == 0)
            distance = kWindowSize;
        unsigned char* dst = data_ + pos_;
        if (distance <= pos_) {
            const unsigned char* src = dst - distance;
            if (distance >= 16) {
                // The first 16 bytes of the source lie wholly before dst.
                std::memcpy(dst, src, 16);
                if (length > 16)
                    dst[16] = src[16];
            } else {
                for (std::size_t i = 0; i < length; ++i)
                    dst[i] = src[i];
            }
        } else {
            // Window positions never written yet hold zero. Byte i comes from
            // output index pos_ + i - distance, which may be a byte of this
            // same copy once i reaches distance.
            for (std::size_t i = 0; i < length; ++i) {
                const std::size_t at = pos_ + i;
                dst[i] = at < distance ? 0 : data_[at - distance];
            }
        }
        pos_ += length;
    }

    QByteArray take()
    {
        buffer_.resize(static_cast<qsizetype>(pos_));
        if (capacity_ - pos_ > 65536)
            buffer_.squeeze();
        return std::move(buffer_);
    }

private:
    QByteArray buffer_;
    unsigned char* data_;
    std::size_t capacity_;
    std::size_t pos_ = 0;
};

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
    Output out(std::max<std::size_t>(capacity, 64));

    const std::uint64_t totalBits = static_cast<std::uint64_t>(size) * 8;
    std::uint64_t bit = 0;
    for (;;) {
        const std::uint64_t remaining = totalBits - bit;
        if (remaining == 0)
            break; // a flag past the end reads as a reference to position 0
        out.reserveToken();
        const std::uint64_t word = peekBits(in, size, bit);
        if (word >> 63) {
            if (remaining < kLiteralBits) {
                out.literal(0); // a cut literal reads as zero, then the input is over
                break;
            }
            out.literal(static_cast<unsigned char>(word >> 55));
            bit += kLiteralBits;
            continue;
        }
        if (remaining < kPositionEndBits)
            break; // a cut position reads as 0: the end
        const unsigned position = static_cast<unsigned>(word >> 51) & kWindowMask;
        if (position == 0)
            break;
        if (remaining < kReferenceBits) {
            out.reference(position, 2); // a cut length reads as 0
            break;
        }
        out.reference(position, ((word >> 47) & 0xF) + 2);
        bit += kReferenceBits;
    }
    return out.take();
}

} // namespace pelkora

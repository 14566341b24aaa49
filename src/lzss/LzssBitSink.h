#pragma once
// Writes the encoder's bits most significant first into a buffer sized in
// advance: a 64-bit accumulator, flushed four bytes at a time.

#include <cstdint>

namespace pelkora::lzss {

class LzssBitSink {
public:
    // `out` must have room for every byte written plus 4 spare bytes.
    explicit LzssBitSink(char* out)
        : m_out(reinterpret_cast<unsigned char*>(out))
    {
    }

    // `width` is at most 32 bits; `value` has no bits above it.
    void put(std::uint32_t value, int width)
    {
        m_accumulator = (m_accumulator << width) | value;
        m_pending += width;
        if (m_pending >= 32) {
            m_pending -= 32;
            const auto word = static_cast<std::uint32_t>(m_accumulator >> m_pending);
            m_out[0] = static_cast<unsigned char>(word >> 24);
            m_out[1] = static_cast<unsigned char>(word >> 16);
            m_out[2] = static_cast<unsigned char>(word >> 8);
            m_out[3] = static_cast<unsigned char>(word);
            m_out += 4;
        }
    }

    // Pads the last byte with zero bits; returns the end of the written bytes.
    char* finish()
    {
        while (m_pending > 0) {
            const int take = m_pending >= 8 ? 8 : m_pending;
            m_pending -= take;
            *m_out++ = static_cast<unsigned char>(((m_accumulator >> m_pending) & ((1u << take) - 1)) << (8 - take));
        }
        return reinterpret_cast<char*>(m_out);
    }

private:
    unsigned char* m_out;
    std::uint64_t m_accumulator = 0;
    int m_pending = 0; // bits in the accumulator not yet written
};

} // namespace pelkora::lzss

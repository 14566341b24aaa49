#pragma once
// Writes the encoder's bits most significant first into a buffer sized in
// advance: a 64-bit accumulator, flushed four bytes at a time.

#include <cstdint>

namespace pelkora::lzss {

class LzssBitSink {
public:
    // `out` must have room for every byte written plus 4 spare bytes.
    explicit LzssBitSink(char* out)
        : mOut(reinterpret_cast<unsigned char*>(out))
    {
    }

    // `width` is at most 32 bits; `value` has no bits above it.
    void put(std::uint32_t value, int width)
    {
        mAccumulator = (mAccumulator << width) | value;
        mPending += width;
        if (mPending >= 32) {
            mPending -= 32;
            const auto word = static_cast<std::uint32_t>(mAccumulator >> mPending);
            mOut[0] = static_cast<unsigned char>(word >> 24);
            mOut[1] = static_cast<unsigned char>(word >> 16);
            mOut[2] = static_cast<unsigned char>(word >> 8);
            mOut[3] = static_cast<unsigned char>(word);
            mOut += 4;
        }
    }

    // Pads the last byte with zero bits; returns the end of the written bytes.
    char* finish()
    {
        while (mPending > 0) {
            const int take = mPending >= 8 ? 8 : mPending;
            mPending -= take;
            *mOut++ = static_cast<unsigned char>(((mAccumulator >> mPending) & ((1u << take) - 1)) << (8 - take));
        }
        return reinterpret_cast<char*>(mOut);
    }

private:
    unsigned char* mOut;
    std::uint64_t mAccumulator = 0;
    int mPending = 0; // bits in the accumulator not yet written
};

} // namespace pelkora::lzss

#pragma once
// A plain LZSS decoder that follows the stream's bit rules one bit at a time,
// as the original module did: a 4096-byte window, a bit mask over the current
// byte, one call per flag bit and per field bit, and an output buffer sized at
// four times the input's last index that grows by half when full.
//
// The stream rules taken literally: a fresh zero window per call, the first
// byte written at window position 1, absolute positions, byte-by-byte copies,
// and input that ends early reading as zero bits (a cut field reads as 0 as a
// whole). An empty input gives an empty result.
//
// It is the yardstick for the real decoder: the decoder tests and the decoder
// fuzz target check that both give the same bytes, and the benchmarks measure
// against it. Never linked into the program.

#include <QByteArray>
#include <cstddef>

namespace pelkora::testsupport {

QByteArray LiteralUnLZSS(const char* data, std::size_t size);
inline QByteArray LiteralUnLZSS(const QByteArray& input)
{
    return LiteralUnLZSS(input.constData(), static_cast<std::size_t>(input.size()));
}

// The same, but starting from the given window (its first 4096 bytes, zeros
// after a shorter one) instead of zeros: a stream that only copies bytes it
// wrote itself decodes the same from any window.
QByteArray LiteralUnLZSS(const QByteArray& input, const QByteArray& startWindow);

} // namespace pelkora::testsupport

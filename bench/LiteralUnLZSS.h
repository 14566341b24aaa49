#pragma once
// A plain LZSS decoder that follows the stream's bit rules one bit at a time,
// as the original module did: a 4096-byte window, a bit mask over the current
// byte, one call per flag bit and per field bit, and an output buffer sized at
// four times the input's last index that grows by half when full.
//
// It is the yardstick for the real decoder: the benchmarks measure against it
// and the decoder fuzz target checks that both give the same bytes. Like the
// real decoder it starts every call from a zero-filled window and returns an
// empty result for a stream that yields no byte.

#include <QByteArray>
#include <cstddef>

namespace pelkora::reference {

QByteArray LiteralUnLZSS(const char* data, std::size_t size);
inline QByteArray LiteralUnLZSS(const QByteArray& input)
{
    return LiteralUnLZSS(input.constData(), static_cast<std::size_t>(input.size()));
}

} // namespace pelkora::reference

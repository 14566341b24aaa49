#pragma once
// Decoder for the compressed entries of a "Big file" (see FORMAT.md beside
// this file for the stream).
//
// Contract: UnLZSS is a pure function of its input. It never reads outside
// the input bytes and never writes outside the buffer it returns; every call
// starts from an all-zero window. Input that ends early ends decoding quietly
// (never an error); a stream that yields no byte gives an empty result. The
// only failure is running out of memory (std::bad_alloc).

#include <QByteArray>
#include <cstddef>

namespace pelkora {

// Start-up step kept for the program's start sequence. The decoder keeps no
// state between calls, so there is nothing to prepare.
void InitLZSS();

// `sizeHint`, when known (an entry's stored unpacked size), only sizes the
// first output buffer; it never changes the result.
QByteArray UnLZSS(const char* data, std::size_t size, std::size_t sizeHint = 0);
inline QByteArray UnLZSS(const QByteArray& input, std::size_t sizeHint = 0)
{
    return UnLZSS(input.constData(), static_cast<std::size_t>(input.size()), sizeHint);
}

} // namespace pelkora

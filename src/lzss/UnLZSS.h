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
#include <cstdint>
#include <functional>
#include <memory>

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

// The same decoder for a stream that arrives in pieces, handing its output on
// in pieces, so that an entry of any size is decoded in a fixed amount of
// memory (about `chunk` bytes for the output and one piece of input). The
// bytes handed on are exactly UnLZSS's result for the whole stream.
class LzssDecoder {
public:
    // Takes the next decoded bytes; answers false to stop decoding.
    using Sink = std::function<bool(const char* data, std::size_t size)>;

    explicit LzssDecoder(Sink sink, std::size_t chunk = 512u << 10);
    ~LzssDecoder();
    LzssDecoder(const LzssDecoder&) = delete;
    LzssDecoder& operator=(const LzssDecoder&) = delete;

    // Decodes the next piece of the stream. False once no more input is
    // wanted: the end token was read, or the sink said stop.
    bool feed(const char* data, std::size_t size);
    // Treats what has been fed as the whole stream: decodes its last bytes
    // by the rules for input that ends early and hands on the rest. False
    // when the sink said stop.
    bool finish();
    // Decoded bytes so far (handed on or waiting).
    std::uint64_t produced() const;

private:
    struct State;
    std::unique_ptr<State> mState;
};

} // namespace pelkora
